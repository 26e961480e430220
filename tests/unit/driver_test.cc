#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "driver/options.h"
#include "driver/run.h"
#include "fake_platform.h"
#include "real_dir_test.h"

namespace tesvak {
namespace {

TEST(Driver, TheReportEndsItsMessageWithOnePeriod) {
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
  EXPECT_TRUE(nv.dry_run && nv.verbose && nv.refused.empty());
  const Options both = ParseOptions({"--verbose", "-n"}, false);
  EXPECT_TRUE(both.dry_run && both.verbose);
  EXPECT_TRUE(ParseOptions({"/?"}, true).help);
  // An unknown short option is named by its letter; "--" ends the options
  // and nothing may follow it.
  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"-nq"}, "tesvak: unknown option 'q'"},
      {{"--dry"}, "tesvak: unknown option '--dry'"},
      {{"-"}, "tesvak: unknown option '-'"},
      {{"/?"}, "tesvak: unexpected argument '/?'"},
      {{"n"}, "tesvak: unexpected argument 'n'"},
      {{"-n", "--", "-v"}, "tesvak: unexpected argument '-v'"},
      {{"-n", "--bogus", "-V"}, "tesvak: unknown option '--bogus'"},
  };
  for (const auto& [args, why] : refused) EXPECT_EQ(ParseOptions(args, false).refused, why);
  EXPECT_TRUE(ParseOptions({"-n", "--"}, false).refused.empty());
}

