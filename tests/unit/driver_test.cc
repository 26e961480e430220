#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "driver/options.h"
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
  EXPECT_EQ(RunProgram(fs, {}), kExitStopped);
  EXPECT_EQ(fs.console, "Missing setting in config.\r\n");
  EXPECT_EQ(fs.log, std::vector<std::string>{"text tesvak.cfg"});
}

TEST(Options, ShortOptionsCombineAndAnythingElseIsUnknown) {
  const Options nv = ParseOptions({"-nv"}, false);
  EXPECT_TRUE(nv.dry_run && nv.verbose && nv.unknown.empty());
  const Options both = ParseOptions({"--verbose", "-n"}, false);
  EXPECT_TRUE(both.dry_run && both.verbose);
  EXPECT_TRUE(ParseOptions({"/?"}, true).help);
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"-nx"}, {"--dry"}, {"-"}, {"--"}, {"/?"}, {"n"}})
    EXPECT_EQ(ParseOptions(args, false).unknown, args[0]);
  EXPECT_EQ(ParseOptions({"-n", "--bogus", "-V"}, false).unknown, "--bogus");
}

TEST(Driver, ADryRunTakesTheRealRunsPathWithAProbeForEachCreate) {
  const auto run = [](const std::vector<std::string>& args, FakePlatform* fs) {
    fs->files["tesvak.cfg"] = "SQUISHFILE SQ.CFG\r\nRULESPATH R\r\nOUTDIR O\r\n";
    fs->files["SQ.CFG"] = "EchoArea A c:\\m\\A\r\nInclude INC.CFG\r\n";
    fs->files["INC.CFG"] = "EchoArea B c:\\m\\B\r\nEchoArea a c:\\m\\C\r\n";
    fs->files["R\\files.bbs"] = "a.rul x x A\r\nb.rul x x b\r\nz.rul x x Z\r\na.rul x x a\r\n";
    fs->files["R\\a.rul"] = "a";
    fs->files["R\\b.rul"] = "b";
    fs->dirs.insert("O");
    return RunProgram(*fs, args);
  };
  FakePlatform real, dry;
  ASSERT_EQ(run({"-v"}, &real), kExitSuccess);
  ASSERT_EQ(run({"-n"}, &dry), kExitSuccess);
  std::vector<std::string> expected = real.log;
  for (std::string& entry : expected)
    if (entry.starts_with("create ")) entry.replace(0, 6, "probe");
  EXPECT_EQ(dry.log, expected);
  EXPECT_EQ(dry.out, real.out);
  EXPECT_EQ(dry.err, real.err);
  EXPECT_EQ(dry.files.count("O\\A.sqr"), 0u);
  EXPECT_EQ(real.files.at("O\\A.sqr"), "a");
  EXPECT_EQ(real.err,
            "tesvak: warning: INC.CFG:2: echo area a defined again; the first definition counts\n"
            "tesvak: warning: R\\files.bbs:3: no echo area Z\n"
            "tesvak: warning: R\\files.bbs:4: O\\A.sqr again, replacing the copy from line 1\n");
  EXPECT_TRUE(real.console.empty());
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
  EXPECT_EQ(RunProgram(oom, {}), kExitFailure);
  EXPECT_EQ(oom.console,
            "Exception EOutOfMemory in module tesvak at 00401F00.\nOut of memory.\r\n");
  ThrowingPlatform<std::runtime_error> other;
  EXPECT_EQ(RunProgram(other, {}), kExitFailure);
  EXPECT_EQ(other.console, "Exception std::runtime_error in module tesvak at 00401F80.\nboom.\r\n");
}

}  // namespace
}  // namespace tesvak
