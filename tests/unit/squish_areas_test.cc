// Where the areas come from: EchoArea lines, Include files and AREAS.BBS.
#include "config/squish_areas.h"

#include <gtest/gtest.h>

#include "base/messages.h"
#include "fake_platform.h"

namespace tesvak {
namespace {

const std::string kSettingsFile = "tesvak.cfg";

using Areas = std::vector<std::pair<std::string, std::string>>;  // tag, path

class SquishAreas : public ::testing::Test {
 protected:
  Status Read() {
    table_ = AreaTable();
    return ReadEchoAreas(fs_, "SQ.CFG", {kSettingsFile, 1}, &table_, log_);
  }
  Areas Table() const {
    Areas areas;
    for (std::size_t i = 0; i < table_.size(); ++i)
      areas.emplace_back(table_[i].Tag, table_[i].Path);
    return areas;
  }
  // Reads an AREAS.BBS of `lines` and gives the areas it defines.
  Areas FromAreasBbs(const std::string& lines) {
    fs_.files["SQ.CFG"] = "AreasBBS AREAS.BBS\n";
    fs_.files["AREAS.BBS"] = lines;
    EXPECT_TRUE(Read().ok());
    return Table();
  }

  FakePlatform fs_;
  AreaTable table_;
  QuietLog log_;
};

TEST_F(SquishAreas, AnIncludedFileIsReadWhereItsIncludeStands) {
  fs_.files["SQ.CFG"] =
      "EchoArea A a\n"
      "include\tmid.cfg\n"
      "EchoArea D d\n";
  fs_.files["mid.cfg"] = "EchoArea B b\nINCLUDE inner.cfg\n";
  fs_.files["inner.cfg"] = "EchoArea C c\n";
  ASSERT_TRUE(Read().ok());
  EXPECT_EQ(Table(), (Areas{{"A", "a"}, {"B", "b"}, {"C", "c"}, {"D", "d"}}));
  EXPECT_TRUE(fs_.OpenNames().empty());
}

TEST_F(SquishAreas, AnIncludeNameIsRelativeToTheCurrentDirectoryNotTheIncludingFile) {
  fs_.files["CFG\\SQ.CFG"] = "Include sub.cfg\nInclude\n";
  fs_.files["CFG\\sub.cfg"] = "EchoArea WRONG wrong\n";
  fs_.files["sub.cfg"] = "EchoArea RIGHT right\n";
  ASSERT_TRUE(ReadEchoAreas(fs_, "CFG\\SQ.CFG", {kSettingsFile, 1}, &table_, log_).ok());
  EXPECT_EQ(Table(), (Areas{{"RIGHT", "right"}}));
}

TEST_F(SquishAreas, AMissingIncludeStopsWithItsNameAsWritten) {
  fs_.files["SQ.CFG"] = "EchoArea A a\nInclude etc\\Missing.cfg\nEchoArea B b\n";
  const Status s = Read();
  EXPECT_EQ(s.kind(), Status::Kind::kStop);
  EXPECT_EQ(s.line(), "etc\\Missing.cfg is not found.");
  EXPECT_TRUE(fs_.OpenNames().empty());
}

TEST_F(SquishAreas, SixteenLevelsOfIncludeAreReadAndTheSeventeenthStops) {
  fs_.files["SQ.CFG"] = "Include L1\n";
  for (int level = 1; level <= 17; ++level) {
    const std::string n = std::to_string(level);
    std::string& file = fs_.files[std::string("L").append(n)];
    file.append("EchoArea A").append(n).append(" p\n");
    file.append("Include L").append(std::to_string(level + 1)).append("\n");
  }
  fs_.files["L16"] = "EchoArea A16 p\n";
  ASSERT_TRUE(Read().ok());
  EXPECT_EQ(table_.size(), 16u);

  fs_.files["L16"] = "EchoArea A16 p\nInclude L17\n";
  const Status s = Read();
  EXPECT_EQ(s.line(), "Include nested deeper than 16 levels: L17");
  EXPECT_EQ(table_.size(), 16u);
  EXPECT_TRUE(fs_.OpenNames().empty());
}

TEST_F(SquishAreas, AFileThatIncludesItselfStopsBeforeItIsReadTwice) {
  fs_.files["SQ.CFG"] = "EchoArea A a\nInclude B.CFG\n";
  fs_.files["B.CFG"] = "EchoArea B b\nInclude SQ.CFG\n";
  const Status s = Read();
  EXPECT_EQ(s.line(), "Include nested deeper than 16 levels: SQ.CFG");
  EXPECT_EQ(Table(), (Areas{{"A", "a"}, {"B", "b"}}));

  fs_.files["SQ.CFG"] = "Include SQ.CFG\n";
  EXPECT_EQ(Read().line(), "Include nested deeper than 16 levels: SQ.CFG");
  EXPECT_TRUE(fs_.OpenNames().empty());
}

TEST_F(SquishAreas, AreasBbsLinesGiveAPathAndATagAsSquishReadsThem) {
  EXPECT_EQ(FromAreasBbs("The Lighthouse BBS ! Jane Sysop\n"
                         "D:\\MSG\\PLAIN PLAIN 2:5020/1042\n"
                         "#$D:\\MSG\\PASS\tPASS\n"
                         "$#D:\\MSG\\BOTH BOTH ; a comment 2:5020/1\n"
                         "$ D:\\MSG\\ALONE ALONE\n"
                         "$D:\\MSG\\AARDVARK\\  AARDVARK\n"
                         "/var/max/msg/unix/ UNIX\n"
                         "D:\\ ROOT\n"
                         "; a comment line\n"
                         "   \t\n"
                         "D:\\MSG\\NOTAG\n"
                         "D:\\MSG\\CUT ;TAG\n"),
            (Areas{{"PLAIN", "D:\\MSG\\PLAIN"},
                   {"PASS", "D:\\MSG\\PASS"},
                   {"BOTH", "D:\\MSG\\BOTH"},
                   {"ALONE", "D:\\MSG\\ALONE"},
                   {"AARDVARK", "D:\\MSG\\AARDVARK"},
                   {"UNIX", "/var/max/msg/unix"},
                   {"ROOT", "D:\\"}}));
}

TEST_F(SquishAreas, OnlyTheFirstAreasBbsLineWithAWordCanBeTheOriginLine) {
  // Without a '!' the first line is an area; a '!' on a later line is
  // part of an ordinary line.
  EXPECT_EQ(FromAreasBbs("; header\n\nD:\\MSG\\FIRST FIRST\nD:\\MSG\\LATER LATER ! x\n"),
            (Areas{{"FIRST", "D:\\MSG\\FIRST"}, {"LATER", "D:\\MSG\\LATER"}}));
  // A '!' after the ';' is cut away with the comment.
  EXPECT_EQ(FromAreasBbs("D:\\MSG\\A A ; ! not an origin\n"), (Areas{{"A", "D:\\MSG\\A"}}));
}

TEST_F(SquishAreas, TheLastAreasBbsLineWinsAndOneWithoutANameTurnsItOff) {
  fs_.files["SQ.CFG"] = "AreasBBS FIRST.BBS\nInclude inc.cfg\nEchoArea E e\n";
  fs_.files["inc.cfg"] = "AREASBBS second.bbs\n";
  fs_.files["second.bbs"] = "origin ! sysop\nD:\\S S\n";
  ASSERT_TRUE(Read().ok());
  EXPECT_EQ(Table(), (Areas{{"E", "e"}, {"S", "D:\\S"}}));  // after the whole configuration

  fs_.files["SQ.CFG"] += "AreasBBS\n";
  ASSERT_TRUE(Read().ok());
  EXPECT_EQ(Table(), (Areas{{"E", "e"}}));

  fs_.files["SQ.CFG"] = "AreasBBS gone.bbs\n";
  EXPECT_EQ(Read().line(), "gone.bbs is not found.");
}

TEST_F(SquishAreas, TheFirstDefinitionOfATagWinsAcrossSourcesAndEveryLineCounts) {
  fs_.files["SQ.CFG"] = "EchoArea DUP first\nInclude inc.cfg\nAreasBBS A.BBS\n";
  fs_.files["inc.cfg"] = "EchoArea dup second\n";
  fs_.files["A.BBS"] = "third Dup\n";
  ASSERT_TRUE(Read().ok());
  EXPECT_EQ(table_.size(), 3u);
  EXPECT_EQ(table_.Find("DUP")->Path, "first");

  // 400 areas in each of three sources: the 1001st line stops the run.
  std::string lines;
  for (int i = 0; i < 400; ++i) lines += "EchoArea T" + std::to_string(i) + " p\n";
  fs_.files["SQ.CFG"] = lines + "Include inc.cfg\nAreasBBS A.BBS\n";
  fs_.files["inc.cfg"] = lines;
  fs_.files["A.BBS"].clear();
  for (int i = 0; i < 400; ++i) fs_.files["A.BBS"] += "p B" + std::to_string(i) + "\n";
  const Status s = Read();
  EXPECT_EQ(s.line(), kAreaLimitLine);
  EXPECT_EQ(table_.size(), kMaxAreas);
  EXPECT_EQ(table_[kMaxAreas - 1].Tag, "B199");
  EXPECT_TRUE(fs_.OpenNames().empty());
}

}  // namespace
}  // namespace tesvak
