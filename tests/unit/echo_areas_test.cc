#include "config/echo_areas.h"

#include <gtest/gtest.h>

#include "config/squish_areas.h"
#include "config/words.h"
#include "fake_platform.h"

namespace tesvak {
namespace {

const std::string kSettingsFile = "tesvak.cfg";

std::string Areas(int count) {
  std::string cfg;
  for (int i = 1; i <= count; ++i)
    cfg += "EchoArea AREA" + std::to_string(i) + " C:\\MAIL\\A" + std::to_string(i) + " -$\r\n";
  return cfg;
}

Status Read(const std::string& cfg, AreaTable* table) {
  FakePlatform fs;
  fs.files["SQ.CFG"] = cfg;
  QuietLog log;
  return ReadEchoAreas(fs, "SQ.CFG", {kSettingsFile, 1}, table, log);
}

TEST(EchoAreas, OnlyEchoAreaLinesEnterTheTableWithCaseKept) {
  AreaTable t;
  ASSERT_TRUE(Read("; comment\r\n"
                   "NetArea NETMAIL C:\\MAIL\\NET\r\n"
                   "  EchoArea My.Echo d:\\mail\\myecho -$ 2:2/2\r\n"
                   "ECHOAREA\tRU.JNODE K:\\POST\\RU\\JNODE\t-$ 2:5020/1042\n"
                   "echoarea\r"
                   "ECHOAREA ONLYTAG\r\n",
                   &t)
                  .ok());
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0].Tag, "My.Echo");
  EXPECT_EQ(t[0].Path, "d:\\mail\\myecho");
  EXPECT_EQ(t[1].Tag, "RU.JNODE");
  EXPECT_EQ(t[1].Path, "K:\\POST\\RU\\JNODE");
  EXPECT_EQ(t[2].Tag, "");
  EXPECT_EQ(t[2].Path, "");
  EXPECT_EQ(t[3].Tag, "ONLYTAG");
  EXPECT_EQ(t[3].Path, "");
  EXPECT_EQ(t.NextArea(), 5u);
}

TEST(EchoAreas, LookupIgnoresAsciiCaseAndTheFirstAreaWins) {
  AreaTable t;
  ASSERT_TRUE(Read("ECHOAREA my.echo first\r\n"
                   "ECHOAREA MY.ECHO second\r\n"
                   "ECHOAREA \xe4rger umlaut\r\n",
                   &t)
                  .ok());
  ASSERT_NE(t.Find("My.Echo"), nullptr);
  EXPECT_EQ(t.Find("My.Echo")->Path, "first");
  EXPECT_EQ(t.Find("\xe4RGER")->Path, "umlaut");
  EXPECT_EQ(t.Find("\xc4RGER"), nullptr);  // high bytes are not folded
  EXPECT_EQ(t.Find("MY.ECH"), nullptr);
  EXPECT_EQ(t.Find(""), nullptr);
}

TEST(EchoAreas, LookupFoldsEveryLetterWhereverItStandsInTheTag) {
  for (std::size_t length = 1; length <= 17; ++length) {
    for (std::size_t pos = 0; pos < length; ++pos) {
      AreaTable t;
      std::string tag(length, 'q');
      for (char c = 'a'; c <= 'z'; ++c) {
        tag[pos] = c;
        ASSERT_EQ(t.Add(tag, "p"), AreaTable::Added::kNew);
      }
      std::string lookup(length, 'Q');
      for (char c = 'A'; c <= 'Z'; ++c) {
        lookup[pos] = c;
        ASSERT_NE(t.Find(lookup), nullptr) << lookup;
        EXPECT_TRUE(EqualFolded(t.Find(lookup)->Tag, lookup));
      }
      for (int c = 0x80; c <= 0xFF; ++c) {  // never folded, so never found
        lookup[pos] = static_cast<char>(c);
        EXPECT_EQ(t.Find(lookup), nullptr);
      }
    }
  }
}

TEST(EchoAreas, AThousandAreasFitAndTheNextOneStopsBeforeItIsStored) {
  AreaTable full;
  EXPECT_TRUE(Read(Areas(1000), &full).ok());
  EXPECT_EQ(full.size(), 1000u);
  EXPECT_EQ(full.Find("area1000")->Path, "C:\\MAIL\\A1000");

  AreaTable over;
  const Status s = Read(Areas(1001) + "garbage that is never read\r\n", &over);
  EXPECT_EQ(s.kind(), Status::Kind::kStop);
  EXPECT_EQ(s.line(), "Echo areas > 1000, the table holds 1000 at most.");
  EXPECT_EQ(over.size(), 1000u);
  EXPECT_EQ(over.Find("AREA1001"), nullptr);
}

}  // namespace
}  // namespace tesvak
