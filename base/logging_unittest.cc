#include "base/logging.h"

#include <windows.h>

#include <regex>
#include <thread>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace logging {
namespace {

std::vector<std::string>* g_captured = nullptr;

bool CaptureHandler(int, const char*, int, size_t, const std::string& str) {
  g_captured->push_back(str);
  return true;
}

std::string ReadAll(const std::wstring& path) {
  std::string content;
  base::ReadFileToString(base::FilePath(path), &content);
  return content;
}

// Restores the process-wide logging state a test changes.
class LoggingTest : public testing::Test {
 protected:
  void SetUp() override { g_captured = &captured_; }
  void TearDown() override {
    SetLogMessageHandler(nullptr);
    CloseLogFile();
    LoggingSettings settings;
    settings.logging_dest = LOG_TO_STDERR;
    InitLogging(settings);
    SetMinLogLevel(LOG_INFO);
    g_captured = nullptr;
  }

  // A fresh folder for a log file; removed with the test.
  std::wstring MakeScratchFolder() {
    EXPECT_TRUE(temp_dir_.CreateUniqueTempDir());
    return temp_dir_.GetPath().value();
  }

  std::vector<std::string> captured_;
  base::ScopedTempDir temp_dir_;
};

TEST_F(LoggingTest, LineCarriesHeaderFileAndLine) {
  SetLogMessageHandler(&CaptureHandler);
  const int line = __LINE__ + 1;
  LOG(WARNING) << "hello " << std::wstring(L"w\x00FC") << ' ' << 42;
  ASSERT_EQ(1u, captured_.size());
  const std::regex format(
      "\\[(\\d+):(\\d+):\\d{4}/\\d{6}\\.\\d{3}:WARNING:logging_unittest\\.cc\\((\\d+)\\)\\] "
      "hello w\xC3\xBC 42\n");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(captured_[0], match, format)) << captured_[0];
  EXPECT_EQ(std::to_string(GetCurrentProcessId()), match[1].str());
  EXPECT_EQ(std::to_string(GetCurrentThreadId()), match[2].str());
  EXPECT_EQ(std::to_string(line), match[3].str());
}

TEST_F(LoggingTest, WideTextAndPathsAreWrittenAsUTF8) {
  SetLogMessageHandler(&CaptureHandler);
  LOG(INFO) << L"lit\x00E9 " << base::FilePath(L"C:\\\x00FC");
  ASSERT_EQ(1u, captured_.size());
  EXPECT_NE(std::string::npos, captured_[0].find("] lit\xC3\xA9 C:\\\xC3\xBC\n"));
}

TEST_F(LoggingTest, ErrorMacroFromWindowsHeadersStillMeansError) {
  // <wingdi.h> turns ERROR into 0; the line must still say ERROR.
  SetLogMessageHandler(&CaptureHandler);
  LOG(ERROR) << "x";
  ASSERT_EQ(1u, captured_.size());
  EXPECT_NE(std::string::npos, captured_[0].find(":ERROR:"));
}

TEST_F(LoggingTest, PlogAppendsTextOfErrorAtCreationAndKeepsLastError) {
  SetLogMessageHandler(&CaptureHandler);
  SetLastError(ERROR_FILE_NOT_FOUND);
  PLOG(ERROR) << "open " << (SetLastError(ERROR_ACCESS_DENIED), "x");
  ASSERT_EQ(1u, captured_.size());
  EXPECT_NE(std::string::npos, captured_[0].find("] open x: ")) << captured_[0];
  EXPECT_NE(std::string::npos, captured_[0].find("(0x2)\n")) << captured_[0];
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
}

