// A fixture for tests against the real platform: a fresh directory per test
// under the system's temporary directory, removed afterwards.
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

class RealDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = std::filesystem::temp_directory_path() /
            (std::string("tesvak-") + test->test_suite_name() + "-" + test->name() + "-" +
             std::to_string(std::random_device()()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  void TearDown() override {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_))
      if (entry.is_directory() && !entry.is_symlink())
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add);
    std::filesystem::remove_all(root_);
  }

  // The program's name for a file below the test directory.
  std::string Name(const std::string& rel) const { return (root_ / rel).string(); }
  void Put(const std::string& rel, const std::string& bytes) const {
    std::ofstream(root_ / rel, std::ios::binary) << bytes;
  }
  std::string Get(const std::string& rel) const {
    std::ifstream in(root_ / rel, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  std::filesystem::path root_;
  std::unique_ptr<Platform> os_ = MakeSystemPlatform();
};

}  // namespace tesvak

#endif  // TESVAK_TESTS_REAL_DIR_TEST_H_
