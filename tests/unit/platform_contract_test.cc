// What every platform must do alike: the real one of the system the tests
// run on (Linux natively, Windows under Wine), in a fresh directory, and the
// in-memory fake the other tests use, which must not drift from it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "fake_platform.h"
#include "platform/platform.h"
#include "real_dir_test.h"

namespace tesvak {
namespace {

namespace fs = std::filesystem;

// A platform and a directory to try it in.  Names below the directory are
// given with '/'; Name() gives the program's name for them.
class World {
 public:
  virtual ~World() = default;
  virtual Platform& os() = 0;
  virtual std::string Name(const std::string& rel) const = 0;
  virtual void Put(const std::string& rel, const std::string& bytes) = 0;
  virtual std::string Get(const std::string& rel) const = 0;
  virtual bool Exists(const std::string& rel) const = 0;
  virtual void MakeDir(const std::string& rel) = 0;
  virtual void Remove(const std::string& rel) = 0;
  // Takes every write permission away (on Windows: the read-only attribute).
  virtual void MakeReadOnly(const std::string& rel) = 0;
};

class RealWorld : public World {
 public:
  RealWorld() : root_(FreshTestDir()) {}
  ~RealWorld() override { RemoveTestDir(root_); }
  Platform& os() override { return *os_; }
  std::string Name(const std::string& rel) const override { return (root_ / rel).string(); }
  void Put(const std::string& rel, const std::string& bytes) override {
    WriteFileBytes(root_ / rel, bytes);
  }
  std::string Get(const std::string& rel) const override { return ReadFileBytes(root_ / rel); }
  bool Exists(const std::string& rel) const override { return fs::exists(root_ / rel); }
  void MakeDir(const std::string& rel) override { fs::create_directories(root_ / rel); }
  void Remove(const std::string& rel) override { fs::remove(root_ / rel); }
  void MakeReadOnly(const std::string& rel) override {
    fs::permissions(root_ / rel,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  }

 private:
  fs::path root_;
  std::unique_ptr<Platform> os_ = MakeSystemPlatform();
};

class FakeWorld : public World {
 public:
  FakeWorld() { fake_.dirs.insert("T"); }
  Platform& os() override { return fake_; }
  std::string Name(const std::string& rel) const override {
    std::string name = "T\\" + rel;
    for (char& c : name)
      if (c == '/') c = '\\';
    return name;
  }
  void Put(const std::string& rel, const std::string& bytes) override {
    fake_.files[Name(rel)] = bytes;
  }
  std::string Get(const std::string& rel) const override { return fake_.files.at(Name(rel)); }
  bool Exists(const std::string& rel) const override {
    return fake_.files.count(Name(rel)) || fake_.dirs.count(Name(rel));
  }
  void MakeDir(const std::string& rel) override { fake_.dirs.insert(Name(rel)); }
  void Remove(const std::string& rel) override { fake_.files.erase(Name(rel)); }
  void MakeReadOnly(const std::string& rel) override { fake_.read_only.insert(Name(rel)); }

 private:
  FakePlatform fake_;
};

// The parameter names the implementation: "System" or "Fake".
class PlatformContract : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "System")
      world_ = std::make_unique<RealWorld>();
    else
      world_ = std::make_unique<FakeWorld>();
    world_->MakeDir("dir");
  }
  Platform& os() { return world_->os(); }
  std::string Name(const std::string& rel) const { return world_->Name(rel); }
  std::string Get(const std::string& rel) const { return world_->Get(rel); }
  void Put(const std::string& rel, const std::string& bytes) { world_->Put(rel, bytes); }

  std::unique_ptr<World> world_;
};

