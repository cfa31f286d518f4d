#include "crash_reporter/exception_handler.h"

#include <stdlib.h>

#include <atomic>
#include <cwchar>
#include <exception>

#include "base/logging.h"

namespace crash_reporter {
namespace {

constexpr DWORD kInvalidParameterCode = 0xC000000D;
constexpr DWORD kPureCallCode = 0xC0000025;

std::atomic<ExceptionHandler*> g_handler{nullptr};
std::atomic<bool> g_first_crash_taken{false};

void OnTerminate() {
  ExceptionHandler::HandlePureCall();
}

}  // namespace

ExceptionHandler::ExceptionHandler(const std::wstring& pipe_name,
                                   const CustomClientInfo* custom_info)
    : client_(pipe_name, custom_info) {
  if (!client_.Register())
    return;
  ExceptionHandler* expected = nullptr;
  if (!g_handler.compare_exchange_strong(expected, this)) {
    LOG(ERROR) << "A crash handler is installed already";
    return;
  }
  previous_filter_ = SetUnhandledExceptionFilter(&ExceptionHandler::HandleException);
  _set_invalid_parameter_handler(&ExceptionHandler::HandleInvalidParameter);
  _set_purecall_handler(&ExceptionHandler::HandlePureCall);
  std::set_terminate(&OnTerminate);
}

ExceptionHandler::~ExceptionHandler() {
  ExceptionHandler* self = this;
  if (g_handler.compare_exchange_strong(self, nullptr))
    SetUnhandledExceptionFilter(previous_filter_);
}

void ExceptionHandler::EnterOnce() {
  if (g_first_crash_taken.exchange(true))
    Sleep(INFINITE);  // the first crashing thread ends the process
}

LONG WINAPI ExceptionHandler::HandleException(EXCEPTION_POINTERS* pointers) {
  ExceptionHandler* handler = g_handler.load();
  if (!handler)
    return EXCEPTION_CONTINUE_SEARCH;
  DWORD code = pointers->ExceptionRecord->ExceptionCode;
  if (!handler->handle_debug_exceptions_ &&
      (code == EXCEPTION_BREAKPOINT || code == EXCEPTION_SINGLE_STEP)) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  EnterOnce();
  handler->client_.RequestDump(pointers, nullptr);
  return EXCEPTION_EXECUTE_HANDLER;
}

void ExceptionHandler::HandleInvalidParameter(const wchar_t* expression, const wchar_t* function,
                                              const wchar_t* file, unsigned int line,
                                              uintptr_t) {
  HandleCrtFailure(kInvalidParameterCode, CrashKind::kInvalidParameter, expression, function,
                   file, line);
}

void ExceptionHandler::HandlePureCall() {
  HandleCrtFailure(kPureCallCode, CrashKind::kPureCall, nullptr, nullptr, nullptr, 0);
}

void ExceptionHandler::HandleCrtFailure(DWORD code, CrashKind kind, const wchar_t* expression,
                                        const wchar_t* function, const wchar_t* file,
                                        unsigned int line) {
  EnterOnce();
  CONTEXT context = {};
  RtlCaptureContext(&context);
  EXCEPTION_RECORD record = {};
  record.ExceptionCode = code;
  record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
  EXCEPTION_POINTERS pointers = {&record, &context};
  AssertionInfo assertion = {};
  FillAssertionInfo(kind, expression, function, file, line, &assertion);
  if (ExceptionHandler* handler = g_handler.load())
    handler->client_.RequestDump(&pointers, &assertion);
  TerminateProcess(GetCurrentProcess(), code);
}

bool ExceptionHandler::WriteDumpForException(EXCEPTION_POINTERS* pointers) {
  ExceptionHandler* handler = g_handler.load();
  return handler && handler->client_.RequestDump(pointers, nullptr);
}

}  // namespace crash_reporter
