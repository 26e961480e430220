#include "rules/copy_rules.h"

#include <algorithm>
#include <memory>

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
    if (put < got) return Status::IoError(kDiskFull, Site::kWrite);
    size -= got;
  }
  return Status::Ok();
}

}  // namespace

Status CopyRulesFile(Platform& fs, const std::string& source, const std::string& dest,
                     CopyAction action, FileLine at, RunLog& log, bool* copied) {
  *copied = false;
  FileId id = 0;
  if (fs.OpenRead(source, &id) != kOk) return Status::Stop(kNoRulesFileLine);
  OwnedFile from(fs, id);
  FileKey existing;
  ErrorCode code =
      action == CopyAction::kPlan ? fs.ProbeCreate(dest, &existing) : fs.Create(dest, &id);
  if (code != kOk && code != kSameFile) return Status::IoError(code, Site::kCreate);
  log.Copy(at, source, dest, code == kSameFile);
  if (code == kOk && action == CopyAction::kCopy) {
    OwnedFile to(fs, id);
    std::uint64_t size = 0;
    if ((code = fs.Size(from.id(), &size)) != kOk) return Status::IoError(code, Site::kSize);
    Status s = Transfer(fs, from.id(), to.id(), size);
    if (!s.ok()) return s;
    if ((code = to.Close()) != kOk) return Status::IoError(code, Site::kCloseDest);
  }
  *copied = code == kOk;
  if ((code = from.Close()) != kOk) return Status::IoError(code, Site::kCloseSource);
  return Status::Ok();
}

}  // namespace tesvak
