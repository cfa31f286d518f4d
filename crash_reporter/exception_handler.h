#ifndef CRASH_REPORTER_EXCEPTION_HANDLER_H_
#define CRASH_REPORTER_EXCEPTION_HANDLER_H_

#include <windows.h>

#include <memory>
#include <string>

#include "crash_reporter/crash_generation_client.h"

namespace crash_reporter {

// Hands the process's crashes to the reporter: the unhandled-exception
// filter, the CRT's invalid-parameter and pure-call hooks, and (since GCC
// reaches pure calls through std::terminate) the terminate handler. Only
// the first crashing thread asks for a dump; later ones wait for the end.
// One instance per process.
class ExceptionHandler {
 public:
  // Registers with the reporter behind `pipe_name`; see IsConnected.
  ExceptionHandler(const std::wstring& pipe_name, const CustomClientInfo* custom_info);
  ~ExceptionHandler();
  ExceptionHandler(const ExceptionHandler&) = delete;
  ExceptionHandler& operator=(const ExceptionHandler&) = delete;

  bool IsConnected() const { return client_.IsRegistered(); }
  // Breakpoints and single steps are left to a debugger unless set.
  void set_handle_debug_exceptions(bool handle) { handle_debug_exceptions_ = handle; }

  // The hooks, reachable directly because the CRT never calls the last two
  // under every runtime.
  static LONG WINAPI HandleException(EXCEPTION_POINTERS* pointers);
  static void HandleInvalidParameter(const wchar_t* expression, const wchar_t* function,
                                     const wchar_t* file, unsigned int line, uintptr_t reserved);
  static void HandlePureCall();

  // Writes a dump of `pointers` through the reporter without ending the
  // process. False when no handler is connected.
  static bool WriteDumpForException(EXCEPTION_POINTERS* pointers);

 private:
  // Asks for the dump of a CRT failure with `code` and `kind`, then ends
  // the process with `code`.
  static void HandleCrtFailure(DWORD code, CrashKind kind, const wchar_t* expression,
                               const wchar_t* function, const wchar_t* file, unsigned int line);
  // Lets the first crashing thread through; later ones never return.
  static void EnterOnce();

  CrashGenerationClient client_;
  bool handle_debug_exceptions_ = false;
  LPTOP_LEVEL_EXCEPTION_FILTER previous_filter_ = nullptr;
};

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_EXCEPTION_HANDLER_H_
