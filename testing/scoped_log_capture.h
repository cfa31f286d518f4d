#ifndef TESTING_SCOPED_LOG_CAPTURE_H_
#define TESTING_SCOPED_LOG_CAPTURE_H_

#include <string>
#include <vector>

#include "base/logging.h"

namespace testing_support {

// Collects the messages logged while it lives (any thread), so a test can
// check that a failure was reported with the right words.
class ScopedLogCapture {
 public:
  ScopedLogCapture();
  ~ScopedLogCapture();
  ScopedLogCapture(const ScopedLogCapture&) = delete;
  ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;

  // Whether any captured message contains `text`.
  bool Contains(const std::string& text) const;
  std::vector<std::string> lines() const;

 private:
  logging::LogMessageHandlerFunction previous_;
};

}  // namespace testing_support

#endif  // TESTING_SCOPED_LOG_CAPTURE_H_
