#include "config/squish_areas.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "base/messages.h"
#include "config/text_file.h"
#include "config/words.h"

namespace tesvak {
namespace {

// The sink of every area line, whichever file it stands in.
struct AreaSink {
  AreaTable* table;
  RunLog& log;

  Status Add(FileLine at, std::string_view tag, std::string_view path) const {
    switch (table->Add(tag, path, at.file, at.line)) {
      case AreaTable::Added::kFull:
        return Status::Stop(
            kAreaLimitLine,
            {at.file, at.line, kAreaOverLimitBefore + std::string(tag) + kAreaOverLimit});
      case AreaTable::Added::kAgain:
        // A tagless area, from a bare EchoArea line, names nothing anyway.
        if (!tag.empty()) log.TagDefinedAgain(at, tag);
        break;
      case AreaTable::Added::kNew:
        break;
    }
    return Status::Ok();
  }
};

// The stop when the file `name`, named on line `at`, cannot be opened.
Status NotOpened(const std::string& name, FileLine at, const char* what, const std::string& why) {
  return Status::Stop(name + " " + kNotFoundRemark,
                      {at.file, at.line, what, name, Cause::Shown::kAsWritten, why});
}

// One trailing separator goes, as Squish drops it, unless the path is a
// root: "D:\MSG\AREA\" is "D:\MSG\AREA", "D:\" and "/" stay.
std::string_view WithoutTrailingSeparator(std::string_view path) {
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (path.empty() || !separator(path.back())) return path;
  const bool root = path.size() == 1 || (path.size() == 3 && path[1] == ':');
  return root ? path : path.substr(0, path.size() - 1);
}

// The message-base path of an AREAS.BBS line: its first word without the
// leading '#' (passthru) and '$' (Squish format) flags, or the next word
// when the flags stood alone ("$ D:\MSG\AREA").
std::string_view AreasBbsPath(std::string_view& rest) {
  std::string_view path = NextWord(rest);
  path.remove_prefix(std::min(path.find_first_not_of("#$"), path.size()));
  return path.empty() ? NextWord(rest) : path;
}

// Reads an AREAS.BBS file: each line cut at its first ';'; lines with no
// word left skipped; the first line with a word skipped too when it holds
// a '!', for it names the system and its sysop; on every other line the
// path (see AreasBbsPath) and after it the tag, lines without a tag
// skipped and further words (nodes, flags) ignored.
Status ReadAreasBbs(Platform& fs, const std::string& name, FileLine named_at,
                    const AreaSink& areas) {
  TextFile file(fs);
  if (!file.Open(name)) return NotOpened(name, named_at, kCannotOpenAreasBbs, file.why());
  // A line's flags, path and tag are all there is; until the origin line is
  // past, whether it holds a '!' too, wherever it stands.
  LineUse use{.words = 3, .cuts = true, .cut = ';', .mark = '!'};
  return ForEachLine(file, use, areas.log, [&](std::string_view line) {
    line = line.substr(0, line.find(';'));
    std::string_view rest = line;
    if (NextWord(rest).empty()) return Status::Ok();
    rest = line;
    if (use.mark != '\0') {
      use.mark = '\0';
      if (file.marked()) return Status::Ok();
    }
    const std::string_view path = AreasBbsPath(rest);
    const std::string_view tag = NextWord(rest);
    if (tag.empty()) return Status::Ok();
    return areas.Add({name, file.line_number()}, tag, WithoutTrailingSeparator(path));
  });
}

// Reads the Squish configuration and the files it includes.
class ConfigReader {
 public:
  ConfigReader(Platform& fs, const AreaSink& areas) : fs_(fs), areas_(areas) {}

  Status Read(const std::string& name, TextFile& file, int depth) {
    open_.push_back(&file);
    // The keyword and the two words after it.
    Status s = ForEachLine(file, LineUse{.words = 3}, areas_.log, [&](std::string_view) {
      std::string_view words[3];
      std::copy(file.words().begin(), file.words().end(), words);
      const std::string_view keyword = words[0];
      if (EqualFolded(keyword, "ECHOAREA"))
        return areas_.Add({name, file.line_number()}, words[1], words[2]);
      const FileLine at{name, file.line_number()};
      if (EqualFolded(keyword, "INCLUDE"))
        return words[1].empty() ? Status::Ok() : Include(std::string(words[1]), at, depth + 1);
      if (EqualFolded(keyword, "AREASBBS")) {
        areas_bbs_ = words[1];
        areas_bbs_file_ = name;
        areas_bbs_line_ = at.line;
      }
      return Status::Ok();
    });
    open_.pop_back();
    return s;
  }

  // The AREAS.BBS file the configuration named last, or empty, and the
  // line that named it.
  const std::string& areas_bbs() const { return areas_bbs_; }
  FileLine areas_bbs_at() const { return {areas_bbs_file_, areas_bbs_line_}; }

 private:
  static Status Refused(const std::string& line, const std::string& name, FileLine at,
                        const char* why) {
    return Status::Stop(line + name,
                        {at.file, at.line, kCannotInclude, name, Cause::Shown::kAsWritten, why});
  }

  Status Include(const std::string& name, FileLine at, int depth) {
    if (depth > kMaxIncludeDepth) return Refused(kIncludeTooDeepLine, name, at, kNestedTooDeep);
    // Depth alone does not bound the work: sixteen files that each include
    // the next four times would open 4^15 files.
    if (++includes_ > kMaxIncludes)
      return Refused(kIncludeTooOftenLine, name, at, kIncludedTooOften);
    TextFile file(fs_);
    if (!file.Open(name)) return NotOpened(name, at, kCannotOpenInclude, file.why());
    // A file that is being read already would include itself for ever.
    const FileKey key = fs_.KeyOf(file.id());
    for (const TextFile* outer : open_)
      if (fs_.KeyOf(outer->id()) == key)
        return Refused(kIncludeTooDeepLine, name, at, kIncludesItself);
    return Read(name, file, depth);
  }

  Platform& fs_;
  const AreaSink& areas_;
  std::vector<const TextFile*> open_;  // the including files, outermost first
  std::string areas_bbs_;
  std::string areas_bbs_file_;
  std::size_t areas_bbs_line_ = 0;
  int includes_ = 0;  // Include lines followed so far
};

}  // namespace

Status ReadEchoAreas(Platform& fs, const std::string& squish_file, FileLine named_at,
                     AreaTable* table, RunLog& log) {
  TextFile file(fs);
  if (!file.Open(squish_file)) {
    return Status::Stop(kNoSquishLine, {named_at.file, named_at.line, kCannotOpenSquish,
                                        squish_file, Cause::Shown::kAsWritten, file.why()});
  }
  const AreaSink areas{table, log};
  ConfigReader config(fs, areas);
  Status s = config.Read(squish_file, file, 0);
  if (!s.ok() || config.areas_bbs().empty()) return s;
  return ReadAreasBbs(fs, config.areas_bbs(), config.areas_bbs_at(), areas);
}

}  // namespace tesvak
