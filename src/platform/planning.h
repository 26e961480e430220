// A dry run's file system: the real one, with every check a run makes and
// no change.  Create answers as the real Create would (through ProbeCreate)
// and records the output the run would have made, by the place it would
// be in: its directory's key and its name there.  From then on, for the
// rest of the run, that output exists: every name that leads to it,
// directly or through links that lead nowhere until the run makes it,
// finds it; the name mapping finds it; OpenRead opens it (as a file of no
// bytes; a dry run reads no rules); its key tells it apart from other
// files; and a Create over it while it is the open source answers
// kSameFile.  So a dry run and a run take one path and meet the same
// answers.
#ifndef TESVAK_PLATFORM_PLANNING_H_
#define TESVAK_PLATFORM_PLANNING_H_

#include <cstdint>
#include <map>
#include <string>

#include "platform/platform.h"

namespace tesvak {

class PlanningPlatform final : public Platform {
 public:
  explicit PlanningPlatform(Platform& real) : real_(real) {}

  ErrorCode OpenText(const std::string& name, FileId* file) override {
    return real_.OpenText(name, file);
  }
  ErrorCode OpenRead(const std::string& name, FileId* file) override;
  ErrorCode Create(const std::string& name, FileId* file) override;
  ErrorCode ProbeCreate(const std::string& name, FileKey* existing) override {
    return real_.ProbeCreate(name, existing);
  }
  ErrorCode Read(FileId file, void* buf, std::size_t size, std::size_t* got) override;
  ErrorCode Write(FileId file, const void* buf, std::size_t size, std::size_t* put) override;
  ErrorCode Size(FileId file, std::uint64_t* size) override;
  ErrorCode Close(FileId file) override;
  bool CopyChunk(FileId from, FileId to, std::uint64_t size, std::uint64_t* moved) override;
  FileKey KeyOf(FileId file) override;
  bool IsNew(FileId file) override;
  std::string SystemName(const std::string& name) override { return real_.SystemName(name); }
  std::string FullName(const std::string& name) override { return real_.FullName(name); }
  std::string WhyFailed(ErrorCode code) override { return real_.WhyFailed(code); }
  ErrorCode Locate(const std::string& name, Place* place) override;
  void ConsoleLine(std::string_view line) override { real_.ConsoleLine(line); }
  void Print(Stream stream, std::string_view line) override { real_.Print(stream, line); }
  ErrorCode FinishOutput(std::string* what) override { return real_.FinishOutput(what); }
  bool SlashOptions() const override { return real_.SlashOptions(); }
  std::string ModuleName() override { return real_.ModuleName(); }

 private:
  // Keys of outputs that exist only in the plan: a volume no file is on.
  static constexpr std::uint64_t kPlannedVolume = ~std::uint64_t{0};

  struct Planned {
    FileKey key;
    bool source;  // opened as the source of a copy, not as its output
    bool made;    // an output the plan makes anew with this open
  };
  static bool IsPlanned(FileId file) { return file < 0; }
  FileId Open(FileKey key, bool source, bool made = false);
  // The key of the output planned where `name` leads, or the zero key
  // when `name` leads to none.
  FileKey PlannedAt(const std::string& name);

  Platform& real_;
  std::map<Place, FileKey> outputs_;  // the outputs made in the plan only
  std::map<FileId, Planned> open_;    // handles of planned outputs
  std::uint64_t next_key_ = 0;
  FileId next_handle_ = -1;
};

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_PLANNING_H_
