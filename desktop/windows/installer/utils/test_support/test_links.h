#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_TEST_LINKS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_TEST_LINKS_H_

#include <vector>

#include "base/files/file_path.h"

// Links a test plants, removed again (the links, never their targets) when
// it ends.
class TestLinks {
 public:
  TestLinks();
  ~TestLinks();
  TestLinks(const TestLinks&) = delete;
  TestLinks& operator=(const TestLinks&) = delete;

  // Makes `link` lead to the existing `target` (a folder or a file): a
  // junction or a symbolic link where the system makes one, otherwise,
  // under Wine (whose link calls make nothing), a symbolic link of the
  // host's file system, which Wine follows the same way. False when none
  // could be made: the caller skips its test.
  bool Make(const base::FilePath& link, const base::FilePath& target);

 private:
  struct Made {
    base::FilePath link;
    bool on_host;
  };
  std::vector<Made> made_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_TEST_LINKS_H_
