// Line reading, words and folding.  The first byte picks how many bytes
// each read returns, so line ends split across reads are covered.
#include <cstdlib>
#include <string>
#include <vector>

#include "config/text_file.h"
#include "config/words.h"
#include "fake_platform.h"

using namespace tesvak;

static void Check(bool ok) {
  if (!ok) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  FakePlatform fs;
  fs.max_read = 1 + data[0] % 64;
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  fs.files["f"] = input;

  TextFile file(fs);
  Check(file.Open("f"));
  std::vector<std::string> lines;
  Check(ForEachLine(file, [&](std::string_view line) {
          lines.emplace_back(line);
          return Status::Ok();
        }).ok());
  Check(fs.OpenNames().empty());

  // The lines joined with their line ends give back the text up to the
  // first Ctrl-Z, and every line end is CR LF, a lone CR or a lone LF.
  const std::string text = input.substr(0, input.find('\x1a'));
  std::size_t pos = 0;
  for (const std::string& line : lines) {
    Check(line.find_first_of("\r\n") == std::string::npos);
    Check(text.compare(pos, line.size(), line) == 0);
    pos += line.size();
    if (pos < text.size()) {
      Check(text[pos] == '\r' || text[pos] == '\n');
      ++pos;
      if (text[pos - 1] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    }
  }
  Check(pos == text.size());

  for (const std::string& line : lines) {
    // Words hold no space or TAB, are never empty, and come out in order,
    // skipping only spaces and TABs.
    std::string_view rest = line;
    std::string joined;
    for (std::string_view word = NextWord(rest); !word.empty(); word = NextWord(rest)) {
      Check(word.find_first_of(" \t") == std::string_view::npos);
      joined.append(word);
    }
    Check(rest.empty());
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
