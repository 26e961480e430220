#include "config/settings.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace tesvak {
namespace {

Settings Read(const std::string& cfg) {
  FakePlatform fs;
  fs.files["tesvak.cfg"] = cfg;
  Settings s;
  QuietLog log;
  EXPECT_TRUE(ReadSettings(fs, &s, log).ok());
  return s;
}

TEST(Settings, KeysAndValuesAreFoldedAndExtraWordsIgnored) {
  const Settings s = Read(
      "SquishFile c:\\squish\\squish.cfg\r\n"
      "  OutDir  d:\\out more words\r\n"
      "rulespath c:\\bbs\\rules\r\n");
  EXPECT_EQ(s.SquishFile, "C:\\SQUISH\\SQUISH.CFG");
  EXPECT_EQ(s.OutDir, "D:\\OUT");
  EXPECT_EQ(s.RulesPath, "C:\\BBS\\RULES");
}

TEST(Settings, CommentsAndUnknownOrMalformedLinesHaveNoEffect) {
  const Settings s = Read(
      ";OUTDIR commented\r\n"
      " ;OUTDIR not-a-comment-but-no-key\r\n"
      "     \r\n"
      "\r\n"
      "LOGFILE x\r\n"
      "OUTDIR real\r\n");
  EXPECT_EQ(s.OutDir, "REAL");
  EXPECT_EQ(s.SquishFile, "");
}

TEST(Settings, LastKeyWinsAndAKeyWithoutValueEmptiesTheSetting) {
  const Settings s = Read(
      "RULESPATH first\r\nRULESPATH second\r\n"
      "SQUISHFILE sq.cfg\r\nSQUISHFILE\r\n");
  EXPECT_EQ(s.RulesPath, "SECOND");
  EXPECT_EQ(s.SquishFile, "");
}

TEST(Settings, LfEndsALineTabsSeparateAndHighBytesPassUnchanged) {
  const Settings s = Read("OUTDIR\tc:\\\xe4\xf6\xfc\nRULESPATH \t x\r\n\tSquishFile\tsq.cfg\tmore");
  EXPECT_EQ(s.OutDir, "C:\\\xe4\xf6\xfc");
  EXPECT_EQ(s.RulesPath, "X");
  EXPECT_EQ(s.SquishFile, "SQ.CFG");
}

TEST(Settings, AMissingFileStopsWithItsLine) {
  FakePlatform fs;
  Settings s;
  QuietLog log;
  const Status st = ReadSettings(fs, &s, log);
  EXPECT_EQ(st.kind(), Status::Kind::kStop);
  EXPECT_EQ(st.line(), "Config File Not found");
  EXPECT_EQ(fs.log, std::vector<std::string>{"text tesvak.cfg"});
}

TEST(Settings, DirectoriesGetOneTrailingBackslashAndTheSquishFileIsKept) {
  Settings s{"SQ.CFG", "D:\\OUT", "D:\\OUT\\", {}};
  ASSERT_TRUE(NormaliseSettings(&s).ok());
  EXPECT_EQ(s.SquishFile, "SQ.CFG");
  EXPECT_EQ(s.RulesPath, "D:\\OUT\\");
  EXPECT_EQ(s.OutDir, "D:\\OUT\\");
  Settings root{"X", "\\", "/", {}};
  ASSERT_TRUE(NormaliseSettings(&root).ok());
  EXPECT_EQ(root.RulesPath, "\\");
  EXPECT_EQ(root.OutDir, "/\\");
  for (Settings missing :
       {Settings{"", "R", "O", {}}, Settings{"S", "", "O", {}}, Settings{"S", "R", "", {}}})
    EXPECT_EQ(NormaliseSettings(&missing).line(), "Missing setting in config.");
  // Its cause names each missing key, and the line that left it empty.
  Settings two{"S", "", "", {.SquishFile = 1, .RulesPath = 0, .OutDir = 3}};
  EXPECT_EQ(NormaliseSettings(&two).cause().what,
            "missing settings RulesPath (no line sets it), OutDir (no value on line 3)");
}

}  // namespace
}  // namespace tesvak