TEST_F(LoggingTest, VerboseLevelComesFromSwitchAtInit) {
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  command_line.AppendSwitchASCII("v", "2");
  LoggingSettings settings;
  settings.logging_dest = LOG_NONE;
  settings.command_line = &command_line;
  InitLogging(settings);
  EXPECT_EQ(2, GetVlogVerbosity());
  SetLogMessageHandler(&CaptureHandler);
  int evaluated = 0;
  VLOG(2) << "two";
  VLOG(3) << "three" << ++evaluated;  // not written, not even evaluated
  EXPECT_EQ(0, evaluated);
  ASSERT_EQ(1u, captured_.size());
  EXPECT_NE(std::string::npos, captured_[0].find(":VERBOSE2:")) << captured_[0];

  // A later change of the switch has no effect until the next InitLogging,
  // and a value that is no number leaves verbose logging off.
  command_line.AppendSwitchASCII("v", "x");
  EXPECT_EQ(2, GetVlogVerbosity());
  InitLogging(settings);
  EXPECT_EQ(0, GetVlogVerbosity());
  // Without a command line there is no verbose logging.
  command_line.AppendSwitchASCII("v", "3");
  settings.command_line = nullptr;
  InitLogging(settings);
  EXPECT_EQ(0, GetVlogVerbosity());
}

TEST_F(LoggingTest, DeleteOldReplacesFileAndAppendKeepsIt) {
  const std::wstring file = MakeScratchFolder() + L"\\test.log";
  ASSERT_TRUE(base::WriteFile(
      base::FilePath(file),
      "old content that is longer than the new line by quite a margin, surely\n"));
  LoggingSettings settings;
  settings.logging_dest = LOG_TO_FILE;
  settings.log_file = file;
  settings.delete_old = DELETE_OLD_LOG_FILE;
  ASSERT_TRUE(InitLogging(settings));
  LOG(INFO) << "first";
  CloseLogFile();
  std::string content = ReadAll(file);
  EXPECT_EQ(std::string::npos, content.find("old content"));
  EXPECT_NE(std::string::npos, content.find("] first\n"));

  settings.delete_old = APPEND_TO_OLD_LOG_FILE;
  ASSERT_TRUE(InitLogging(settings));
  LOG(INFO) << "second";
  CloseLogFile();
  content = ReadAll(file);
  EXPECT_LT(content.find("] first\n"), content.find("] second\n"));
}

TEST_F(LoggingTest, ThreadsDoNotInterleaveLines) {
  LoggingSettings settings;
  settings.logging_dest = LOG_TO_FILE;
  settings.log_file = MakeScratchFolder() + L"\\test.log";
  settings.delete_old = DELETE_OLD_LOG_FILE;
  ASSERT_TRUE(InitLogging(settings));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) LOG(INFO) << "thread " << t << " line " << i << " end";
    });
  }
  for (auto& thread : threads) thread.join();
  CloseLogFile();
  const std::string content = ReadAll(settings.log_file);
  const std::regex line_format("\\[[^\\]]+\\] thread \\d line \\d+ end");
  size_t lines = 0;
  size_t start = 0;
  for (size_t end; (end = content.find('\n', start)) != std::string::npos; start = end + 1) {
    ASSERT_TRUE(std::regex_match(content.substr(start, end - start), line_format));
    ++lines;
  }
  EXPECT_EQ(800u, lines);
}

TEST_F(LoggingTest, MinLevelDropsLinesWithoutEvaluating) {
  SetLogMessageHandler(&CaptureHandler);
  SetMinLogLevel(LOG_ERROR);
  int evaluated = 0;
  LOG(WARNING) << ++evaluated;
  LOG_IF(ERROR, false) << ++evaluated;
  LOG_IF(ERROR, true) << "shown";
  EXPECT_EQ(0, evaluated);
  EXPECT_EQ(1u, captured_.size());
}

TEST_F(LoggingTest, PassingChecksEvaluateOnceAndStaySilent) {
  SetLogMessageHandler(&CaptureHandler);
  int evaluated = 0;
  CHECK(++evaluated == 1) << "not shown";
  CHECK_EQ(2, ++evaluated);
  DCHECK(true);
  DCHECK_NE(1, 2);
  PCHECK(evaluated == 2);
  DLOG_IF(ERROR, false) << "x";
  if (evaluated == 2)
    CHECK(true);
  else
    LOG(ERROR) << "no dangling else";
  EXPECT_EQ(2, evaluated);
  EXPECT_TRUE(captured_.empty());
}

}  // namespace
}  // namespace logging
