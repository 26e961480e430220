#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "driver/run.h"
#include "fake_platform.h"

namespace tesvak {
namespace {

TEST(Driver, MessagesFollowTheCodeTableAndGetOnePeriod) {
  EXPECT_EQ(MessageForCode(2), "File not found");
  EXPECT_EQ(MessageForCode(3), "Invalid filename");
  EXPECT_EQ(MessageForCode(4), "Too many open files");
  EXPECT_EQ(MessageForCode(5), "File access denied");
  EXPECT_EQ(MessageForCode(100), "Read beyond end of file");
  EXPECT_EQ(MessageForCode(101), "Disk full");
  EXPECT_EQ(MessageForCode(106), "Invalid numeric input");
  EXPECT_EQ(MessageForCode(112), "I/O error 112");
  EXPECT_EQ(FailureReport("EInOutError", "tesvak.exe", 0x00401300, "Invalid filename"),
            "Exception EInOutError in module tesvak.exe at 00401300.\nInvalid filename.");
  EXPECT_EQ(FailureReport("E", "m", 0xABC, "Ends."), "Exception E in module m at 00000ABC.\nEnds.");
  EXPECT_EQ(FailureReport("E", "m", 0, ""), "Exception E in module m at 00000000.\n");
}

TEST(Driver, TwoOfThreeKeysStopBeforeAnythingElseIsOpened) {
  FakePlatform fs;
  fs.files["tesvak.cfg"] = "SQUISHFILE sq.cfg\r\nOUTDIR out\r\n";
  fs.files["SQ.CFG"] = "";
  EXPECT_EQ(RunProgram(fs), kExitStopped);
  EXPECT_EQ(fs.console, "Missing setting in config.\r\n");
  EXPECT_EQ(fs.log, std::vector<std::string>{"text tesvak.cfg"});
}

// A platform whose every open throws, to drive the report of failures
// that are not file errors.
template <typename E>
class ThrowingPlatform : public FakePlatform {
 public:
  ErrorCode OpenText(const std::string&, FileId*) override { throw E("boom"); }
};

class NoMemory : public FakePlatform {
 public:
  ErrorCode OpenText(const std::string&, FileId*) override { throw std::bad_alloc(); }
};

TEST(Driver, OtherFailuresAreReportedWithTheirOwnClassAndMessage) {
  NoMemory oom;
  EXPECT_EQ(RunProgram(oom), kExitFailure);
  EXPECT_EQ(oom.console,
            "Exception EOutOfMemory in module tesvak at 00401F00.\nOut of memory.\r\n");
  ThrowingPlatform<std::runtime_error> other;
  EXPECT_EQ(RunProgram(other), kExitFailure);
  EXPECT_EQ(other.console, "Exception std::runtime_error in module tesvak at 00401F80.\nboom.\r\n");
}

}  // namespace
}  // namespace tesvak
