// The real file system, through the same interface the program uses: what
// the fake promises must hold here too.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/platform.h"
#include "platform/posix_console.h"
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
  EXPECT_EQ(os_->Close(text), kOk);
  EXPECT_EQ(os_->Create(Name("out/link.sqr"), &dest), kSharingViolation);  // read, so never
  fs::remove(root_ / "out/link.sqr");
  fs::create_hard_link(root_ / "rules/files.bbs", root_ / "out/link.sqr");
  EXPECT_EQ(os_->Create(Name("out/link.sqr"), &dest), kSharingViolation);
  EXPECT_EQ(Get("rules/files.bbs"), "list");
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

TEST_F(PosixPlatformTest, AnOutputIsCheckedAfreshEachTimeItIsWritten) {
  const std::string out = Name("out/a.sqr");
  Put("rules/b.rul", "b");
  FileId f, source;
  const auto copy = [&](const char* bytes) {
    std::size_t put = 0;
    return os_->Write(f, bytes, std::strlen(bytes), &put) == kOk && os_->Close(f) == kOk;
  };
  ASSERT_EQ(os_->Create(out, &f), kOk);
  ASSERT_TRUE(copy("first"));
  ASSERT_EQ(os_->Create(out, &f), kOk);  // known now
  ASSERT_TRUE(copy("second"));
  // Made read-only since: kept, even for root.
  fs::permissions(root_ / "out/a.sqr", fs::perms::owner_read);
  EXPECT_EQ(os_->Create(out, &f), kAccessDenied);
  // Replaced by a hard link to the rules file being copied: skipped.
  fs::remove(root_ / "out/a.sqr");
  fs::create_hard_link(root_ / "rules/b.rul", root_ / "out/a.sqr");
  ASSERT_EQ(os_->OpenRead(Name("rules/b.rul"), &source), kOk);
  EXPECT_EQ(os_->Create(out, &f), kSameFile);
  EXPECT_EQ(os_->Close(source), kOk);
  EXPECT_EQ(Get("rules/b.rul"), "b");
  // Replaced by a link to nowhere: creates nothing.
  fs::remove(root_ / "out/a.sqr");
  fs::create_symlink(root_ / "planted", root_ / "out/a.sqr");
  EXPECT_EQ(os_->Create(out, &f), kAccessDenied);
  EXPECT_FALSE(fs::exists(root_ / "planted"));
  // Gone: made anew.
  fs::remove(root_ / "out/a.sqr");
  ASSERT_EQ(os_->Create(out, &f), kOk);
  ASSERT_TRUE(copy("third"));
  EXPECT_EQ(Get("out/a.sqr"), "third");
}

TEST_F(PosixPlatformTest, AnOutDirMadeAnewIsListedAfresh) {
  FileId f;
  ASSERT_EQ(os_->Create(Name("OUT") + "\\Base.sqr", &f), kOk);  // lists out
  ASSERT_EQ(os_->Close(f), kOk);
  fs::rename(root_ / "out", root_ / "out.old");
  fs::create_directories(root_ / "out");
  Put("out/bee.sqr", "old");
  ASSERT_EQ(os_->Create(Name("OUT") + "\\Bee.sqr", &f), kOk);
  std::size_t put = 0;
  ASSERT_EQ(os_->Write(f, "new", 3, &put), kOk);
  ASSERT_EQ(os_->Close(f), kOk);
  EXPECT_EQ(Get("out/bee.sqr"), "new");
  EXPECT_FALSE(fs::exists(root_ / "out/Bee.sqr"));
}

TEST(StandardDescriptors, ClosedOnesAreTakenEvenWithoutANullDevice) {
  // In a child, as the program starts in a chroot without /dev/null: with
  // 0, 1 and 2 closed, a file opened afterwards must not become one of them.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    for (int fd = 0; fd <= 2; ++fd) close(fd);
    const unsigned taken = GuardStandardDescriptors("/nonexistent/null");
    const int file = open("/", O_RDONLY | O_DIRECTORY);
    _exit(taken == 7 && file > 2 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace tesvak
