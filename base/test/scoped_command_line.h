#ifndef BASE_TEST_SCOPED_COMMAND_LINE_H_
#define BASE_TEST_SCOPED_COMMAND_LINE_H_

#include "base/command_line.h"

namespace base {
namespace test {

// Gives a test its own process command line (a copy of the current one,
// or an empty one when none exists yet) and puts back exactly what was
// there before, including "no instance", when it goes.
class ScopedCommandLine {
 public:
  ScopedCommandLine();
  ScopedCommandLine(const ScopedCommandLine&) = delete;
  ScopedCommandLine& operator=(const ScopedCommandLine&) = delete;
  ~ScopedCommandLine();

  CommandLine* GetProcessCommandLine();

 private:
  CommandLine* saved_;
};

}  // namespace test
}  // namespace base

#endif  // BASE_TEST_SCOPED_COMMAND_LINE_H_
