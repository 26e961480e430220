// An in-memory file system for the program's tests, with the error codes and
// sharing rules of the real platforms (the contract test holds it to them)
// and a way to make any one call fail.  A file is its name: there are no
// links.
//
// Names are exact: no case folding and no mapping.  A directory exists when
// it is in `dirs` or when a file or directory lies below it, so a test that
// puts "R\files.bbs" has the directory "R" too; the current directory and
// drive roots ("C:") always exist.
#ifndef TESVAK_TESTS_FAKE_PLATFORM_H_
#define TESVAK_TESTS_FAKE_PLATFORM_H_

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tesvak {

class FakePlatform : public Platform {
 public:
  enum class Op { kOpenText, kOpenRead, kCreate, kRead, kWrite, kSize, kClose };

  std::map<std::string, std::string> files;  // exact name -> bytes
  std::set<std::string> dirs;                // names that are directories
  std::set<std::string> read_only;           // files that may not be written
  std::string console;                       // ConsoleLine's output
  std::string out, err;                      // Print's, one "\n" a line
  ErrorCode out_failure = kOk;               // FinishOutput's answer
  std::vector<std::string> log;  // "text NAME", "read NAME", "create NAME", "probe NAME"
  std::size_t max_read = static_cast<std::size_t>(-1);  // bytes per Read
  std::string module = "tesvak";

  // The `nth` call (from 1) of `op` on file `name` fails with `code`.
  void FailOn(Op op, const std::string& name, int nth, ErrorCode code) {
    faults_.push_back({op, name, nth, code, false});
  }
  // The `nth` Read of `name` returns no bytes, as if the file had ended
  // there, or the `nth` Write stores one byte less than asked.
  void ShortOn(Op op, const std::string& name, int nth) {
    faults_.push_back({op, name, nth, kOk, true});
  }

  // Names currently open.
  std::vector<std::string> OpenNames() const;

  ErrorCode OpenText(const std::string& name, FileId* file) override;
  ErrorCode OpenRead(const std::string& name, FileId* file) override;
  ErrorCode Create(const std::string& name, FileId* file) override;
  ErrorCode ProbeCreate(const std::string& name, FileKey* existing) override;
  ErrorCode Read(FileId file, void* buf, std::size_t size, std::size_t* got) override;
  ErrorCode Write(FileId file, const void* buf, std::size_t size, std::size_t* put) override;
  ErrorCode Size(FileId file, std::uint64_t* size) override;
  ErrorCode Close(FileId file) override;
  FileKey KeyOf(FileId file) override;
  bool IsNew(FileId file) override { return open_.count(file) && open_.at(file).made; }
  std::string SystemName(const std::string& name) override { return name; }
  std::string FullName(const std::string& name) override { return "C:\\BBS\\" + name; }
  std::string WhyFailed(ErrorCode code) override { return "error " + std::to_string(code); }
  ErrorCode Locate(const std::string& name, Place* place) override;
  void ConsoleLine(std::string_view line) override;
  void Print(Stream stream, std::string_view line) override;
  ErrorCode FinishOutput(std::string* what) override;
  std::string ModuleName() override { return module; }

 private:
  struct Handle {
    std::string name;
    std::size_t pos = 0;
    bool text = false;
    bool made = false;
  };
  struct Fault {
    Op op;
    std::string name;
    int nth;
    ErrorCode code;
    bool short_io;
  };

  // The fault planned for this call of `op`, if any.
  const Fault* Call(Op op, const std::string& name);
  bool IsDir(const std::string& name) const;
  // The code for a name no file may have, or for a file or directory that
  // is not there; kOk for an existing file.
  ErrorCode Check(const std::string& name) const;
  // A file's key: a number for each name, for names are files here.
  FileKey KeyOfName(const std::string& name);
  ErrorCode OpenExisting(const std::string& name, bool text, Op op, FileId* file);
  // Every check Create makes, without making the file.
  ErrorCode CheckCreate(const std::string& name) const;
  FileId Add(Handle h);

  std::map<FileId, Handle> open_;
  std::set<std::string> text_inputs_;  // every name opened with OpenText
  std::map<std::string, std::uint64_t> keys_;
  std::map<std::pair<Op, std::string>, int> calls_;
  std::vector<Fault> faults_;
  FileId next_ = 1;
};

}  // namespace tesvak

#endif  // TESVAK_TESTS_FAKE_PLATFORM_H_
