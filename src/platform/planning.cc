#include "platform/planning.h"

namespace tesvak {

FileId PlanningPlatform::Open(FileKey key, bool source, bool made) {
  const FileId file = next_handle_--;
  open_[file] = {key, source, made};
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
  // An output the run would have made by now, first: the run finds it on
  // disk at once, and the real platform, not finding it, would look
  // further than the run does.
  if (const FileKey planned = PlannedAt(name); planned != FileKey()) {
    *file = Open(planned, true);
    return kOk;
  }
  return real_.OpenRead(name, file);
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
  const bool made = key == FileKey();
  if (made) {
    Place place;
    if (const ErrorCode located = real_.Locate(name, &place); located != kOk) return located;
    key = {kPlannedVolume, ++next_key_};
    outputs_[place] = key;
  }
  *file = Open(key, false, made);
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

bool PlanningPlatform::IsNew(FileId file) {
  if (!IsPlanned(file)) return real_.IsNew(file);
  auto it = open_.find(file);
  return it != open_.end() && it->second.made;
}

FileKey PlanningPlatform::KeyOf(FileId file) {
  if (!IsPlanned(file)) return real_.KeyOf(file);
  auto it = open_.find(file);
  return it == open_.end() ? FileKey() : it->second.key;
}

}  // namespace tesvak
