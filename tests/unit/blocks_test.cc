// Every way this build has of finding line ends and word edges a block at a
// time gives what the plain rule gives a byte at a time: the masks of any
// block, and through the reader the same lines and words of any text,
// wherever lines and words fall against blocks and the reader's buffer.
#include "config/blocks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "config/text_file.h"
#include "config/words.h"
#include "fake_platform.h"

namespace tesvak {
namespace {

// Bytes that mean something to the reader, and some that only look alike.
constexpr char kAlphabet[] = {'\r',   '\n',   ' ',    '\t',   'a',    'Z',    '\x1a', '\0',
                              '\x0b', '\x8d', '\x8a', '\xa0', '\x89', '\xff', ';',    '\x20'};

std::string RandomText(std::mt19937& rng, std::size_t size) {
  std::string text(size, ' ');
  // Mostly word bytes and separators, with line ends among them.
  const std::size_t spread = 1 + rng() % (sizeof kAlphabet);
  for (char& c : text) c = kAlphabet[rng() % spread];
  return text;
}

TEST(Blocks, EveryMatcherGivesThePlainRulesMasks) {
  std::mt19937 rng(20261209);
  char block[kBlock];
  const std::pair<char, char> classes[] = {{kCr, kLf}, {kSpace, kTab}, {'\0', '\xff'}, {'a', 'a'}};
  for (int round = 0; round < 20000; ++round) {
    for (char& c : block) c = round % 3 == 0 ? static_cast<char>(rng()) : kAlphabet[rng() % 16];
    for (const auto& [a, b] : classes) {
      const std::uint64_t want = MatchBytes(block, a, b);
      for (const NamedMatcher& m : Matchers())
        ASSERT_EQ(m.match(block, a, b), want) << m.name << ", round " << round;
    }
    for (const NamedMatcher& m : Matchers()) {
      const Classes c = m.classify(block);
      ASSERT_EQ(c.ends, MatchBytes(block, kCr, kLf)) << m.name << ", round " << round;
      ASSERT_EQ(c.seps, MatchBytes(block, kSpace, kTab)) << m.name << ", round " << round;
    }
  }
}

// A text's lines by the plain rule: CR LF, CR or LF ends a line, a Ctrl-Z
// ends the text.
std::vector<std::string> PlainLines(std::string text) {
  text = text.substr(0, text.find('\x1a'));
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && !IsLineEnd(text[end])) ++end;
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
    if (end < text.size() && text[end] == kCr && pos < text.size() && text[pos] == kLf) ++pos;
  }
  return lines;
}

// A line's first `count` words by the plain rule.
std::vector<std::string> PlainWords(const std::string& line, std::size_t count) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (words.size() < count) {
    while (i < line.size() && IsWordSeparator(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsWordSeparator(line[i])) ++i;
    if (i == start) break;
    words.push_back(line.substr(start, i - start));
  }
  return words;
}

TEST(Blocks, TheReaderGivesThePlainLinesAndWordsWithEveryMatcher) {
  std::mt19937 rng(4711);
  for (int round = 0; round < 3000; ++round) {
    const std::string text = RandomText(rng, rng() % 700);
    const std::vector<std::string> lines = PlainLines(text);
    // Buffers small enough for most lines to cross their edge or be longer
    // than them, reads of any size, and each number of words a caller asks.
    const std::size_t buffer = round % 4 == 0 ? TextFile::kBufferSize : 2 + rng() % 300;
    const std::size_t chunk = round % 3 == 0 ? static_cast<std::size_t>(-1) : 1 + rng() % 100;
    const std::size_t want = 1 + rng() % TextFile::kMaxWords;
    for (const NamedMatcher& m : Matchers()) {
      FakePlatform fs;
      fs.files["f"] = text;
      fs.max_read = chunk;
      TextFile file(fs, buffer, &m);
      QuietLog quiet;
      ASSERT_TRUE(file.Open("f"));
      std::size_t n = 0;
      const Status s = ForEachLine(file, LineUse{.words = want}, quiet, [&](std::string_view line) {
        EXPECT_LT(n, lines.size());
        if (n >= lines.size()) return Status::Ok();
        std::vector<std::string> words(file.words().begin(), file.words().end());
        EXPECT_EQ(words, PlainWords(lines[n], want))
            << m.name << ", round " << round << ", line " << n + 1 << ", buffer " << buffer;
        // A line that fits the buffer is the line itself.
        if (lines[n].size() + 2 < buffer) {
          EXPECT_EQ(line, lines[n]) << m.name;
        }
        ++n;
        return Status::Ok();
      });
      ASSERT_TRUE(s.ok());
      EXPECT_EQ(n, lines.size()) << m.name << ", round " << round;
    }
  }
}

TEST(Blocks, WordsAndLineEndsOnEveryBlockAndBufferEdge) {
  // A line whose words end one byte before, on and after each block edge,
  // through a buffer whose own edge moves across them.
  for (std::size_t lead = 0; lead < 2 * kBlock + 3; ++lead) {
    const std::string line = std::string(lead, ' ') + "NAME.RUL\t03-11-26 4k TAG" +
                             std::string(1 + lead % 7, '\t') + "desc";
    const std::string text = line + "\r\n" + line + "\n" + line;
    for (std::size_t buffer : {std::size_t{64}, std::size_t{100}, std::size_t{200}}) {
      for (const NamedMatcher& m : Matchers()) {
        FakePlatform fs;
        fs.files["f"] = text;
        TextFile file(fs, buffer, &m);
        QuietLog quiet;
        ASSERT_TRUE(file.Open("f"));
        int n = 0;
        ASSERT_TRUE(
            ForEachLine(file, LineUse{.words = 4}, quiet, [&](std::string_view) {
              ++n;
              const std::vector<std::string> words(file.words().begin(), file.words().end());
              EXPECT_EQ(words, (std::vector<std::string>{"NAME.RUL", "03-11-26", "4k", "TAG"}))
                  << m.name << ", lead " << lead << ", buffer " << buffer;
              return Status::Ok();
            }).ok());
        EXPECT_EQ(n, 3);
      }
    }
  }
}

}  // namespace
}  // namespace tesvak
