// Tests against the real platform work in a fresh directory per test under
// the system's temporary directory, removed afterwards.
#ifndef TESVAK_TESTS_REAL_DIR_TEST_H_
#define TESVAK_TESTS_REAL_DIR_TEST_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "platform/platform.h"

namespace tesvak {

// A new empty directory named after the running test.
inline std::filesystem::path FreshTestDir() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string("tesvak-") + test->test_suite_name() + "-" + test->name() + "-" +
                     std::to_string(std::random_device()());
  for (char& c : name)
    if (c == '/') c = '-';  // parameterised tests have slashes in their names
  const std::filesystem::path root = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root);
  return root;
}

// Removes a test directory, whatever permissions the test left inside
// (Windows will not delete a read-only file).
inline void RemoveTestDir(const std::filesystem::path& root) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    if (!entry.is_symlink())
      std::filesystem::permissions(entry.path(),
                                   entry.is_directory() ? std::filesystem::perms::owner_all
                                                        : std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add);
  std::filesystem::remove_all(root);
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class RealDirTest : public ::testing::Test {
 protected:
  void SetUp() override { root_ = FreshTestDir(); }
  void TearDown() override { RemoveTestDir(root_); }

  // The program's name for a file below the test directory.
  std::string Name(const std::string& rel) const { return (root_ / rel).string(); }
  void Put(const std::string& rel, const std::string& bytes) const {
    WriteFileBytes(root_ / rel, bytes);
  }
  std::string Get(const std::string& rel) const { return ReadFileBytes(root_ / rel); }

  std::filesystem::path root_;
  std::unique_ptr<Platform> os_ = MakeSystemPlatform();
};

}  // namespace tesvak

#endif  // TESVAK_TESTS_REAL_DIR_TEST_H_
