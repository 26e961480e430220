#include "rules/copy_rules.h"

#include <algorithm>
#include <memory>

#include "base/messages.h"
#include "base/status.h"

namespace tesvak {
namespace {

constexpr std::uint64_t kBlockSize = std::uint64_t{1024} * 1024;

// One copy, for its failures: each names the rules-list line that asked for
// the copy, the file it failed on and why.
struct Copy {
  Platform& fs;
  FileLine at;
  const std::string& source;
  const std::string& dest;

  Status Failed(ErrorCode code, Site site) const {
    const bool on_source = site == Site::kSize || site == Site::kRead || site == Site::kCloseSource;
    const char* what = site == Site::kSize          ? kCannotMeasureRulesFile
                       : site == Site::kRead        ? kCannotReadRulesFile
                       : site == Site::kCloseSource ? kCannotCloseRulesFile
                       : site == Site::kCloseDest   ? kCannotCloseOutput
                                                    : kCannotWriteOutput;
    const std::string why = code == kReadBeyondEnd ? kShrank
                            : code == kShortWrite  ? kMediumFull
                                                   : fs.WhyFailed(code);
    return Status::IoError(
        code, site,
        {at.file, at.line, what, on_source ? source : dest, Cause::Shown::kSystem, why});
  }

  // Moves exactly `size` bytes.  A read that ends early means the source
  // shrank after it was measured; a write that stores less means the medium
  // is full.
  Status Transfer(FileId from, FileId to, std::uint64_t size) const {
    std::uint64_t moved = 0;
    while (size > 0 && fs.CopyChunk(from, to, size, &moved)) size -= moved;
    if (size == 0) return Status::Ok();

    const std::size_t block = static_cast<std::size_t>(std::min(size, kBlockSize));
    std::unique_ptr<char[]> buf(new char[block]);
    while (size > 0) {
      std::size_t got = 0;
      std::size_t put = 0;
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, block));
      ErrorCode code = fs.Read(from, buf.get(), want, &got);
      if (code != kOk) return Failed(code, Site::kRead);
      if (got == 0) return Failed(kReadBeyondEnd, Site::kRead);
      code = fs.Write(to, buf.get(), got, &put);
      if (code != kOk) return Failed(code, Site::kWrite);
      if (put < got) return Failed(kShortWrite, Site::kWrite);
      size -= got;
    }
    return Status::Ok();
  }
};

}  // namespace

Status CopyRulesFile(Platform& fs, const std::string& source, const std::string& dest,
                     CopyAction action, FileLine at, RunLog& log, bool* copied) {
  *copied = false;
  const Copy copy{fs, at, source, dest};
  FileId source_file = 0;
  if (const ErrorCode code = fs.OpenRead(source, &source_file); code != kOk) {
    return Status::Stop(kNoRulesFileLine, {at.file, at.line, kCannotOpenRulesFile, source,
                                           Cause::Shown::kSystem, fs.WhyFailed(code)});
  }
  OwnedFile from(fs, source_file);
  FileId dest_file = 0;
  const ErrorCode created = fs.Create(dest, &dest_file);
  if (created != kOk && created != kSameFile) return copy.Failed(created, Site::kCreate);
  const bool same_file = created == kSameFile;
  log.Copy(at, source, dest, same_file, dest_file);
  if (!same_file) {
    OwnedFile to(fs, dest_file);
    if (action == CopyAction::kCopy) {
      std::uint64_t size = 0;
      if (const ErrorCode sized = fs.Size(from.id(), &size); sized != kOk)
        return copy.Failed(sized, Site::kSize);
      if (Status moved = copy.Transfer(from.id(), to.id(), size); !moved.ok()) return moved;
    }
    if (const ErrorCode closed = to.Close(); closed != kOk)
      return copy.Failed(closed, Site::kCloseDest);
    *copied = true;
  }
  if (const ErrorCode closed = from.Close(); closed != kOk)
    return copy.Failed(closed, Site::kCloseSource);
  return Status::Ok();
}

}  // namespace tesvak
