#include "base/test/scoped_command_line.h"

namespace base {
namespace test {

ScopedCommandLine::ScopedCommandLine() : saved_(CommandLine::current_process_commandline_) {
  CommandLine::current_process_commandline_ =
      saved_ ? new CommandLine(*saved_) : new CommandLine(CommandLine::NO_PROGRAM);
}

ScopedCommandLine::~ScopedCommandLine() {
  delete CommandLine::current_process_commandline_;
  CommandLine::current_process_commandline_ = saved_;
}

CommandLine* ScopedCommandLine::GetProcessCommandLine() {
  return CommandLine::current_process_commandline_;
}

}  // namespace test
}  // namespace base
