#include "rules/copy_rules.h"

#include <algorithm>
#include <memory>

#include "base/messages.h"
#include "base/status.h"

namespace tesvak {
namespace {

constexpr std::uint64_t kBlockSize = std::uint64_t{1024} * 1024;

// Moves exactly `size` bytes.  A read that ends early means the source
// shrank after it was measured; a write that stores less means the medium
// is full.
Status Transfer(Platform& fs, FileId from, FileId to, std::uint64_t size) {
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
    if (code != kOk) return Status::IoError(code, Site::kRead);
    if (got == 0) return Status::IoError(kReadBeyondEnd, Site::kRead);
    code = fs.Write(to, buf.get(), got, &put);
    if (code != kOk) return Status::IoError(code, Site::kWrite);
    if (put < got) return Status::IoError(kShortWrite, Site::kWrite);
    size -= got;
  }
  return Status::Ok();
}

}  // namespace

Status CopyRulesFile(Platform& fs, const std::string& source, const std::string& dest,
                     CopyAction action, FileLine at, RunLog& log, bool* copied) {
  *copied = false;
  FileId source_file = 0;
  if (fs.OpenRead(source, &source_file) != kOk) return Status::Stop(kNoRulesFileLine);
  OwnedFile from(fs, source_file);
  FileId dest_file = 0;
  const ErrorCode created = fs.Create(dest, &dest_file);
  if (created != kOk && created != kSameFile) return Status::IoError(created, Site::kCreate);
  const bool same_file = created == kSameFile;
  log.Copy(at, source, dest, same_file, dest_file);
  if (!same_file) {
    OwnedFile to(fs, dest_file);
    if (action == CopyAction::kCopy) {
      std::uint64_t size = 0;
      if (const ErrorCode sized = fs.Size(from.id(), &size); sized != kOk)
        return Status::IoError(sized, Site::kSize);
      if (Status moved = Transfer(fs, from.id(), to.id(), size); !moved.ok()) return moved;
    }
    if (const ErrorCode closed = to.Close(); closed != kOk)
      return Status::IoError(closed, Site::kCloseDest);
    *copied = true;
  }
  if (const ErrorCode closed = from.Close(); closed != kOk)
    return Status::IoError(closed, Site::kCloseSource);
  return Status::Ok();
}

}  // namespace tesvak
