// What every real platform must do alike, checked against the system the
// tests run on (Linux natively, Windows under Wine).  The in-memory fake
// makes the same promises.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "real_dir_test.h"

namespace tesvak {
namespace {

namespace fs = std::filesystem;

class PlatformContract : public RealDirTest {
 protected:
  void SetUp() override {
    RealDirTest::SetUp();
    fs::create_directories(root_ / "dir");
  }
};

TEST_F(PlatformContract, FailedOpensGiveTheWindowsCodes) {
  FileId f;
  EXPECT_EQ(os_->OpenText(Name("missing"), &f), kFileNotFound);
  EXPECT_EQ(os_->OpenRead(Name("nodir/missing"), &f), kPathNotFound);
  EXPECT_EQ(os_->OpenText(Name("dir"), &f), kAccessDenied);
  EXPECT_EQ(os_->OpenRead(Name("dir"), &f), kAccessDenied);
  EXPECT_EQ(os_->Create(Name("nodir/x.sqr"), &f), kPathNotFound);
  EXPECT_EQ(os_->Create(Name("dir"), &f), kAccessDenied);
  EXPECT_EQ(os_->OpenText(std::string("a\0b", 3), &f), kInvalidName);
  EXPECT_EQ(os_->Create(Name("x") + std::string("\0y", 2), &f), kInvalidName);
  EXPECT_FALSE(fs::exists(root_ / "x"));
}

TEST_F(PlatformContract, AnOpenTextFileCanBeReadAgainButNotCreatedOver) {
  Put("files.bbs", "list");
  FileId text, again, dest;
  ASSERT_EQ(os_->OpenText(Name("files.bbs"), &text), kOk);
  EXPECT_EQ(os_->Create(Name("files.bbs"), &dest), kSharingViolation);
  // Open as a source too, it is the same file: left alone, not an error.
  ASSERT_EQ(os_->OpenRead(Name("files.bbs"), &again), kOk);
  EXPECT_EQ(os_->Create(Name("files.bbs"), &dest), kSameFile);
  EXPECT_EQ(os_->Close(again), kOk);
  EXPECT_EQ(os_->Close(text), kOk);
  EXPECT_EQ(Get("files.bbs"), "list");
  ASSERT_EQ(os_->Create(Name("files.bbs"), &dest), kOk);  // free again
  EXPECT_EQ(os_->Close(dest), kOk);
  EXPECT_EQ(Get("files.bbs"), "");
}

TEST_F(PlatformContract, CreateTruncatesAndTheBytesGoThroughUnchanged) {
  std::string data;
  for (int i = 0; i < 70000; ++i) data += static_cast<char>(i * 31 + 7);
  Put("src", data);
  Put("dst", std::string(200000, 'x'));
  FileId from, to;
  ASSERT_EQ(os_->OpenRead(Name("src"), &from), kOk);
  ASSERT_EQ(os_->Create(Name("dst"), &to), kOk);
  std::uint64_t size = 0;
  ASSERT_EQ(os_->Size(from, &size), kOk);
  EXPECT_EQ(size, data.size());
  char buf[4096];
  std::size_t got = 0, put = 0;
  do {
    ASSERT_EQ(os_->Read(from, buf, sizeof buf, &got), kOk);
    ASSERT_EQ(os_->Write(to, buf, got, &put), kOk);
    ASSERT_EQ(put, got);
  } while (got > 0);
  EXPECT_EQ(os_->Close(to), kOk);
  EXPECT_EQ(os_->Close(from), kOk);
  EXPECT_EQ(Get("dst"), data);
}

TEST_F(PlatformContract, CreatingOverAFileOpenForReadingLeavesItAlone) {
  Put("a.sqr", "a");
  Put("b.sqr", "b");
  FileId f, dest;
  ASSERT_EQ(os_->OpenRead(Name("a.sqr"), &f), kOk);
  EXPECT_EQ(os_->Create(Name("a.sqr"), &dest), kSameFile);
  ASSERT_EQ(os_->Create(Name("b.sqr"), &dest), kOk);
  EXPECT_EQ(os_->Close(dest), kOk);
  EXPECT_EQ(os_->Close(f), kOk);
  EXPECT_EQ(Get("a.sqr"), "a");
  EXPECT_EQ(Get("b.sqr"), "");
  ASSERT_EQ(os_->Create(Name("a.sqr"), &dest), kOk);  // closed: fair game
  EXPECT_EQ(os_->Close(dest), kOk);
  EXPECT_EQ(Get("a.sqr"), "");
}

}  // namespace
}  // namespace tesvak
