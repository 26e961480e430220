// Line reading, words and folding, with every way of matching blocks this
// build has.  The first three bytes pick how many bytes each read returns,
// how large the reader's buffer is (small ones make most lines long ones)
// and how much of each line the caller uses, so line ends split across
// reads and lines longer than the buffer are covered.
#include <cstdlib>
#include <string>
#include <vector>

#include "config/blocks.h"
#include "config/text_file.h"
#include "config/words.h"
#include "fake_platform.h"

using namespace tesvak;

static void Check(bool ok) {
  if (!ok) std::abort();
}

// The text's lines, split by the rule itself: CR LF, CR or LF ends a line.
static std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
    if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  return lines;
}

// What a caller that keeps to `use` sees of a line: its first words.
static std::vector<std::string> UsedWords(std::string_view line, const LineUse& use) {
  if (use.cuts) line = line.substr(0, line.find(use.cut));
  std::vector<std::string> words;
  std::string_view rest = line;
  for (std::size_t i = 0; i < use.words; ++i) {
    const std::string_view word = NextWord(rest);
    if (word.empty()) break;
    words.emplace_back(word);
  }
  return words;
}

// Reads the text in `fs` with `match` and checks every line and its words
// against the plain rule's `raw` lines.
static void CheckReading(FakePlatform& fs, std::size_t buffer, const NamedMatcher& way,
                         const LineUse& use, const std::vector<std::string>& raw) {
  TextFile file(fs, buffer, &way);
  QuietLog quiet;
  Check(file.Open("f"));
  std::vector<std::string> lines;
  std::vector<std::vector<std::string>> taken;  // words() of each line
  std::vector<bool> marked;
  Check(ForEachLine(file, use, quiet, [&](std::string_view line) {
          lines.emplace_back(line);
          taken.emplace_back(file.words().begin(), file.words().end());
          marked.push_back(file.marked());
          Check(file.line_number() == lines.size());
          return Status::Ok();
        }).ok());
  Check(fs.OpenNames().empty());

  // One line for each line of the text up to its first Ctrl-Z, each the
  // same to its caller: the same used words, and without a cut the same
  // first byte as far as a caller tells it (empty, ';', a separator,
  // anything else).
  Check(lines.size() == raw.size());
  const auto kind = [](const std::string& l) {
    return l.empty() ? 0 : l[0] == ';' ? 1 : (l[0] == ' ' || l[0] == '\t') ? 2 : 3;
  };
  for (std::size_t i = 0; i < raw.size(); ++i) {
    Check(UsedWords(lines[i], use) == UsedWords(raw[i], use));
    // The words the reader found itself, where the caller asked for a few.
    if (!use.cuts && use.words <= TextFile::kMaxWords)
      Check(taken[i] == UsedWords(raw[i], use));
    else
      Check(taken[i].empty());
    Check(use.cuts || kind(lines[i]) == kind(raw[i]));
    // Whether the line holds the mark before its cut, however long it is.
    if (use.mark != '\0') {
      const std::string_view before =
          std::string_view(raw[i]).substr(0, use.cuts ? raw[i].find(use.cut) : std::string::npos);
      Check(marked[i] == (before.find(use.mark) != std::string_view::npos));
    }
    Check(lines[i].size() <= raw[i].size());
  }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  FakePlatform fs;
  fs.max_read = 1 + data[0] % 64;
  const std::size_t buffer = data[1] & 0x80 ? TextFile::kBufferSize : 2 + data[1] % 64;
  LineUse use;
  if (data[2] % 8 < 5) use.words = 1 + data[2] % 8;
  use.cuts = (data[2] & 0x80) != 0;
  use.cut = ';';
  if (data[2] & 0x40) use.mark = '!';
  const std::string input(reinterpret_cast<const char*>(data) + 3, size - 3);
  fs.files["f"] = input;

  // Every way of matching blocks this build has, the plain rule among them.
  const std::vector<std::string> raw = SplitLines(input.substr(0, input.find('\x1a')));
  for (const NamedMatcher& m : Matchers()) CheckReading(fs, buffer, m, use, raw);

  for (const std::string& line : raw) {
    // Words hold no space or TAB, are never empty, and come out in order,
    // skipping only spaces and TABs.
    std::string_view rest = line;
    std::string joined;
    for (std::string_view word = NextWord(rest); !word.empty(); word = NextWord(rest)) {
      Check(word.find_first_of(" \t") == std::string_view::npos);
      joined.append(word);
    }
    Check(rest.empty());
    // TakeWords gives what NextWord gives, as far as it is asked to.
    std::string_view taken[5];
    const std::size_t found = TakeWords(line, 5, taken);
    std::string_view again = line;
    for (std::size_t i = 0; i < 5; ++i) {
      const std::string_view word = NextWord(again);
      Check(i < found ? word == taken[i] : word.empty());
    }
    std::string unseparated;
    for (char c : line)
      if (c != ' ' && c != '\t') unseparated += c;
    Check(joined == unseparated);

    // Folding changes a-z only, each to its capital.
    const std::string folded = FoldUpper(line);
    Check(folded.size() == line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      Check(folded[i] == ((c >= 'a' && c <= 'z') ? c - 32 : c));
    }
    Check(EqualFolded(line, folded));
  }
  return 0;
}
