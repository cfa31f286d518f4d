#ifndef BASE_LOGGING_H_
#define BASE_LOGGING_H_

#include <windows.h>

#include <cstddef>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

// Leveled logging:
//   LOG(INFO) << "text";  LOG(WARNING), LOG(ERROR), LOG(FATAL) (crashes).
//   VLOG(2) << "..."  is written when the "v" switch is 2 or more.
//   PLOG(ERROR) << "CreateFile"  appends ": " and the text of GetLastError().
//   CHECK(cond) is always on; DCHECK(cond) only in builds without NDEBUG.
// Each line looks like
//   [pid:tid:MMDD/HHMMSS.mmm:SEVERITY:file.cc(123)] message
namespace base {
class CommandLine;
}

namespace logging {

using LogSeverity = int;
constexpr LogSeverity LOG_VERBOSE = -1;
constexpr LogSeverity LOG_INFO = 0;
constexpr LogSeverity LOG_WARNING = 1;
constexpr LogSeverity LOG_ERROR = 2;
constexpr LogSeverity LOG_FATAL = 3;
constexpr LogSeverity LOG_NUM_SEVERITIES = 4;
// <wingdi.h> defines ERROR as 0, so LOG(ERROR) may arrive as LOG(0).
constexpr LogSeverity LOG_0 = LOG_ERROR;

#if defined(NDEBUG) && !defined(DCHECK_ALWAYS_ON)
#define DCHECK_IS_ON() 0
constexpr LogSeverity LOG_DFATAL = LOG_ERROR;
#else
#define DCHECK_IS_ON() 1
constexpr LogSeverity LOG_DFATAL = LOG_FATAL;
#endif
constexpr LogSeverity LOG_DCHECK = LOG_DFATAL;

enum LoggingDestination : uint32_t {
  LOG_NONE = 0,
  LOG_TO_FILE = 1 << 0,
  LOG_TO_SYSTEM_DEBUG_LOG = 1 << 1,
  LOG_TO_STDERR = 1 << 2,
  LOG_TO_ALL = LOG_TO_FILE | LOG_TO_SYSTEM_DEBUG_LOG | LOG_TO_STDERR,
  LOG_DEFAULT = LOG_TO_FILE,
};

enum OldFileDeletionState { DELETE_OLD_LOG_FILE, APPEND_TO_OLD_LOG_FILE };

struct LoggingSettings {
  uint32_t logging_dest = LOG_DEFAULT;
  // The command line whose switch "v" gives the verbose level (the
  // process's own, from its entry point); none: verbose logging is off.
  const base::CommandLine* command_line = nullptr;
  // Empty: "debug.log" beside the executable.
  std::wstring log_file;
  OldFileDeletionState delete_old = APPEND_TO_OLD_LOG_FILE;
};

// Sets the destinations and opens the log file (replaced first when
// asked). Takes the verbose level from switch "v" of the settings' command
// line as it is now. Returns false when the file cannot be opened; the
// other destinations still work then.
bool InitLogging(const LoggingSettings& settings);
// Closes the log file; later lines go to the other destinations only,
// until the next InitLogging.
void CloseLogFile();

// Lines below `level` are dropped. Default LOG_INFO.
void SetMinLogLevel(int level);
int GetMinLogLevel();
// The highest VLOG level that is written (0 unless "v" says more).
int GetVlogVerbosity();
bool ShouldCreateLogMessage(int severity);

// A handler sees every line before it is written (`str` is the whole line
// with its header and trailing newline; `message_start` is where the
// message text begins). Returning true swallows the line.
using LogMessageHandlerFunction = bool (*)(int severity, const char* file, int line,
                                           size_t message_start, const std::string& str);
void SetLogMessageHandler(LogMessageHandlerFunction handler);
LogMessageHandlerFunction GetLogMessageHandler();

// "The system cannot find the file specified. (0x2)" style text.
std::string SystemErrorCodeToString(DWORD error_code);

class LogMessage {
 public:
  LogMessage(const char* file, int line, LogSeverity severity);
  // For CHECK: "Check failed: <condition>. " starts the message.
  LogMessage(const char* file, int line, const char* condition);
  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;
  virtual ~LogMessage();

