#include "platform/reparse.h"

namespace tesvak {
namespace {

constexpr std::uint32_t kTagSymlink = 0xA000000Cu;     // IO_REPARSE_TAG_SYMLINK
constexpr std::uint32_t kTagMountPoint = 0xA0000003u;  // IO_REPARSE_TAG_MOUNT_POINT
constexpr std::uint32_t kRelative = 1;                 // SYMLINK_FLAG_RELATIVE
constexpr std::size_t kHeader = 8;                     // tag, length, reserved

// Little-endian, as every Windows is.
std::uint32_t At(std::span<const std::uint8_t> data, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= std::uint32_t{data[at + i]} << (8 * i);
  return value;
}

// The UTF-16 name of `length` bytes at `offset` in the path buffer at
// `buffer`, or false where it does not lie within the data.
bool Name(std::span<const std::uint8_t> data, std::size_t buffer, std::uint32_t offset,
          std::uint32_t length, std::u16string* name) {
  if (length % 2 != 0 || buffer + offset + length > data.size()) return false;
  name->clear();
  for (std::size_t i = 0; i < length; i += 2)
    name->push_back(static_cast<char16_t>(At(data, buffer + offset + i, 2)));
  return true;
}

}  // namespace

bool ParseReparseData(std::span<const std::uint8_t> data, LinkTarget* target) {
  if (data.size() < kHeader + 8) return false;
  const std::uint32_t tag = At(data, 0, 4);
  if (tag != kTagSymlink && tag != kTagMountPoint) return false;
  // The substitute and print names' offsets and lengths, then for a
  // symbolic link its flags, then the path buffer.
  const std::uint32_t substitute_offset = At(data, kHeader, 2);
  const std::uint32_t substitute_length = At(data, kHeader + 2, 2);
  const std::uint32_t print_offset = At(data, kHeader + 4, 2);
  const std::uint32_t print_length = At(data, kHeader + 6, 2);
  std::size_t buffer = kHeader + 8;
  target->relative = false;
  if (tag == kTagSymlink) {
    if (data.size() < buffer + 4) return false;
    target->relative = (At(data, buffer, 4) & kRelative) != 0;
    buffer += 4;
  }
  if (print_length > 0) return Name(data, buffer, print_offset, print_length, &target->path);
  if (!Name(data, buffer, substitute_offset, substitute_length, &target->path)) return false;
  const std::u16string nt_prefix = u"\\??\\";
  if (target->path.starts_with(nt_prefix)) target->path.erase(0, nt_prefix.size());
  return !target->path.empty();
}

}  // namespace tesvak