TEST_P(PlatformContract, FailedOpensGiveTheWindowsCodes) {
  FileId f;
  EXPECT_EQ(os().OpenText(Name("missing"), &f), kFileNotFound);
  EXPECT_EQ(os().OpenRead(Name("missing"), &f), kFileNotFound);
  EXPECT_EQ(os().OpenText(Name("nodir/missing"), &f), kPathNotFound);
  EXPECT_EQ(os().OpenRead(Name("nodir/missing"), &f), kPathNotFound);
  EXPECT_EQ(os().Create(Name("nodir/x.sqr"), &f), kPathNotFound);
  EXPECT_EQ(os().OpenText(Name("dir"), &f), kAccessDenied);
  EXPECT_EQ(os().OpenRead(Name("dir"), &f), kAccessDenied);
  EXPECT_EQ(os().Create(Name("dir"), &f), kAccessDenied);
  EXPECT_FALSE(world_->Exists("nodir"));
}

TEST_P(PlatformContract, ANameHoldingANulIsRefusedWhole) {
  Put("x", "x");
  FileId f;
  EXPECT_EQ(os().OpenText(Name("x") + std::string("\0y", 2), &f), kInvalidName);
  EXPECT_EQ(os().OpenRead(Name("x") + std::string("\0y", 2), &f), kInvalidName);
  EXPECT_EQ(os().Create(Name("x") + std::string("\0y", 2), &f), kInvalidName);
  // Too long and holding a NUL: the length is told first.
  EXPECT_EQ(os().Create(Name(std::string(kMaxName, 'x')) + std::string("\0y", 2), &f),
            kNameTooLong);
  EXPECT_EQ(Get("x"), "x");
}

TEST_P(PlatformContract, ANameLongerThan259BytesIsRefusedNeverCut) {
  // Cut to 259 bytes, the output's name would be the existing file's.
  const std::string leaf(kMaxName - (Name("x").size() - 1), 'k');
  Put(leaf, "kept");
  ASSERT_EQ(Name(leaf).size(), kMaxName);
  FileId f;
  ASSERT_EQ(os().OpenRead(Name(leaf), &f), kOk);
  EXPECT_EQ(os().Close(f), kOk);
  EXPECT_EQ(os().Create(Name(leaf) + ".sqr", &f), kNameTooLong);
  EXPECT_EQ(os().OpenText(Name(leaf) + "x", &f), kNameTooLong);
  EXPECT_EQ(os().OpenRead(Name(leaf) + "x", &f), kNameTooLong);
  EXPECT_EQ(Get(leaf), "kept");
}

TEST_P(PlatformContract, ATextInputIsNeverAnOutputOpenOrClosed) {
  Put("files.bbs", "list");
  Put("squish.cfg", "cfg");
  FileId text, cfg, again, dest;
  ASSERT_EQ(os().OpenText(Name("squish.cfg"), &cfg), kOk);
  EXPECT_EQ(os().Close(cfg), kOk);
  ASSERT_EQ(os().OpenText(Name("files.bbs"), &text), kOk);
  EXPECT_EQ(os().Create(Name("files.bbs"), &dest), kSharingViolation);
  EXPECT_EQ(os().Create(Name("squish.cfg"), &dest), kSharingViolation);
  FileKey existing;
  EXPECT_EQ(os().ProbeCreate(Name("squish.cfg"), &existing), kSharingViolation);
  // Open as a source too, it is the same file: left alone, not an error.
  ASSERT_EQ(os().OpenRead(Name("files.bbs"), &again), kOk);
  EXPECT_EQ(os().Create(Name("files.bbs"), &dest), kSameFile);
  EXPECT_EQ(os().Close(again), kOk);
  EXPECT_EQ(os().Close(text), kOk);
  EXPECT_EQ(os().Create(Name("files.bbs"), &dest), kSharingViolation);
  EXPECT_EQ(Get("files.bbs"), "list");
  EXPECT_EQ(Get("squish.cfg"), "cfg");
}

