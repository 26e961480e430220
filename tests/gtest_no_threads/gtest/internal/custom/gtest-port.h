// GoogleTest built with a C++ runtime that has no threads (the Windows
// toolchain, whose programs need nothing newer than Windows 2000): its one
// use of std::mutex, the start signal of its own thread tests, replaced.
// The program's tests start no threads.
#ifndef TESVAK_TESTS_GTEST_NO_THREADS_PORT_H_
#define TESVAK_TESTS_GTEST_NO_THREADS_PORT_H_

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  void Notify() { notified_ = true; }
  void WaitForNotification() {
    while (!notified_) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing

#endif  // TESVAK_TESTS_GTEST_NO_THREADS_PORT_H_