  std::ostream& stream() { return stream_; }
  LogSeverity severity() const { return severity_; }

 protected:
  void Flush();

 private:
  void Init(const char* file, int line);

  LogSeverity severity_;
  std::ostringstream stream_;
  size_t message_start_ = 0;
  const char* file_;
  int line_;
  bool flushed_ = false;
};

// PLOG: the error code is taken when the message is created, before
// anything in the streamed expressions can change it.
class Win32ErrorLogMessage : public LogMessage {
 public:
  Win32ErrorLogMessage(const char* file, int line, LogSeverity severity, DWORD error);
  ~Win32ErrorLogMessage() override;

 private:
  DWORD error_;
};

DWORD GetLastSystemErrorCode();

// Makes "cond ? (void)0 : voidify & stream" well-typed.
class LogMessageVoidify {
 public:
  void operator&(std::ostream&) {}
};

}  // namespace logging

// Wide text in log streams is written as UTF-8. Declared in std so that
// argument-dependent lookup finds them from any namespace.
namespace std {
std::ostream& operator<<(std::ostream& out, const wchar_t* wstr);
std::ostream& operator<<(std::ostream& out, const std::wstring& wstr);
std::ostream& operator<<(std::ostream& out, std::wstring_view wstr);
}  // namespace std

#define COMPACT_LOG_EX_INFO(ClassName, ...) \
  ::logging::ClassName(__FILE__, __LINE__, ::logging::LOG_INFO, ##__VA_ARGS__)
#define COMPACT_LOG_EX_WARNING(ClassName, ...) \
  ::logging::ClassName(__FILE__, __LINE__, ::logging::LOG_WARNING, ##__VA_ARGS__)
#define COMPACT_LOG_EX_ERROR(ClassName, ...) \
  ::logging::ClassName(__FILE__, __LINE__, ::logging::LOG_ERROR, ##__VA_ARGS__)
#define COMPACT_LOG_EX_FATAL(ClassName, ...) \
  ::logging::ClassName(__FILE__, __LINE__, ::logging::LOG_FATAL, ##__VA_ARGS__)
#define COMPACT_LOG_EX_DFATAL(ClassName, ...) \
  ::logging::ClassName(__FILE__, __LINE__, ::logging::LOG_DFATAL, ##__VA_ARGS__)
#define COMPACT_LOG_EX_DCHECK(ClassName, ...) \
  ::logging::ClassName(__FILE__, __LINE__, ::logging::LOG_DCHECK, ##__VA_ARGS__)
#define COMPACT_LOG_EX_0(ClassName, ...) COMPACT_LOG_EX_ERROR(ClassName, ##__VA_ARGS__)

#define COMPACT_LOG_INFO COMPACT_LOG_EX_INFO(LogMessage)
#define COMPACT_LOG_WARNING COMPACT_LOG_EX_WARNING(LogMessage)
#define COMPACT_LOG_ERROR COMPACT_LOG_EX_ERROR(LogMessage)
#define COMPACT_LOG_FATAL COMPACT_LOG_EX_FATAL(LogMessage)
#define COMPACT_LOG_DFATAL COMPACT_LOG_EX_DFATAL(LogMessage)
#define COMPACT_LOG_DCHECK COMPACT_LOG_EX_DCHECK(LogMessage)
#define COMPACT_LOG_0 COMPACT_LOG_ERROR

#define LAZY_STREAM(stream, condition) \
  !(condition) ? (void)0 : ::logging::LogMessageVoidify() & (stream)

#define LOG_IS_ON(severity) (::logging::ShouldCreateLogMessage(::logging::LOG_##severity))
#define LOG_STREAM(severity) COMPACT_LOG_##severity.stream()

#define LOG(severity) LAZY_STREAM(LOG_STREAM(severity), LOG_IS_ON(severity))
#define LOG_IF(severity, condition) \
  LAZY_STREAM(LOG_STREAM(severity), LOG_IS_ON(severity) && (condition))

#define VLOG_IS_ON(verbose_level) ((verbose_level) <= ::logging::GetVlogVerbosity())
#define VLOG_STREAM(verbose_level) \
  ::logging::LogMessage(__FILE__, __LINE__, -(verbose_level)).stream()
#define VLOG(verbose_level) LAZY_STREAM(VLOG_STREAM(verbose_level), VLOG_IS_ON(verbose_level))
#define VLOG_IF(verbose_level, condition) \
  LAZY_STREAM(VLOG_STREAM(verbose_level), VLOG_IS_ON(verbose_level) && (condition))

#define PLOG_STREAM(severity) \
  COMPACT_LOG_EX_##severity(Win32ErrorLogMessage, ::logging::GetLastSystemErrorCode()).stream()
#define PLOG(severity) LAZY_STREAM(PLOG_STREAM(severity), LOG_IS_ON(severity))
#define PLOG_IF(severity, condition) \
  LAZY_STREAM(PLOG_STREAM(severity), LOG_IS_ON(severity) && (condition))

#define LOG_ASSERT(condition) \
  LOG_IF(FATAL, !(condition)) << "Assert failed: " #condition ". "

#define CHECK(condition)                                                              \
  (condition) ? (void)0                                                               \
              : ::logging::LogMessageVoidify() &                                      \
                    ::logging::LogMessage(__FILE__, __LINE__, #condition).stream()
#define PCHECK(condition)                                                            \
  LAZY_STREAM(PLOG_STREAM(FATAL), !(condition)) << "Check failed: " #condition ". "
#define CHECK_OP(op, a, b) CHECK((a)op(b))
#define CHECK_EQ(a, b) CHECK_OP(==, a, b)
#define CHECK_NE(a, b) CHECK_OP(!=, a, b)
#define CHECK_LE(a, b) CHECK_OP(<=, a, b)
#define CHECK_LT(a, b) CHECK_OP(<, a, b)
#define CHECK_GE(a, b) CHECK_OP(>=, a, b)
#define CHECK_GT(a, b) CHECK_OP(>, a, b)

#if DCHECK_IS_ON()
#define DLOG(severity) LOG(severity)
#define DLOG_IF(severity, condition) LOG_IF(severity, condition)
#define DVLOG(verbose_level) VLOG(verbose_level)
#define DPLOG(severity) PLOG(severity)
#define DCHECK(condition)                                                             \
  (condition) ? (void)0                                                               \
              : ::logging::LogMessageVoidify() &                                      \
                    ::logging::LogMessage(__FILE__, __LINE__, #condition).stream()
#define DPCHECK(condition) PCHECK(condition)
#else
// Compiled but never evaluated, so operands stay "used".
#define DLOG(severity) LAZY_STREAM(LOG_STREAM(severity), false)
#define DLOG_IF(severity, condition) LAZY_STREAM(LOG_STREAM(severity), false && (condition))
#define DVLOG(verbose_level) LAZY_STREAM(VLOG_STREAM(verbose_level), false)
#define DPLOG(severity) LAZY_STREAM(PLOG_STREAM(severity), false)
#define DCHECK(condition) LAZY_STREAM(LOG_STREAM(DCHECK), false && !(condition))
#define DPCHECK(condition) LAZY_STREAM(PLOG_STREAM(DCHECK), false && !(condition))
#endif

#define DCHECK_OP(op, a, b) DCHECK((a)op(b))
#define DCHECK_EQ(a, b) DCHECK_OP(==, a, b)
#define DCHECK_NE(a, b) DCHECK_OP(!=, a, b)
#define DCHECK_LE(a, b) DCHECK_OP(<=, a, b)
#define DCHECK_LT(a, b) DCHECK_OP(<, a, b)
#define DCHECK_GE(a, b) DCHECK_OP(>=, a, b)
#define DCHECK_GT(a, b) DCHECK_OP(>, a, b)

#define NOTREACHED() DCHECK(false)
#define NOTIMPLEMENTED() LOG(ERROR) << "Not implemented reached in " << __func__

#endif  // BASE_LOGGING_H_
