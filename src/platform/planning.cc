#include "platform/planning.h"

namespace tesvak {

FileId PlanningPlatform::Open(FileKey key, bool source) {
  const FileId file = next_handle_--;
  open_[file] = {key, source};
  return file;
}

FileKey PlanningPlatform::PlannedAt(const std::string& name) {
  if (outputs_.empty()) return FileKey();
  Place place;
  if (real_.Locate(name, &place) != kOk || place.file != FileKey()) return FileKey();
  auto planned = outputs_.find(place);
  return planned == outputs_.end() ? FileKey() : planned->second;
}

ErrorCode PlanningPlatform::OpenRead(const std::string& name, FileId* file) {
  read_failure_ = kOk;
  const ErrorCode code = real_.OpenRead(name, file);
  if (code != kFileNotFound && code != kPathNotFound) return code;
  // Not on disk, but perhaps an output the run would have made by now.
  std::string why = real_.WhyFailed(code);
  const FileKey planned = PlannedAt(name);
  if (planned == FileKey()) {
    read_failure_ = code;
    read_failure_why_ = std::move(why);
    return code;
  }
  *file = Open(planned, true);
  return kOk;
}

std::string PlanningPlatform::WhyFailed(ErrorCode code) {
  // A failed OpenRead stops the run, so no later failure can follow it.
  return code == read_failure_ ? read_failure_why_ : real_.WhyFailed(code);
}

ErrorCode PlanningPlatform::Create(const std::string& name, FileId* file) {
  if (const FileKey planned = PlannedAt(name); planned != FileKey()) {
    // Made by the run, in the plan only: a new regular file of its own.
    for (const auto& [handle, open] : open_)
      if (open.source && open.key == planned) return kSameFile;
    *file = Open(planned, false);
    return kOk;
  }
  FileKey key;
  const ErrorCode code = real_.ProbeCreate(name, &key);
  if (code != kOk) return code;
  if (key == FileKey()) {
    Place place;
    if (const ErrorCode located = real_.Locate(name, &place); located != kOk) return located;
    key = {kPlannedVolume, ++next_key_};
    outputs_[place] = key;
  }
  *file = Open(key, false);
  return kOk;
}

ErrorCode PlanningPlatform::Locate(const std::string& name, Place* place) {
  const ErrorCode code = real_.Locate(name, place);
  if (code != kOk || place->file != FileKey()) return code;
  if (auto planned = outputs_.find(*place); planned != outputs_.end()) {
    *place = Place();
    place->file = planned->second;
  }
  return kOk;
}

ErrorCode PlanningPlatform::Read(FileId file, void* buf, std::size_t size, std::size_t* got) {
  *got = 0;
  return IsPlanned(file) ? kOk : real_.Read(file, buf, size, got);
}

ErrorCode PlanningPlatform::Write(FileId file, const void* buf, std::size_t size,
                                  std::size_t* put) {
  *put = 0;
  return IsPlanned(file) ? kAccessDenied : real_.Write(file, buf, size, put);
}

ErrorCode PlanningPlatform::Size(FileId file, std::uint64_t* size) {
  *size = 0;
  return IsPlanned(file) ? kOk : real_.Size(file, size);
}

ErrorCode PlanningPlatform::Close(FileId file) {
  if (!IsPlanned(file)) return real_.Close(file);
  open_.erase(file);
  return kOk;
}

bool PlanningPlatform::CopyChunk(FileId from, FileId to, std::uint64_t size, std::uint64_t* moved) {
  *moved = 0;
  return !IsPlanned(from) && !IsPlanned(to) && real_.CopyChunk(from, to, size, moved);
}

FileKey PlanningPlatform::KeyOf(FileId file) {
  if (!IsPlanned(file)) return real_.KeyOf(file);
  auto it = open_.find(file);
  return it == open_.end() ? FileKey() : it->second.key;
}

}  // namespace tesvak
