#include "base/logging.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "base/command_line.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"

namespace logging {

namespace {

const char* const kSeverityNames[LOG_NUM_SEVERITIES] = {"INFO", "WARNING", "ERROR", "FATAL"};

// Guards the file handle, its name and the destinations, and keeps lines
// of different threads from interleaving.
SRWLOCK g_lock = SRWLOCK_INIT;
HANDLE g_log_file = INVALID_HANDLE_VALUE;
// Until InitLogging runs, lines go to stderr only: nothing is lost and no
// stray file appears beside the program.
uint32_t g_destinations = LOG_TO_STDERR;

std::atomic<int> g_min_log_level{LOG_INFO};
std::atomic<int> g_vlog_level{0};
std::atomic<LogMessageHandlerFunction> g_handler{nullptr};

class ScopedLogLock {
 public:
  ScopedLogLock() { AcquireSRWLockExclusive(&g_lock); }
  ~ScopedLogLock() { ReleaseSRWLockExclusive(&g_lock); }
  ScopedLogLock(const ScopedLogLock&) = delete;
  ScopedLogLock& operator=(const ScopedLogLock&) = delete;
};

const char* BaseName(const char* path) {
  const char* base = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/') base = p + 1;
  return base;
}

void CloseLogFileLocked() {
  if (g_log_file != INVALID_HANDLE_VALUE) {
    CloseHandle(g_log_file);
    g_log_file = INVALID_HANDLE_VALUE;
  }
}

std::wstring DefaultLogFileName() {
  wchar_t module[MAX_PATH * 4];
  const DWORD len = GetModuleFileNameW(nullptr, module, static_cast<DWORD>(std::size(module)));
  std::wstring path(module, len);
  const size_t slash = path.find_last_of(L"\\/");
  path.resize(slash == std::wstring::npos ? 0 : slash + 1);
  return path + L"debug.log";
}

void WriteToDestinations(const std::string& line) {
  ScopedLogLock lock;
  if ((g_destinations & LOG_TO_FILE) && g_log_file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(g_log_file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  if (g_destinations & LOG_TO_SYSTEM_DEBUG_LOG) OutputDebugStringA(line.c_str());
  if (g_destinations & LOG_TO_STDERR) {
    fwrite(line.data(), 1, line.size(), stderr);
    fflush(stderr);
  }
}

[[noreturn]] void ImmediateCrash() {
  if (IsDebuggerPresent()) DebugBreak();
  __builtin_trap();
}

}  // namespace

bool InitLogging(const LoggingSettings& settings) {
  int vlog = 0;
  bool bad_vlog = false;
  if (const base::CommandLine* command_line = settings.command_line) {
    if (command_line->HasSwitch("v")) {
      const std::string value = command_line->GetSwitchValueASCII("v");
      if (!base::StringToInt(value, &vlog) || vlog < 0) {
        vlog = 0;
        bad_vlog = true;
      }
    }
  }
  g_vlog_level = vlog;

  bool ok = true;
  {
    ScopedLogLock lock;
    CloseLogFileLocked();
    g_destinations = settings.logging_dest;
    if (settings.logging_dest & LOG_TO_FILE) {
      const std::wstring name =
          settings.log_file.empty() ? DefaultLogFileName() : settings.log_file;
      const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
      if (settings.delete_old == DELETE_OLD_LOG_FILE) {
        // Truncating in place also replaces a file that another process
        // still has open for reading.
        HANDLE truncate = CreateFileW(name.c_str(), GENERIC_WRITE, share, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        if (truncate != INVALID_HANDLE_VALUE) CloseHandle(truncate);
      }
      // Append access makes every write land at the current end, also when
      // another process writes to the same file.
      g_log_file = CreateFileW(name.c_str(), FILE_APPEND_DATA, share, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
      ok = g_log_file != INVALID_HANDLE_VALUE;
    }
  }
  if (bad_vlog) LOG(WARNING) << "Ignoring invalid verbose level in switch \"v\"";
  return ok;
}

void CloseLogFile() {
  ScopedLogLock lock;
  CloseLogFileLocked();
}

void SetMinLogLevel(int level) { g_min_log_level = level < LOG_FATAL ? level : LOG_FATAL; }
int GetMinLogLevel() { return g_min_log_level; }

int GetVlogVerbosity() {
  const int from_min_level = LOG_INFO - g_min_log_level.load();
  const int from_switch = g_vlog_level.load();
  return from_switch > from_min_level ? from_switch : from_min_level;
}

bool ShouldCreateLogMessage(int severity) { return severity >= g_min_log_level.load(); }

void SetLogMessageHandler(LogMessageHandlerFunction handler) { g_handler = handler; }
LogMessageHandlerFunction GetLogMessageHandler() { return g_handler; }

std::string SystemErrorCodeToString(DWORD error_code) {
  wchar_t buffer[512];
  const DWORD len = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error_code, 0, buffer,
                                   static_cast<DWORD>(std::size(buffer)), nullptr);
  if (len == 0) return base::StringPrintf("Error (0x%lX)", static_cast<unsigned long>(error_code));
  std::wstring text;
  base::TrimWhitespace(std::wstring_view(buffer, len), base::TRIM_ALL, &text);
  return base::StringPrintf("%s (0x%lX)", base::WideToUTF8(text).c_str(),
                            static_cast<unsigned long>(error_code));
}

DWORD GetLastSystemErrorCode() { return ::GetLastError(); }

LogMessage::LogMessage(const char* file, int line, LogSeverity severity)
    : severity_(severity), file_(file), line_(line) {
  Init(file, line);
}

LogMessage::LogMessage(const char* file, int line, const char* condition)
    : severity_(LOG_FATAL), file_(file), line_(line) {
  Init(file, line);
  stream_ << "Check failed: " << condition << ". ";
}

void LogMessage::Init(const char* file, int line) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  stream_ << '[' << GetCurrentProcessId() << ':' << GetCurrentThreadId() << ':';
  char stamp[32];
  snprintf(stamp, sizeof(stamp), "%02u%02u/%02u%02u%02u.%03u:", now.wMonth, now.wDay, now.wHour,
           now.wMinute, now.wSecond, now.wMilliseconds);
  stream_ << stamp;
  if (severity_ >= 0)
    stream_ << kSeverityNames[severity_ < LOG_NUM_SEVERITIES ? severity_ : LOG_FATAL];
  else
    stream_ << "VERBOSE" << -severity_;
  stream_ << ':' << BaseName(file) << '(' << line << ")] ";
  message_start_ = static_cast<size_t>(stream_.tellp());
}

void LogMessage::Flush() {
  if (flushed_) return;
  flushed_ = true;
  stream_ << '\n';
  const std::string line = stream_.str();
  LogMessageHandlerFunction handler = g_handler.load();
  if (!handler || !handler(severity_, file_, line_, message_start_, line))
    WriteToDestinations(line);
}

LogMessage::~LogMessage() {
  // Keep the caller's last error: logging must not change what it reports.
  const DWORD saved_error = ::GetLastError();
  Flush();
  if (severity_ == LOG_FATAL) ImmediateCrash();
  ::SetLastError(saved_error);
}

Win32ErrorLogMessage::Win32ErrorLogMessage(const char* file, int line, LogSeverity severity,
                                           DWORD error)
    : LogMessage(file, line, severity), error_(error) {}

Win32ErrorLogMessage::~Win32ErrorLogMessage() {
  const DWORD saved_error = ::GetLastError();
  stream() << ": " << SystemErrorCodeToString(error_);
  ::SetLastError(saved_error);
}

}  // namespace logging

namespace std {

std::ostream& operator<<(std::ostream& out, const wchar_t* wstr) {
  return out << base::WideToUTF8(wstr ? std::wstring_view(wstr) : std::wstring_view());
}
std::ostream& operator<<(std::ostream& out, const std::wstring& wstr) {
  return out << base::WideToUTF8(wstr);
}
std::ostream& operator<<(std::ostream& out, std::wstring_view wstr) {
  return out << base::WideToUTF8(wstr);
}

}  // namespace std
