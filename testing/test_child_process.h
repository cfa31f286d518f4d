#ifndef TESTING_TEST_CHILD_PROCESS_H_
#define TESTING_TEST_CHILD_PROCESS_H_

#include <string>

// The test executable doubles as a helper program: started with
// "--test-child-role=NAME" it runs the role registered under NAME and exits
// with its result, so tests of runners, mailslots and elevation can use real
// processes. A copy of it named NAME.exe runs the role "program_NAME"
// without any switch, to stand in for a system program started by name.
namespace testing_support {

using TestChildRole = int (*)();

// Registers a role; used through TEST_CHILD_ROLE at namespace scope.
bool RegisterTestChildRole(const char* name, TestChildRole role);

// The role named on the command line, or nullptr.
TestChildRole FindTestChildRole(const std::wstring& command_line);

// A command line that starts this executable in `role`, followed by `args`
// (already quoted by the caller).
std::wstring GetTestChildCommandLine(const std::string& role,
                                     const std::wstring& args = std::wstring());

// Another program of the user: this executable in `role` with `args`; its
// exit code, or -1 when it did not start or did not end within 60 seconds.
int RunTestChild(const std::string& role, const std::wstring& args = std::wstring());

// The same in a copy of this executable that Wine tells it runs on Windows
// 10, whatever the prefix is set to.
int RunTestChildAsWindows10(const std::string& role);

}  // namespace testing_support

#define TEST_CHILD_ROLE(name)                                              \
  static int TestChildRole_##name();                                       \
  static const bool test_child_role_registered_##name =                    \
      ::testing_support::RegisterTestChildRole(#name, &TestChildRole_##name); \
  static int TestChildRole_##name()

#endif  // TESTING_TEST_CHILD_PROCESS_H_