TEST_P(PlatformContract, WhatAFileIsComesBeforeWhetherItMayBeWritten) {
  // Read-only, and so not to be written by anyone: yet the open source is
  // skipped, not refused, and a text input is refused as a text input.
  Put("source.sqr", "s");
  Put("list", "l");
  world_->MakeReadOnly("source.sqr");
  world_->MakeReadOnly("list");
  FileId source, list, f;
  FileKey existing;
  ASSERT_EQ(os().OpenRead(Name("source.sqr"), &source), kOk);
  ASSERT_EQ(os().OpenText(Name("list"), &list), kOk);
  EXPECT_EQ(os().Create(Name("source.sqr"), &f), kSameFile);
  EXPECT_EQ(os().ProbeCreate(Name("source.sqr"), &existing), kSameFile);
  EXPECT_EQ(os().Close(list), kOk);
  EXPECT_EQ(os().Create(Name("list"), &f), kSharingViolation);
  EXPECT_EQ(os().ProbeCreate(Name("list"), &existing), kSharingViolation);
  EXPECT_EQ(os().Close(source), kOk);
  EXPECT_EQ(os().Create(Name("source.sqr"), &f), kAccessDenied);
  EXPECT_EQ(os().ProbeCreate(Name("source.sqr"), &existing), kAccessDenied);
  EXPECT_EQ(Get("source.sqr"), "s");
  EXPECT_EQ(Get("list"), "l");
}

TEST_P(PlatformContract, LocateNamesAFileOrWhereOneWouldBeMade) {
  Put("a.cfg", "a");
  FileId a;
  Place here, again, other;
  ASSERT_EQ(os().OpenText(Name("a.cfg"), &a), kOk);
  ASSERT_EQ(os().Locate(Name("a.cfg"), &here), kOk);
  EXPECT_EQ(here.file, os().KeyOf(a));
  EXPECT_EQ(os().Close(a), kOk);
  ASSERT_EQ(os().Locate(Name("dir/new.sqr"), &here), kOk);
  ASSERT_EQ(os().Locate(Name("dir/new.sqr"), &again), kOk);
  ASSERT_EQ(os().Locate(Name("dir/old.sqr"), &other), kOk);
  EXPECT_EQ(here.file, FileKey());
  EXPECT_NE(here.dir, FileKey());
  EXPECT_EQ(here, again);
  EXPECT_NE(here, other);
  EXPECT_EQ(here.dir, other.dir);
  EXPECT_EQ(os().Locate(Name("nodir/x.sqr"), &other), kPathNotFound);
}

TEST_P(PlatformContract, KeysTellOneFileOpenTwiceFromTwoFiles) {
  Put("a.cfg", "a");
  Put("b.cfg", "a");
  FileId a, again, b;
  ASSERT_EQ(os().OpenText(Name("a.cfg"), &a), kOk);
  ASSERT_EQ(os().OpenText(Name("a.cfg"), &again), kOk);
  ASSERT_EQ(os().OpenRead(Name("b.cfg"), &b), kOk);
  EXPECT_EQ(os().KeyOf(a), os().KeyOf(again));
  EXPECT_NE(os().KeyOf(a), os().KeyOf(b));
  EXPECT_NE(os().KeyOf(a), FileKey());
  EXPECT_EQ(os().Close(b), kOk);
  EXPECT_EQ(os().Close(again), kOk);
  EXPECT_EQ(os().Close(a), kOk);
}

TEST_P(PlatformContract, AnOutputChangedSinceItsLastCopyIsCheckedAgain) {
  FileId f, source;
  for (int i = 0; i < 2; ++i) {  // made, then known and written again
    ASSERT_EQ(os().Create(Name("out.sqr"), &f), kOk);
    std::size_t put = 0;
    ASSERT_EQ(os().Write(f, "abc", 3 - i, &put), kOk);
    ASSERT_EQ(os().Close(f), kOk);
  }
  EXPECT_EQ(Get("out.sqr"), "ab");
  // Now the source of the copy: skipped.
  ASSERT_EQ(os().OpenRead(Name("out.sqr"), &source), kOk);
  EXPECT_EQ(os().Create(Name("out.sqr"), &f), kSameFile);
  EXPECT_EQ(os().Close(source), kOk);
  // Now a directory: refused.
  world_->Remove("out.sqr");
  world_->MakeDir("out.sqr");
  EXPECT_EQ(os().Create(Name("out.sqr"), &f), kAccessDenied);
  FileKey existing;
  EXPECT_EQ(os().ProbeCreate(Name("out.sqr"), &existing), kAccessDenied);
}

