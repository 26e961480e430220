// Failing disks and files that change under the program: each fault ends
// the run with its exact report and exit code 1, the copies made before it
// stay whole, the copy it interrupted is the only incomplete file, and no
// input changes.
#include <gtest/gtest.h>

#include "driver/run.h"
#include "fake_platform.h"

namespace tesvak {
namespace {

using Op = FakePlatform::Op;

struct Fault {
  const char* what;
  Op op;
  const char* name;
  int nth;
  ErrorCode code;  // kOk: a short read or write instead of an error
  const char* report;
};

const char kList[] = "R\\files.bbs";
const char kSecond[] = "R\\two.rul";
const char kSecondOut[] = "O\\TWO.sqr";

const Fault kFaults[] = {
    {"the file shrank during the copy", Op::kRead, kSecond, 2, kOk,
     "Exception EInOutError in module tesvak at 00401500.\nRead beyond end of file."},
    {"the disk took fewer bytes", Op::kWrite, kSecondOut, 2, kOk,
     "Exception EInOutError in module tesvak at 00401600.\nDisk full."},
    {"the disk is full", Op::kWrite, kSecondOut, 1, kDiskFull,
     "Exception EInOutError in module tesvak at 00401600.\nI/O error 112."},
    {"a write fails with an unknown code", Op::kWrite, kSecondOut, 2, 1117,
     "Exception EInOutError in module tesvak at 00401600.\nI/O error 1117."},
    {"a read of the rules file fails", Op::kRead, kSecond, 1, 23,
     "Exception EInOutError in module tesvak at 00401500.\nI/O error 23."},
    {"the size query fails", Op::kSize, kSecond, 1, 6,
     "Exception EInOutError in module tesvak at 00401400.\nI/O error 6."},
    {"too many open files", Op::kCreate, kSecondOut, 1, kTooManyOpenFiles,
     "Exception EInOutError in module tesvak at 00401300.\nToo many open files."},
    {"the output is held by another program", Op::kCreate, kSecondOut, 1, kSharingViolation,
     "Exception EInOutError in module tesvak at 00401300.\nI/O error 32."},
    {"closing the output fails", Op::kClose, kSecondOut, 1, kDiskFull,
     "Exception EInOutError in module tesvak at 00401700.\nI/O error 112."},
    {"closing the rules file fails", Op::kClose, kSecond, 1, 1117,
     "Exception EInOutError in module tesvak at 00401800.\nI/O error 1117."},
    {"reading files.bbs fails midway", Op::kRead, kList, 2, 1117,
     "Exception EInOutError in module tesvak at 00401100.\nI/O error 1117."},
    {"closing the settings file fails", Op::kClose, "tesvak.cfg", 1, 5,
     "Exception EInOutError in module tesvak at 00401200.\nFile access denied."},
};

TEST(Faults, EachEndsTheRunWithItsReportAndLosesNothingElse) {
  for (const Fault& f : kFaults) {
    SCOPED_TRACE(f.what);
    FakePlatform fs;
    fs.max_read = 16;
    fs.files["tesvak.cfg"] = "SQUISHFILE SQ.CFG\r\nRULESPATH R\r\nOUTDIR O\r\n";
    fs.files["SQ.CFG"] =
        "EchoArea ONE c:\\m\\ONE\r\nEchoArea TWO c:\\m\\TWO\r\nEchoArea THREE c:\\m\\THREE\r\n";
    fs.files[kList] = "one.rul x x one\r\ntwo.rul x x two\r\nthree.rul x x three\r\n";
    fs.files["R\\one.rul"] = "the first rules file, three reads long";
    fs.files[kSecond] = "the second rules file, which is longer than two reads";
    fs.files["R\\three.rul"] = "the third";
    fs.dirs.insert("O");
    const auto inputs = fs.files;
    if (f.code == kOk)
      fs.ShortOn(f.op, f.name, f.nth);
    else
      fs.FailOn(f.op, f.name, f.nth, f.code);

    EXPECT_EQ(RunProgram(fs, {}), kExitFailure);
    EXPECT_EQ(fs.console, std::string(f.report) + "\r\n");
    for (const auto& [name, bytes] : inputs) EXPECT_EQ(fs.files.at(name), bytes) << name;
    const bool reached_copies = f.name != std::string("tesvak.cfg");
    if (reached_copies) {
      EXPECT_EQ(fs.files["O\\ONE.sqr"], inputs.at("R\\one.rul"));
    }
    EXPECT_EQ(fs.files.count("O\\THREE.sqr"), 0u);
    if (fs.files.count(kSecondOut)) {
      const std::string& partial = fs.files[kSecondOut];
      EXPECT_EQ(inputs.at(kSecond).compare(0, partial.size(), partial), 0);
    }
  }
}

}  // namespace
}  // namespace tesvak
