#include "fake_platform.h"

#include <algorithm>
#include <cstring>

namespace tesvak {

const FakePlatform::Fault* FakePlatform::Call(Op op, const std::string& name) {
  const int n = ++calls_[{op, name}];
  for (const Fault& f : faults_)
    if (f.op == op && f.name == name && f.nth == n) return &f;
  return nullptr;
}

FileId FakePlatform::Add(Handle h) {
  open_[next_] = std::move(h);
  return next_++;
}

std::vector<std::string> FakePlatform::OpenNames() const {
  std::vector<std::string> names;
  for (const auto& [id, h] : open_) names.push_back(h.name);
  return names;
}

namespace {

const std::string& KeyOf(const std::string& name) { return name; }
const std::string& KeyOf(const std::pair<const std::string, std::string>& file) {
  return file.first;
}

// Whether some name in the sorted `names` lies below the directory `dir`.
template <typename Names>
bool AnyBelow(const Names& names, const std::string& dir) {
  for (auto it = names.lower_bound(dir); it != names.end(); ++it) {
    const std::string& name = KeyOf(*it);
    if (name.compare(0, dir.size(), dir) != 0) break;
    if (name.size() > dir.size() && (name[dir.size()] == '\\' || name[dir.size()] == '/'))
      return true;
  }
  return false;
}

}  // namespace

bool FakePlatform::IsDir(const std::string& name) const {
  if (name.empty() || (name.size() == 2 && name[1] == ':') || dirs.count(name)) return true;
  return AnyBelow(files, name) || AnyBelow(dirs, name);
}

ErrorCode FakePlatform::Check(const std::string& name) const {
  if (const ErrorCode code = CheckName(name); code != kOk) return code;
  if (IsDir(name)) return kAccessDenied;
  if (files.count(name)) return kOk;
  const std::size_t sep = name.find_last_of("\\/");
  return IsDir(sep == std::string::npos ? std::string() : name.substr(0, sep)) ? kFileNotFound
                                                                               : kPathNotFound;
}

ErrorCode FakePlatform::OpenExisting(const std::string& name, bool text, Op op, FileId* file) {
  log.push_back((text ? "text " : "read ") + name);
  if (const Fault* f = Call(op, name)) return f->code;
  if (const ErrorCode code = Check(name); code != kOk) return code;
  if (text) text_inputs_.insert(name);
  *file = Add({name, 0, text});
  return kOk;
}

ErrorCode FakePlatform::OpenText(const std::string& name, FileId* file) {
  return OpenExisting(name, true, Op::kOpenText, file);
}

ErrorCode FakePlatform::OpenRead(const std::string& name, FileId* file) {
  return OpenExisting(name, false, Op::kOpenRead, file);
}

ErrorCode FakePlatform::CheckCreate(const std::string& name) const {
  for (const auto& [id, h] : open_)
    if (h.name == name && !h.text) return kSameFile;
  if (const ErrorCode code = Check(name); code != kOk && code != kFileNotFound) return code;
  if (text_inputs_.count(name)) return kSharingViolation;
  if (read_only.count(name)) return kAccessDenied;
  return kOk;
}

ErrorCode FakePlatform::Create(const std::string& name, FileId* file) {
  log.push_back("create " + name);
  if (const Fault* f = Call(Op::kCreate, name)) return f->code;
  if (const ErrorCode code = CheckCreate(name); code != kOk) return code;
  const bool made = !files.count(name);
  files[name].clear();
  *file = Add({name, 0, false, made});
  return kOk;
}

ErrorCode FakePlatform::ProbeCreate(const std::string& name, FileKey* existing) {
  log.push_back("probe " + name);
  *existing = files.count(name) ? KeyOfName(name) : FileKey();
  if (const Fault* f = Call(Op::kCreate, name)) return f->code;
  return CheckCreate(name);
}

ErrorCode FakePlatform::Read(FileId file, void* buf, std::size_t size, std::size_t* got) {
  *got = 0;
  Handle& h = open_.at(file);
  const Fault* f = Call(Op::kRead, h.name);
  if (f && !f->short_io) return f->code;
  const std::string& data = files.at(h.name);
  if (f) return kOk;  // as if the file had ended here
  const std::size_t n = std::min({size, max_read, data.size() - std::min(h.pos, data.size())});
  std::memcpy(buf, data.data() + h.pos, n);
  h.pos += n;
  *got = n;
  return kOk;
}

ErrorCode FakePlatform::Write(FileId file, const void* buf, std::size_t size, std::size_t* put) {
  *put = 0;
  Handle& h = open_.at(file);
  const Fault* f = Call(Op::kWrite, h.name);
  if (f && !f->short_io) return f->code;
  std::string& data = files.at(h.name);
  const std::size_t n = f && size > 0 ? size - 1 : size;
  if (data.size() < h.pos + n) data.resize(h.pos + n);
  data.replace(h.pos, n, static_cast<const char*>(buf), n);
  h.pos += n;
  *put = n;
  return kOk;
}

ErrorCode FakePlatform::Size(FileId file, std::uint64_t* size) {
  if (const Fault* f = Call(Op::kSize, open_.at(file).name)) return f->code;
  *size = files.at(open_.at(file).name).size();
  return kOk;
}

ErrorCode FakePlatform::Close(FileId file) {
  const std::string name = open_.at(file).name;
  open_.erase(file);
  if (const Fault* f = Call(Op::kClose, name)) return f->code;
  return kOk;
}

FileKey FakePlatform::KeyOfName(const std::string& name) {
  return {1, keys_.try_emplace(name, keys_.size() + 1).first->second};
}

ErrorCode FakePlatform::Locate(const std::string& name, Place* place) {
  *place = Place();
  if (const ErrorCode code = CheckName(name); code != kOk) return code;
  if (files.count(name) || IsDir(name)) {
    place->file = KeyOfName(name);
    return kOk;
  }
  const std::size_t sep = name.find_last_of("\\/");
  const std::string dir = sep == std::string::npos ? std::string() : name.substr(0, sep);
  if (!IsDir(dir)) return kPathNotFound;
  place->dir = KeyOfName(dir);
  place->leaf = name.substr(sep == std::string::npos ? 0 : sep + 1);
  return kOk;
}

FileKey FakePlatform::KeyOf(FileId file) {
  auto it = open_.find(file);
  return it == open_.end() ? FileKey() : KeyOfName(it->second.name);
}

ErrorCode FakePlatform::FinishOutput(std::string* what) {
  if (out_failure != kOk) *what = "output failed";
  return out_failure;
}

void FakePlatform::ConsoleLine(std::string_view line) { console.append(line).append("\r\n"); }

void FakePlatform::Print(Stream stream, std::string_view line) {
  (stream == Stream::kOut ? out : err).append(line).append("\n");
}

}  // namespace tesvak
