// The real file system, through the same interface the program uses: what
// the fake promises must hold here too.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/platform.h"
#include "platform/posix_errors.h"
#include "real_dir_test.h"

namespace tesvak {
namespace {

namespace fs = std::filesystem;

class PosixPlatformTest : public RealDirTest {
 protected:
  void SetUp() override {
    RealDirTest::SetUp();
    fs::create_directories(root_ / "rules");
    fs::create_directories(root_ / "out");
  }
};

TEST_F(PosixPlatformTest, AFileOnTheWayIsAMissingDirectory) {
  Put("plain", "x");
  FileId f;
  EXPECT_EQ(os_->OpenRead(Name("plain/below"), &f), kPathNotFound);
}

TEST_F(PosixPlatformTest, NamesAreFoundIgnoringCaseAndBackslashesSeparate) {
  Put("rules/Files.Bbs", "list");
  const std::string upper = (root_ / "RULES").string() + "\\FILES.BBS";
  FileId f;
  ASSERT_EQ(os_->OpenText(upper, &f), kOk);
  char buf[8];
  std::size_t got = 0;
  ASSERT_EQ(os_->Read(f, buf, sizeof buf, &got), kOk);
  EXPECT_EQ(std::string(buf, got), "list");
  EXPECT_EQ(os_->Close(f), kOk);
}

TEST_F(PosixPlatformTest, CreatingReplacesAFileOfAnotherCaseInPlace) {
  Put("out/Area.SQR", "old contents");
  FileId f;
  ASSERT_EQ(os_->Create(Name("OUT") + "\\AREA.sqr", &f), kOk);
  std::size_t put = 0;
  ASSERT_EQ(os_->Write(f, "new", 3, &put), kOk);
  ASSERT_EQ(os_->Close(f), kOk);
  EXPECT_EQ(Get("out/Area.SQR"), "new");
  EXPECT_FALSE(fs::exists(root_ / "out/AREA.sqr"));
}

TEST_F(PosixPlatformTest, AFileWithoutWriteBitsIsReadOnlyEvenForRoot) {
  Put("out/ro.sqr", "keep");
  fs::permissions(root_ / "out/ro.sqr", fs::perms::owner_read | fs::perms::group_read);
  FileId f;
  EXPECT_EQ(os_->Create(Name("out/ro.sqr"), &f), kAccessDenied);
  EXPECT_EQ(Get("out/ro.sqr"), "keep");
  // Reading it is fine.
  ASSERT_EQ(os_->OpenRead(Name("out/ro.sqr"), &f), kOk);
  EXPECT_EQ(os_->Close(f), kOk);
}

TEST_F(PosixPlatformTest, AnOpenTextFileCannotBeCreatedOverThroughALink) {
  Put("rules/files.bbs", "list");
  fs::create_symlink(root_ / "rules/files.bbs", root_ / "out/link.sqr");
  FileId text, dest;
  ASSERT_EQ(os_->OpenText(Name("rules/files.bbs"), &text), kOk);
  EXPECT_EQ(os_->Create(Name("out/link.sqr"), &dest), kSharingViolation);
  EXPECT_EQ(Get("rules/files.bbs"), "list");
  EXPECT_EQ(os_->Close(text), kOk);
  ASSERT_EQ(os_->Create(Name("out/link.sqr"), &dest), kOk);  // free again
  EXPECT_EQ(os_->Close(dest), kOk);
}

TEST_F(PosixPlatformTest, CreatingOverTheOpenSourceSeesThroughLinksAndCase) {
  Put("rules/a.sqr", "a");
  fs::create_symlink(root_ / "rules/a.sqr", root_ / "out/b.sqr");
  FileId f, dest;
  ASSERT_EQ(os_->OpenRead(Name("rules/a.sqr"), &f), kOk);
  EXPECT_EQ(os_->Create(Name("RULES") + "\\A.SQR", &dest), kSameFile);
  EXPECT_EQ(os_->Create(Name("out/b.sqr"), &dest), kSameFile);
  EXPECT_EQ(os_->Close(f), kOk);
  EXPECT_EQ(Get("rules/a.sqr"), "a");
}

TEST_F(PosixPlatformTest, TheKernelCopyMovesEveryByteAndStopsAtTheEnd) {
  std::string data(3 * 1024 * 1024 + 5, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  Put("rules/big", data);
  FileId from, to;
  ASSERT_EQ(os_->OpenRead(Name("rules/big"), &from), kOk);
  ASSERT_EQ(os_->Create(Name("out/big.sqr"), &to), kOk);
  std::uint64_t size = 0, moved = 0, total = 0;
  ASSERT_EQ(os_->Size(from, &size), kOk);
  EXPECT_EQ(size, data.size());
  while (os_->CopyChunk(from, to, size - total + 10, &moved)) total += moved;
  EXPECT_EQ(total, data.size());
  EXPECT_EQ(os_->Close(to), kOk);
  EXPECT_EQ(os_->Close(from), kOk);
  EXPECT_EQ(Get("out/big.sqr"), data);
}

TEST_F(PosixPlatformTest, AnOutputWrittenAgainKeepsEveryRefusal) {
  const std::string out = Name("out/a.sqr");
  FileId f, source;
  for (int i = 0; i < 3; ++i) {  // made, checked and written, then known
    ASSERT_EQ(os_->Create(out, &f), kOk);
    std::size_t put = 0;
    ASSERT_EQ(os_->Write(f, "abc", 3 - i, &put), kOk);
    ASSERT_EQ(os_->Close(f), kOk);
  }
  EXPECT_EQ(Get("out/a.sqr"), "a");
  // Open as the source, it is skipped; open as a text file, refused.
  ASSERT_EQ(os_->OpenRead(out, &source), kOk);
  EXPECT_EQ(os_->Create(out, &f), kSameFile);
  EXPECT_EQ(os_->Close(source), kOk);
  ASSERT_EQ(os_->OpenText(out, &source), kOk);
  EXPECT_EQ(os_->Create(out, &f), kSharingViolation);
  EXPECT_EQ(os_->Close(source), kOk);
  EXPECT_EQ(Get("out/a.sqr"), "a");
  // A link to nowhere in its place creates nothing.
  fs::remove(root_ / "out/a.sqr");
  fs::create_symlink(root_ / "planted", root_ / "out/a.sqr");
  EXPECT_EQ(os_->Create(out, &f), kAccessDenied);
  EXPECT_FALSE(fs::exists(root_ / "planted"));
}

TEST(PosixErrors, EveryErrnoGetsTheWindowsCodeForItsFailureOr31) {
  const std::pair<int, ErrorCode> mapped[] = {
      {ENOENT, kFileNotFound},
      {ENOTDIR, kPathNotFound},
      {EMFILE, kTooManyOpenFiles},
      {EACCES, kAccessDenied},
      {EROFS, kAccessDenied},
      {EBADF, kInvalidHandle},
      {EBUSY, kSharingViolation},
      {EPIPE, 109},
      {ENOSPC, kDiskFullOs},
      {EFBIG, kDiskFullOs},
      {EDQUOT, kDiskFullOs},
      {ENAMETOOLONG, kNameTooLong},
      {EIO, kIoDevice},
      {EEXIST, 80},
      {EINVAL, 87},
  };
  for (const auto& [err, code] : mapped) EXPECT_EQ(CodeFromErrno(err), code) << err;
  // Values no file call gives must not pass for Windows codes: ECHILD is
  // 10, which is ERROR_BAD_ENVIRONMENT there, and EPIPE, 32, is not a
  // sharing violation.
  for (int err : {ESRCH, ECHILD, EDOM, ERANGE, ENOEXEC, ECONNREFUSED})
    EXPECT_EQ(CodeFromErrno(err), kGenFailure) << err;
}

}  // namespace
}  // namespace tesvak
