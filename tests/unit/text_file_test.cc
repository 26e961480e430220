#include "config/text_file.h"

#include <gtest/gtest.h>

#include "config/words.h"
#include "fake_platform.h"

namespace tesvak {
namespace {

using Lines = std::vector<std::string>;

// Reads every line of `bytes`, handing them to the reader `chunk` bytes at
// a time so that line ends split across reads are exercised too, through a
// buffer of `buffer` bytes.
Lines ReadAll(const std::string& bytes, std::size_t chunk,
              std::size_t buffer = TextFile::kBufferSize, const LineUse& use = LineUse()) {
  FakePlatform fs;
  fs.files["f"] = bytes;
  fs.max_read = chunk;
  TextFile file(fs, buffer);
  QuietLog quiet;
  EXPECT_TRUE(file.Open("f"));
  Lines lines;
  EXPECT_TRUE(ForEachLine(file, use, quiet, [&](std::string_view l) {
                lines.emplace_back(l);
                EXPECT_EQ(file.line_number(), lines.size());
                return Status::Ok();
              }).ok());
  EXPECT_TRUE(fs.OpenNames().empty());
  return lines;
}

struct LineCase {
  std::string bytes;
  Lines lines;
};

TEST(TextFile, LinesEndAtCrLfCrOrLfAndCtrlZEndsTheText) {
  const std::vector<LineCase> cases = {
      {"", {}},
      {"A", {"A"}},
      {"A\nB", {"A", "B"}},
      {"A\r\n\n", {"A", ""}},
      {"A\n\r\n", {"A", ""}},
      {"A\r\r\n", {"A", ""}},
      {"\n", {""}},
      {"A\r\n\r\n", {"A", ""}},
      {"A\rB\r", {"A", "B"}},
      {"one\ntwo\r\nthree\rfour\n", {"one", "two", "three", "four"}},
      {"\n\n\r\r\n", {"", "", "", ""}},
      {"A\r\nB\x1a"
       "C\r\nD\r\n",
       {"A", "B"}},
      {"\x1a"
       "A\r\n",
       {}},
      {"A\r\n\x1a", {"A"}},
      {"A\r\x1a\r\n", {"A"}},
      {"A\n\x1a\n", {"A"}},
      {std::string("N\0L\x01T\r\n", 7), {std::string("N\0L\x01T", 5)}},
      {"\x80\xfe\xff\n\xe4", {"\x80\xfe\xff", "\xe4"}},
  };
  // Buffers of 2 and 3 bytes make every line but the shortest a long one,
  // whose words (these lines have no separators) are all kept.
  for (std::size_t buffer : {std::size_t{2}, std::size_t{3}, TextFile::kBufferSize}) {
    for (std::size_t chunk :
         {std::size_t{1}, std::size_t{2}, std::size_t{3}, static_cast<std::size_t>(-1)}) {
      for (const LineCase& c : cases)
        EXPECT_EQ(ReadAll(c.bytes, chunk, buffer), c.lines)
            << "input of " << c.bytes.size() << " bytes, chunk " << chunk << ", buffer " << buffer;
    }
  }
}

TEST(TextFile, ALineLongerThanTheBufferKeepsItsWordsEachCutToItsBound) {
  // Three words of a megabyte each, with runs of separators between them;
  // each is kept as its first LineUse::kMaxWord bytes, as a crash's run of
  // NUL bytes would be.
  const std::string word(1024 * 1024, 'w');
  const std::string kept(LineUse::kMaxWord, 'w');
  const std::string line =
      " \t" + word + "a\t \t" + word + "b" + std::string(70000, ' ') + word + "c;d\t";
  const std::string all = " " + kept + " " + kept + " " + kept;
  EXPECT_EQ(ReadAll(line + "\r\nnext", 4096), (Lines{all, "next"}));
  // Only the words used are kept, and a cut ends the line's content.
  EXPECT_EQ(ReadAll(line + "\nnext", 4096, TextFile::kBufferSize, LineUse{.words = 1}),
            (Lines{" " + kept, "next"}));
  const std::string shorter = "x " + std::string(1000, 'y') + "b;c d";
  EXPECT_EQ(ReadAll(shorter, 4096, 64, LineUse{.cuts = true, .cut = ';'}),
            (Lines{"x " + std::string(1000, 'y') + "b"}));
  // However long, a line of separators alone is neither empty nor a word.
  EXPECT_EQ(ReadAll(std::string(300000, '\t') + "\r", 4096), (Lines{" "}));
}

TEST(TextFile, LineEndsOnTheBufferBoundaryAreSeenWhole) {
  // The reader's own buffer is 256 KiB; put the line end across its edge.
  const std::size_t edge = 256 * 1024;
  const std::pair<std::string, Lines> cases[] = {
      {std::string(edge - 1, 'a') + "\r\nb", {std::string(edge - 1, 'a'), "b"}},
      {std::string(edge - 1, 'a') + "\n\nb", {std::string(edge - 1, 'a'), "", "b"}},
      {std::string(edge, 'a') + "\nb", {std::string(edge, 'a'), "b"}},
      {std::string(edge - 2, 'a') + "\r\r\nb", {std::string(edge - 2, 'a'), "", "b"}},
  };
  for (const auto& [bytes, lines] : cases)
    EXPECT_EQ(ReadAll(bytes, static_cast<std::size_t>(-1)), lines);
}

TEST(TextFile, ReadAndCloseFailuresCarryTheirCodes) {
  FakePlatform fs;
  fs.files["f"] = "line one\r\nline two\r\n";
  fs.max_read = 5;
  fs.FailOn(FakePlatform::Op::kRead, "f", 3, 1117);
  TextFile file(fs);
  QuietLog quiet;
  ASSERT_TRUE(file.Open("f"));
  Status s = ForEachLine(file, LineUse(), quiet, [](std::string_view) { return Status::Ok(); });
  EXPECT_EQ(s.kind(), Status::Kind::kIoError);
  EXPECT_EQ(s.code(), 1117u);
  EXPECT_EQ(s.site(), Site::kTextRead);

  FakePlatform fs2;
  fs2.files["f"] = "x";
  fs2.FailOn(FakePlatform::Op::kClose, "f", 1, 6);
  TextFile file2(fs2);
  ASSERT_TRUE(file2.Open("f"));
  s = ForEachLine(file2, LineUse(), quiet, [](std::string_view) { return Status::Ok(); });
  EXPECT_EQ(s.code(), 6u);
  EXPECT_EQ(s.site(), Site::kTextClose);
}

TEST(Words, SpacesAndTabsSeparateAndOneSeparatorAfterTheWordIsConsumed) {
  std::string_view line = "  OutDir  d:\\out extra";
  EXPECT_EQ(NextWord(line), "OutDir");
  EXPECT_EQ(line, " d:\\out extra");
  EXPECT_EQ(NextWord(line), "d:\\out");
  EXPECT_EQ(NextWord(line), "extra");
  EXPECT_EQ(NextWord(line), "");
  EXPECT_EQ(NextWord(line), "");

  std::string_view tabbed = "\tkey\tvalue \t \tK:\\POST\\JNODE\t-$\v\x01";
  EXPECT_EQ(NextWord(tabbed), "key");
  EXPECT_EQ(tabbed, "value \t \tK:\\POST\\JNODE\t-$\v\x01");
  EXPECT_EQ(NextWord(tabbed), "value");
  EXPECT_EQ(NextWord(tabbed), "K:\\POST\\JNODE");
  EXPECT_EQ(NextWord(tabbed), "-$\v\x01");  // other control bytes belong to the word
  EXPECT_EQ(NextWord(tabbed), "");

  const std::string nul("a\0b\xff c", 6);
  std::string_view high = nul;
  EXPECT_EQ(NextWord(high), std::string("a\0b\xff", 4));
  EXPECT_EQ(NextWord(high), "c");

  std::string_view blank = "  \t\t  ";
  EXPECT_EQ(NextWord(blank), "");
  EXPECT_TRUE(blank.empty());
}

TEST(Words, TakeWordsGivesWhatNextWordGivesWhereverTheWordsFall) {
  // A plain byte-by-byte reference, against the block-wise scan.
  const auto reference = [](std::string_view line, std::size_t count) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (words.size() < count) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      const std::size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
      if (i == start) break;
      words.push_back(line.substr(start, i - start));
    }
    return words;
  };
  std::uint32_t seed = 12345;
  const char alphabet[] = {' ', '\t', 'a', 'b', '\0', '\xff', '\v', ';'};
  for (int round = 0; round < 20000; ++round) {
    seed = seed * 1103515245 + 12345;
    std::string line(seed % 70, 'x');
    for (char& c : line) {
      seed = seed * 1103515245 + 12345;
      c = alphabet[(seed >> 16) % (seed % 3 == 0 ? 2 : 8)];
    }
    for (std::size_t count : {std::size_t{1}, std::size_t{4}, std::size_t{40}}) {
      std::string_view words[40];
      const std::size_t found = TakeWords(line, count, words);
      EXPECT_EQ(std::vector<std::string_view>(words, words + found), reference(line, count))
          << "line of " << line.size() << " bytes, " << count << " words";
    }
  }
}

TEST(Words, NextWordOnAHugeLineOfSeparatorsEndsAtOnce) {
  std::string spaces(64 * 1024 * 1024, ' ');
  for (std::size_t i = 0; i < spaces.size(); i += 3) spaces[i] = '\t';
  std::string_view line = spaces;
  EXPECT_EQ(NextWord(line), "");
  EXPECT_TRUE(line.empty());
}

TEST(Words, FoldUpperChangesOnlyAsciiLowerCaseLetters) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  const std::string folded = FoldUpper(all);
  ASSERT_EQ(folded.size(), 256u);
  for (int c = 0; c < 256; ++c) {
    const int want = (c >= 'a' && c <= 'z') ? c - 32 : c;
    EXPECT_EQ(static_cast<unsigned char>(folded[c]), want) << c;
  }
  EXPECT_TRUE(EqualFolded("My.Echo", "MY.ECHO"));
  EXPECT_FALSE(
      EqualFolded("\xe4"
                  "CHO",
                  "\xc4"
                  "CHO"));
  EXPECT_FALSE(EqualFolded("ECHO", "ECHO "));
}

}  // namespace
}  // namespace tesvak
