#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_APP_OUTPUT_RUNNER_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_APP_OUTPUT_RUNNER_H_

#include <string>

#include "base/time/time.h"

namespace base {
class CommandLine;
class Lock;
}  // namespace base

// Held around every launch of a child that inherits handles, so that the
// pipes of one launch never leak into another.
base::Lock& GetAppOutputLock();

// Runs a program and captures its standard output.
class AppOutputRunner {
 public:
  virtual ~AppOutputRunner() = default;
  virtual bool Run(const base::CommandLine& command_line, std::string* output) = 0;
};

class AppOutputRunnerImpl : public AppOutputRunner {
 public:
  // A program that has not ended within `time_limit` is terminated and the
  // run fails: an installer never waits forever on a child.
  explicit AppOutputRunnerImpl(base::TimeDelta time_limit = base::TimeDelta::FromMinutes(2));

  bool Run(const base::CommandLine& command_line, std::string* output) override;

 private:
  base::TimeDelta time_limit_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_APP_OUTPUT_RUNNER_H_
