// Downloads URL into FILE RUNS times with the installer's WinINet
// downloader and prints each run's seconds and the bytes written.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "desktop/windows/installer/wininet/download_observer.h"
#include "desktop/windows/installer/wininet/file_response_writer.h"
#include "desktop/windows/installer/wininet/test_support/no_window_ui_callback_runner.h"
#include "desktop/windows/installer/wininet/wininet_downloader.h"

namespace {

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_download URL FILE [RUNS]\n");
    return 2;
  }
  const int runs = argc > 3 ? _wtoi(argv[3]) : 1;
  base::MessageLoop loop;
  NoWindowUICallbackRunner runner;
  int failures = 0;
  for (int run = 0; run < runs; ++run) {
    WininetDownloader downloader(&runner, nullptr);
    WininetDownloader::Limits limits;
    limits.retry_delay = base::TimeDelta();
    downloader.set_limits(limits);
    auto writer = std::make_unique<FileResponseWriter>();
    if (!writer->Open(argv[2]))
      return 1;
    base::RunLoop run_loop;
    const double start = Now();
    if (!downloader.Start(argv[1], std::string(), run_loop.QuitClosure(), std::move(writer),
                          std::make_unique<DownloadObserver>())) {
      return 1;
    }
    run_loop.Run();
    const double seconds = Now() - start;
    if (downloader.state() != WininetDownloader::kCompleted)
      ++failures;
    std::printf("seconds: %.4f\nbytes: %u\n", seconds, downloader.total_written());
    std::fflush(stdout);
  }
  return failures ? 1 : 0;
}
