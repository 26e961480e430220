#include "platform/reparse.h"

#include <gtest/gtest.h>

#include <vector>

namespace tesvak {
namespace {

// A REPARSE_DATA_BUFFER as Windows lays it out: tag, data length, reserved,
// the substitute and print names' offsets and lengths, a symbolic link's
// flags, then both names in UTF-16.
std::vector<std::uint8_t> Data(std::uint32_t tag, const std::u16string& substitute,
                               const std::u16string& print, std::uint32_t flags) {
  std::vector<std::uint8_t> out;
  const auto put = [&out](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const bool symlink = tag == 0xA000000Cu;
  const auto bytes = [](const std::u16string& s) {
    return static_cast<std::uint32_t>(2 * s.size());
  };
  put(tag, 4);
  put(8 + (symlink ? 4 : 0) + bytes(substitute) + bytes(print), 2);
  put(0, 2);
  put(0, 2);
  put(bytes(substitute), 2);
  put(bytes(substitute), 2);
  put(bytes(print), 2);
  if (symlink) put(flags, 4);
  for (const std::u16string* s : {&substitute, &print})
    for (char16_t c : *s) put(c, 2);
  return out;
}

TEST(Reparse, LinksAndJunctionsGiveTheNameTheyLeadTo) {
  LinkTarget t;
  ASSERT_TRUE(ParseReparseData(
      Data(0xA000000Cu, u"\\??\\C:\\BBS\\OUT\\AREA.sqr", u"C:\\BBS\\OUT\\AREA.sqr", 0), &t));
  EXPECT_EQ(t.path, u"C:\\BBS\\OUT\\AREA.sqr");
  EXPECT_FALSE(t.relative);
  ASSERT_TRUE(ParseReparseData(Data(0xA000000Cu, u"..\\RULES\\A.RUL", u"..\\RULES\\A.RUL", 1), &t));
  EXPECT_EQ(t.path, u"..\\RULES\\A.RUL");
  EXPECT_TRUE(t.relative);
  // A junction often shows no name: the substitute one, without its prefix.
  ASSERT_TRUE(ParseReparseData(Data(0xA0000003u, u"\\??\\D:\\SQR\\", u"", 0), &t));
  EXPECT_EQ(t.path, u"D:\\SQR\\");
  EXPECT_FALSE(t.relative);
}

TEST(Reparse, OtherReparsePointsAndBadDataAreNoLinks) {
  LinkTarget t;
  // A deduplicated file's tag, say.
  EXPECT_FALSE(ParseReparseData(Data(0x80000013u, u"x", u"x", 0), &t));
  std::vector<std::uint8_t> cut = Data(0xA000000Cu, u"\\??\\C:\\X", u"C:\\X", 0);
  cut.resize(cut.size() - 2);
  EXPECT_FALSE(ParseReparseData(cut, &t));
  EXPECT_FALSE(ParseReparseData(std::vector<std::uint8_t>(7, 0), &t));
  EXPECT_FALSE(ParseReparseData(Data(0xA0000003u, u"\\??\\", u"", 0), &t));
}

}  // namespace
}  // namespace tesvak
