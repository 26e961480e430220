#include "config/echo_areas.h"

#include "config/text_file.h"
#include "config/words.h"

namespace tesvak {

std::size_t AreaTable::FoldedHash::operator()(std::string_view s) const {
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (char c : s) {
    h ^= static_cast<unsigned char>(FoldChar(c));
    h *= 1099511628211ull;
  }
  return static_cast<std::size_t>(h ^ (h >> 32));
}

bool AreaTable::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
  return EqualFolded(a, b);
}

bool AreaTable::Add(std::string_view tag, std::string_view path) {
  if (areas_.size() == kMaxAreas) return false;
  areas_.push_back({std::string(tag), std::string(path)});
  index_.try_emplace(std::string(tag), areas_.size() - 1);  // first one wins
  return true;
}

const TEcho* AreaTable::Find(std::string_view tag) const {
  auto it = index_.find(tag);
  return it == index_.end() ? nullptr : &areas_[it->second];
}

Status ReadEchoAreas(Platform& fs, const std::string& squish_file, AreaTable* table) {
  TextFile file(fs);
  if (!file.Open(squish_file)) return Status::Stop(kNoSquishLine);
  return ForEachLine(file, [table](std::string_view line) {
    std::string_view rest = line;
    if (!EqualFolded(NextWord(rest), "ECHOAREA")) return Status::Ok();
    const std::string_view tag = NextWord(rest);
    const std::string_view path = NextWord(rest);
    return table->Add(tag, path) ? Status::Ok() : Status::Stop(kAreaLimitLine);
  });
}

}  // namespace tesvak
