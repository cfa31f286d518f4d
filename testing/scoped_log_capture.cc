#include "testing/scoped_log_capture.h"

#include <mutex>

namespace testing_support {
namespace {

std::mutex g_lock;
std::vector<std::string>* g_lines = nullptr;

bool Capture(int, const char*, int, size_t message_start, const std::string& line) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (g_lines)
    g_lines->push_back(line.substr(message_start));
  return false;  // The line still goes where logging sends it.
}

}  // namespace

ScopedLogCapture::ScopedLogCapture() : previous_(logging::GetLogMessageHandler()) {
  std::lock_guard<std::mutex> hold(g_lock);
  delete g_lines;
  g_lines = new std::vector<std::string>();
  logging::SetLogMessageHandler(&Capture);
}

ScopedLogCapture::~ScopedLogCapture() {
  logging::SetLogMessageHandler(previous_);
  std::lock_guard<std::mutex> hold(g_lock);
  delete g_lines;
  g_lines = nullptr;
}

bool ScopedLogCapture::Contains(const std::string& text) const {
  for (const std::string& line : lines()) {
    if (line.find(text) != std::string::npos)
      return true;
  }
  return false;
}

std::vector<std::string> ScopedLogCapture::lines() const {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_lines ? *g_lines : std::vector<std::string>();
}

}  // namespace testing_support