TEST(Driver, ADryRunTakesTheRealRunsPathWithAProbeForEachNewOutput) {
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
  // The output planned by line 1 exists for line 4: no second probe.
  EXPECT_EQ(dry.log,
            (std::vector<std::string>{"text tesvak.cfg", "text SQ.CFG", "text INC.CFG",
                                      "text R\\files.bbs", "read R\\a.rul", "probe O\\A.sqr",
                                      "read R\\b.rul", "probe O\\B.sqr", "read R\\a.rul"}));
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

TEST(Driver, ALostListingFailsTheRunOrKeepsItsStop) {
  FakePlatform fs;
  fs.out_failure = kDiskFull;
  EXPECT_EQ(RunProgram(fs, {"--version"}), kExitFailure);
  EXPECT_EQ(fs.err, "tesvak: write error on standard output: output failed\n");
  FakePlatform pipe;
  pipe.out_failure = kBrokenPipe;
  EXPECT_EQ(RunProgram(pipe, {"--help"}), kExitFailure);
  EXPECT_EQ(pipe.err, "");  // its reader went away, and knows
  FakePlatform stopped;
  stopped.out_failure = kDiskFull;
  EXPECT_EQ(RunProgram(stopped, {"-n"}), kExitStopped);
  EXPECT_EQ(stopped.console, "Config File Not found\r\n");
}

// The system's platform, with what it would print kept instead.
class Captured final : public Platform {
 public:
  explicit Captured(Platform& real) : real_(real) {}
  std::string out, err, console;

  ErrorCode OpenText(const std::string& n, FileId* f) override { return real_.OpenText(n, f); }
  ErrorCode OpenRead(const std::string& n, FileId* f) override { return real_.OpenRead(n, f); }
  ErrorCode Create(const std::string& n, FileId* f) override { return real_.Create(n, f); }
  ErrorCode ProbeCreate(const std::string& n, FileKey* k) override {
    return real_.ProbeCreate(n, k);
  }
  ErrorCode Read(FileId f, void* b, std::size_t n, std::size_t* got) override {
    return real_.Read(f, b, n, got);
  }
  ErrorCode Write(FileId f, const void* b, std::size_t n, std::size_t* put) override {
    return real_.Write(f, b, n, put);
  }
  ErrorCode Size(FileId f, std::uint64_t* size) override { return real_.Size(f, size); }
  ErrorCode Close(FileId f) override { return real_.Close(f); }
  FileKey KeyOf(FileId f) override { return real_.KeyOf(f); }
  bool IsNew(FileId f) override { return real_.IsNew(f); }
  std::string SystemName(const std::string& n) override { return real_.SystemName(n); }
  std::string FullName(const std::string& n) override { return real_.FullName(n); }
  std::string WhyFailed(ErrorCode code) override { return real_.WhyFailed(code); }
  ErrorCode Locate(const std::string& n, Place* p) override { return real_.Locate(n, p); }
  void ConsoleLine(std::string_view line) override { console.append(line).append("\n"); }
  void Print(Stream stream, std::string_view line) override {
    (stream == Stream::kOut ? out : err).append(line).append("\n");
  }
  ErrorCode FinishOutput(std::string*) override { return kOk; }
  std::string ModuleName() override { return "tesvak"; }

 private:
  Platform& real_;
};

class DryRun : public RealDirTest {
 protected:
  // Runs the program with `args` in the test directory, as a fresh process
  // would; the outputs are removed afterwards.
  struct Result {
    int code;
    std::string out, err;
  };
  Result Run(const std::vector<std::string>& args) {
    const std::filesystem::path was = std::filesystem::current_path();
    std::filesystem::current_path(root_);
    const std::unique_ptr<Platform> system = MakeSystemPlatform();
    Captured io(*system);
    const int code = RunProgram(io, args);
    std::filesystem::current_path(was);
    return {code, io.out, io.err};
  }
};

TEST_F(DryRun, PredictsTheRunExactlyWhereOutputsMadeByTheRunAreUsedAgain) {
  std::filesystem::create_directories(root_ / "RULES");
  Put("tesvak.cfg", "SQUISHFILE SQUISH.CFG\r\nRULESPATH RULES\r\nOUTDIR RULES\r\n");
  // Two areas whose bases differ in case only, and a line whose rules file
  // is an output made two lines before.
  Put("SQUISH.CFG",
      "EchoArea A C:\\MAIL\\AREA\r\nEchoArea S C:\\MAIL\\Sysop\r\n"
      "EchoArea T C:\\MAIL\\SYSOP\r\n");
  Put("RULES/FILES.BBS",
      "A.RUL x x A\r\nS.RUL x x S\r\nT.RUL x x T\r\nAREA.SQR x x A\r\n"
      "\x1a"
      "A.RUL x x A\r\n");
  Put("RULES/A.RUL", "a");
  Put("RULES/S.RUL", "s");
  Put("RULES/T.RUL", "t");
  const Result dry = Run({"--dry-run"});
  EXPECT_FALSE(std::filesystem::exists(root_ / "RULES/AREA.sqr"));
  const Result real = Run({"--verbose"});
  EXPECT_EQ(dry.code, kExitSuccess);
  EXPECT_EQ(real.code, kExitSuccess);
  EXPECT_EQ(dry.out, real.out);
  EXPECT_EQ(dry.err, real.err);
  EXPECT_NE(real.err.find(":5: text after Ctrl-Z ignored"), std::string::npos);
  EXPECT_NE(real.out.find("(same file, skipped)"), std::string::npos);
  EXPECT_EQ(Get("RULES/AREA.sqr"), "a");
}

// A file system that gives every file one key: one whose index numbers
// are reused, or, with `index` 0, one that reports none.
class OneKey : public FakePlatform {
 public:
  explicit OneKey(std::uint64_t index) : index_(index) {}
  FileKey KeyOf(FileId) override { return {7, index_}; }

 private:
  std::uint64_t index_;
};

TEST(Driver, AgainMeansAnEarlierCopyToTheSameFileNotAKeyAlike) {
  for (std::uint64_t index : {0u, 5u}) {
    OneKey fs(index);
    fs.files["tesvak.cfg"] = "SQUISHFILE SQ.CFG\r\nRULESPATH R\r\nOUTDIR O\r\n";
    fs.files["SQ.CFG"] = "EchoArea A c:\\m\\A\r\nEchoArea B c:\\m\\B\r\n";
    fs.files["R\\files.bbs"] = "a.rul x x A\r\nb.rul x x B\r\na.rul x x A\r\n";
    fs.files["R\\a.rul"] = "a";
    fs.files["R\\b.rul"] = "b";
    fs.dirs.insert("O");
    ASSERT_EQ(RunProgram(fs, {"-v"}), kExitSuccess);
    // B.sqr is made anew, so it is no earlier copy's, whatever its key; the
    // third line writes A.sqr again, which only a key that tells files
    // apart can say.
    const bool again = fs.err.find("O\\A.sqr again") != std::string::npos;
    EXPECT_EQ(again, index != 0) << fs.err;
    EXPECT_EQ(fs.err.find("O\\B.sqr again"), std::string::npos) << fs.err;
  }
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
