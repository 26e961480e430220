#include <gtest/gtest.h>

#include "fake_platform.h"
#include "rules/copy_rules.h"
#include "rules/rename_rules.h"

namespace tesvak {
namespace {

using Op = FakePlatform::Op;

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
  }

  Status Run(const std::string& list) {
    fs_.files["R\\files.bbs"] = list;
    return RenameRules(fs_, settings_, &table_);
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

TEST_F(RulesTest, AnAreaPathEndingInASeparatorGivesJustTheExtension) {
  fs_.files["R\\t.rul"] = "t";
  ASSERT_TRUE(Run("t.rul x y trail\r\n").ok());
  EXPECT_EQ(fs_.files["O\\.sqr"], "t");
}

TEST_F(RulesTest, AnExistingDestinationIsReplacedCompletely) {
  fs_.files["R\\a.rul"] = "new";
  fs_.files["O\\myecho.sqr"] = "old and much longer contents";
  ASSERT_TRUE(Run("a.rul x y MY.ECHO\r\n").ok());
  EXPECT_EQ(fs_.files["O\\myecho.sqr"], "new");
}

TEST_F(RulesTest, LaterLinesToTheSameOutputWin) {
  fs_.files["R\\a.rul"] = "first";
  fs_.files["R\\b.rul"] = "second";
  ASSERT_TRUE(Run("a.rul x y MY.ECHO\r\nb.rul x y my.echo\r\n").ok());
  EXPECT_EQ(fs_.files["O\\myecho.sqr"], "second");
}

TEST_F(RulesTest, AMissingRulesListStopsAfterTheAreasWereRead) {
  const Status s = RenameRules(fs_, settings_, &table_);
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

TEST_F(RulesTest, TheRulesListItselfCanBeCopiedButNotOverwritten) {
  settings_.OutDir = "O\\";
  const std::string list = "files.bbs x y MY.ECHO\r\n";
  ASSERT_TRUE(Run(list).ok());
  EXPECT_EQ(fs_.files["O\\myecho.sqr"], list);

  fs_.files["SQ.CFG"] = "EchoArea MY.ECHO c:\\x\\files.bbs\r\n";
  settings_.OutDir = "R\\";
  table_ = AreaTable();
  fs_.files["R\\a.rul"] = "a";
  // The destination R\files.bbs.sqr is not the list, so this works ...
  ASSERT_TRUE(Run("a.rul x y MY.ECHO\r\n").ok());
  EXPECT_EQ(fs_.files["R\\files.bbs.sqr"], "a");
}

struct FaultCase {
  const char* what;
  Op op;
  const char* name;
  int nth;
  ErrorCode code;
  bool short_io;
  Site site;
  ErrorCode want;
};

TEST_F(RulesTest, EveryFailureAfterTheOpenEndsTheRunWithItsCodeAndSite) {
  const char* kList = "R\\files.bbs";
  const char* kSrc = "R\\b.rul";
  const char* kDst = "O\\myecho.sqr";
  const FaultCase cases[] = {
      {"create", Op::kCreate, kDst, 1, kPathNotFound, false, Site::kCreate, kPathNotFound},
      {"size", Op::kSize, kSrc, 1, 6, false, Site::kSize, 6},
      {"read error", Op::kRead, kSrc, 2, 1117, false, Site::kRead, 1117},
      {"file shrank", Op::kRead, kSrc, 2, kOk, true, Site::kRead, kReadBeyondEnd},
      {"short write", Op::kWrite, kDst, 1, kOk, true, Site::kWrite, kDiskFull},
      {"disk full", Op::kWrite, kDst, 2, kDiskFullOs, false, Site::kWrite, kDiskFullOs},
      {"too many files", Op::kCreate, kDst, 1, kTooManyOpenFiles, false, Site::kCreate, 4},
      {"close dest", Op::kClose, kDst, 1, 5, false, Site::kCloseDest, 5},
      {"close source", Op::kClose, kSrc, 1, 5, false, Site::kCloseSource, 5},
      {"files.bbs midway", Op::kRead, kList, 2, 4, false, Site::kTextRead, 4},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.what);
    fs_ = FakePlatform();
    SetUp();
    table_ = AreaTable();
    fs_.max_read = 20;
    fs_.files["R\\a.rul"] = "0123456789abcdefghij";                  // one read
    fs_.files[kSrc] = "0123456789abcdefghijKLMNOPQRSTUVWXYZ";  // two reads
    if (c.short_io)
      fs_.ShortOn(c.op, c.name, c.nth);
    else
      fs_.FailOn(c.op, c.name, c.nth, c.code);
    const Status s = Run("a.rul x y other\r\nb.rul x y my.echo\r\n");
    EXPECT_EQ(s.kind(), Status::Kind::kIoError);
    EXPECT_EQ(s.code(), c.want);
    EXPECT_EQ(s.site(), c.site);
    // The copy made before the failure is whole; the inputs are untouched.
    EXPECT_EQ(fs_.files["O\\other.sqr"], fs_.files["R\\a.rul"]);
    EXPECT_EQ(fs_.files[kSrc], "0123456789abcdefghijKLMNOPQRSTUVWXYZ");
  }
}

}  // namespace
}  // namespace tesvak
