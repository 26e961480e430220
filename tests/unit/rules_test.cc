#include <gtest/gtest.h>

#include "base/path.h"
#include "config/echo_areas.h"
#include "config/squish_areas.h"
#include "fake_platform.h"
#include "rules/copy_rules.h"
#include "rules/rename_rules.h"

namespace tesvak {
namespace {

const std::string kSettingsFile = "tesvak.cfg";

class RulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.SquishFile = "SQ.CFG";
    settings_.RulesPath = "R\\";
    settings_.OutDir = "O\\";
    fs_.files["SQ.CFG"] =
        "EchoArea MY.ECHO d:\\mail\\myecho\r\n"
        "EchoArea Other /var/mail/other -$\r\n"
        "EchoArea TRAIL c:\\mail\\\r\n"
        "EchoArea BARE barename\r\n";
    fs_.dirs.insert("O");
  }

  // Reads the areas, then walks `list` as files.bbs.
  Status Run(const std::string& list) {
    fs_.files["R\\files.bbs"] = list;
    return RunRulesPass();
  }
  Status RunRulesPass() {
    table_ = AreaTable();
    QuietLog log;
    RulesPassCounts counts;
    const Status s = ReadEchoAreas(fs_, settings_.SquishFile, {kSettingsFile, 1}, &table_, log);
    return s.ok() ? RenameRules(fs_, settings_, table_, CopyAction::kCopy, log, &counts) : s;
  }

  FakePlatform fs_;
  Settings settings_;
  AreaTable table_;
};

TEST(BaseName, IsWhatFollowsTheLastBackslashOrSlash) {
  EXPECT_EQ(BaseName("C:\\MAIL\\AREA1"), "AREA1");
  EXPECT_EQ(BaseName("/var/spool/area2"), "area2");
  EXPECT_EQ(BaseName("c:\\mixed/dir\\name"), "name");
  EXPECT_EQ(BaseName("c:\\mail\\"), "");
  EXPECT_EQ(BaseName("plain"), "plain");
  EXPECT_EQ(BaseName(""), "");
}

TEST_F(RulesTest, MatchedLinesAreCopiedUnderTheAreaBaseName) {
  fs_.files["R\\myecho.rul"] = std::string("rules\r\n\x1a\0\xff", 10);
  fs_.files["R\\other.rul"] = "";
  fs_.files["R\\bare.rul"] = "b";
  ASSERT_TRUE(Run("myecho.rul 1 2 my.echo\r\n"
                  "   other.rul x y OTHER trailing words\r\n"
                  "\r\n      \r\n"
                  "unknown.rul x y NOSUCH\r\n"
                  "short.rul x y\r\n"
                  "bare.rul x y bare\r\n")
                  .ok());
  EXPECT_EQ(fs_.files["O\\myecho.sqr"], fs_.files["R\\myecho.rul"]);
  EXPECT_EQ(fs_.files["O\\other.sqr"], "");
  EXPECT_EQ(fs_.files["O\\barename.sqr"], "b");
  EXPECT_EQ(fs_.files.count("O\\.sqr"), 0u);  // the tagless line matched nothing
}

TEST_F(RulesTest, ALineWithoutATagNamesNoAreaEvenWhenAnAreaHasNone) {
  fs_.files["SQ.CFG"] = "EchoArea\r\nEchoArea MY.ECHO d:\\mail\\myecho\r\n";
  fs_.files["R\\myecho.rul"] = "m";
  ASSERT_TRUE(Run("; Rules of our areas\r\n"
                  "==========\r\n"
                  "short.rul x y\r\n"
                  "myecho.rul\t1\t2\tmy.echo\r\n")
                  .ok());
  EXPECT_EQ(table_.size(), 2u);  // the bare line still takes a slot
  EXPECT_EQ(fs_.files.count("O\\.sqr"), 0u);
  EXPECT_EQ(fs_.files["O\\myecho.sqr"], "m");
  EXPECT_EQ(fs_.log.back(), "create O\\myecho.sqr");
}

TEST_F(RulesTest, AMissingRulesListStopsAfterTheAreasWereRead) {
  const Status s = RunRulesPass();
  EXPECT_EQ(s.kind(), Status::Kind::kStop);
  EXPECT_EQ(s.line(), "R\\Files.bbs is not found.");
  EXPECT_EQ(fs_.log, (std::vector<std::string>{"text SQ.CFG", "text R\\files.bbs"}));
}

TEST_F(RulesTest, AnUnopenableRulesFileStopsBeforeAnyDestinationIsCreated) {
  fs_.dirs.insert("R\\dir.rul");
  for (const char* name : {"missing.rul", "dir.rul"}) {
    fs_.log.clear();
    const Status s = Run(std::string(name) + " x y MY.ECHO\r\n");
    EXPECT_EQ(s.kind(), Status::Kind::kStop);
    EXPECT_EQ(s.line(), "Error:0001    Please report me");
    EXPECT_EQ(fs_.log.back(), std::string("read R\\") + name);
    EXPECT_EQ(fs_.files.count("O\\myecho.sqr"), 0u);
  }
}

TEST_F(RulesTest, ACopyOntoItselfLeavesTheFileUntouched) {
  settings_.OutDir = "R\\";
  fs_.files["R\\myecho.sqr"] = "keep me";
  ASSERT_TRUE(Run("myecho.sqr x y MY.ECHO\r\n").ok());
  EXPECT_EQ(fs_.files["R\\myecho.sqr"], "keep me");
  EXPECT_TRUE(fs_.OpenNames().empty());
}

TEST_F(RulesTest, TheRulesListCanBeCopiedButNoTextInputIsOverwritten) {
  const std::string list = "files.bbs x y MY.ECHO\r\n";
  ASSERT_TRUE(Run(list).ok());
  EXPECT_EQ(fs_.files["O\\myecho.sqr"], list);

  // The Squish configuration, read before, in the output's place.
  const std::string config = "EchoArea MY.ECHO d:\\mail\\myecho\r\n";
  settings_.SquishFile = "O\\myecho.sqr";
  fs_.files["O\\myecho.sqr"] = config;
  fs_.files["R\\a.rul"] = "a";
  const Status s = Run("a.rul x y MY.ECHO\r\n");
  EXPECT_EQ(s.kind(), Status::Kind::kIoError);
  EXPECT_EQ(s.code(), kSharingViolation);
  EXPECT_EQ(fs_.files["O\\myecho.sqr"], config);
}

}  // namespace
}  // namespace tesvak