TEST_P(PlatformContract, ProbingACreateAnswersAsCreateWouldAndTouchesNothing) {
  Put("old.sqr", "old");
  Put("source", "s");
  Put("list", "l");
  FileId source, list, f;
  ASSERT_EQ(os().OpenRead(Name("source"), &source), kOk);
  ASSERT_EQ(os().OpenText(Name("list"), &list), kOk);
  const std::pair<std::string, ErrorCode> cases[] = {
      {Name("new.sqr"), kOk},
      {Name("old.sqr"), kOk},
      {Name("nodir/x.sqr"), kPathNotFound},
      {Name("dir"), kAccessDenied},
      {Name("source"), kSameFile},
      {Name("list"), kSharingViolation},
      {Name(std::string(kMaxName, 'x')), kNameTooLong},
      {Name("x") + std::string("\0y", 2), kInvalidName},
  };
  FileKey existing;
  for (const auto& [name, code] : cases) EXPECT_EQ(os().ProbeCreate(name, &existing), code) << name;
  // The file Create would write: none yet, or the existing one.
  ASSERT_EQ(os().ProbeCreate(Name("new.sqr"), &existing), kOk);
  EXPECT_EQ(existing, FileKey());
  ASSERT_EQ(os().ProbeCreate(Name("old.sqr"), &existing), kOk);
  EXPECT_NE(existing, FileKey());
  EXPECT_NE(existing, os().KeyOf(source));
  EXPECT_FALSE(world_->Exists("new.sqr"));
  EXPECT_EQ(Get("old.sqr"), "old");
  EXPECT_EQ(Get("source"), "s");
  EXPECT_EQ(Get("list"), "l");
  for (const auto& [name, code] : cases) {
    EXPECT_EQ(os().Create(name, &f), code) << name;
    if (code == kOk) {
      EXPECT_EQ(os().Close(f), kOk);
    }
  }
  EXPECT_EQ(os().Close(list), kOk);
  EXPECT_EQ(os().Close(source), kOk);
}

TEST_P(PlatformContract, TheSystemNameOfAFileNamesThatFile) {
  Put("a.cfg", "a");
  FileId a, again;
  ASSERT_EQ(os().OpenText(Name("a.cfg"), &a), kOk);
  ASSERT_EQ(os().OpenText(os().SystemName(Name("a.cfg")), &again), kOk);
  EXPECT_EQ(os().KeyOf(a), os().KeyOf(again));
  EXPECT_EQ(os().Close(again), kOk);
  EXPECT_EQ(os().Close(a), kOk);
}

TEST_P(PlatformContract, CreateTruncatesAndTheBytesGoThroughUnchanged) {
  std::string data;
  for (int i = 0; i < 70000; ++i) data += static_cast<char>(i * 31 + 7);
  Put("src", data);
  Put("dst", std::string(200000, 'x'));
  FileId from, to;
  ASSERT_EQ(os().OpenRead(Name("src"), &from), kOk);
  ASSERT_EQ(os().Create(Name("dst"), &to), kOk);
  std::uint64_t size = 0;
  ASSERT_EQ(os().Size(from, &size), kOk);
  EXPECT_EQ(size, data.size());
  char buf[4096];
  std::size_t got = 0, put = 0;
  do {
    ASSERT_EQ(os().Read(from, buf, sizeof buf, &got), kOk);
    ASSERT_EQ(os().Write(to, buf, got, &put), kOk);
    ASSERT_EQ(put, got);
  } while (got > 0);
  EXPECT_EQ(os().Close(to), kOk);
  EXPECT_EQ(os().Close(from), kOk);
  EXPECT_EQ(Get("dst"), data);
}

INSTANTIATE_TEST_SUITE_P(, PlatformContract, ::testing::Values("System", "Fake"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace tesvak
