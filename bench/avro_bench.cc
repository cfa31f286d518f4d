// Makes, encodes and queues statistics events of mixed types with traffic
// held (nothing leaves the machine), and prints, one "key: value" a line,
// the count, the wall time, events per second and bytes per message.
// Usage: bench_avro.exe [COUNT]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/at_exit.h"
#include "desktop/windows/installer/avro_stats/avro_message_context_impl.h"
#include "desktop/windows/installer/avro_stats/avro_network_thread.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender_impl.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/avro_stats/sender_statistics.h"

namespace {

// The same records as bench/avro_bench.py builds.
std::unique_ptr<InstallerEvent> MakeEvent(int i) {
  const std::string step = "step-" + std::to_string(i % 40);
  switch (i % 6) {
    case 0:
      return std::make_unique<InstallerStepStartingEvent>(step, 1);
    case 1:
      return std::make_unique<InstallerStepFinishedEvent>(step, i % 7, 1);
    case 2:
      return std::make_unique<ControllerLaunchedEvent>(
          "3", "utm_source=mail&uuid=" + std::to_string(i), i % 2 == 0, false, true,
          "installer.exe --silent --installfolder=\"C:\\Program Files\\Tarvo\"", "x64", 1);
    case 3: {
      FetchStatisticsList list;
      for (int chunk = 0; chunk < 2; ++chunk) {
        FetchStatistics stats;
        stats.chunk_start = chunk * 1048576LL;
        stats.chunk_end = (chunk + 1) * 1048576LL - 1;
        stats.chunk_number = chunk;
        stats.ip = "127.0.0.1";
        stats.http_status = 206;
        stats.retry_count = 0;
        stats.headers = {{"Content-Length", "1048576"},
                         {"Content-Type", "application/octet-stream"},
                         {"Server", "bench"}};
        list.push_back(stats);
      }
      return std::make_unique<FetchingPrimaryPackageEvent>(
          "https://download.tarvo.example/package-" + std::to_string(i) + ".7z", list, 1);
    }
    case 4: {
      PageTransitionStats stats;
      stats.page_type = i % 5;
      stats.navigation_action = "next";
      stats.changed_language_counter = 1;
      return std::make_unique<PageTransitionEvent>(stats, 1);
    }
    default: {
      InstallationSettings settings;
      settings.make_default = true;
      settings.using_default_installation_folder = true;
      settings.installation_mode = 1;
      settings.installation_operation = 2;
      return std::make_unique<SettingsAcceptedEvent>(settings, 1);
    }
  }
}

// The same context as bench/avro_bench.py writes.
std::unique_ptr<AvroMessageContextImpl> MakeContext() {
  CampaignInfo campaign;
  campaign.name = "spring";
  campaign.source = "mail";
  return std::make_unique<AvroMessageContextImpl>("6f1c2a3b-0000-4000-8000-00000000beef",
                                                  "installer-1", "64.0.3278.0", "developer",
                                                  campaign);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  base::AtExitManager at_exit;
  const int count = argc > 1 ? _wtoi(argv[1]) : 100000;
  std::unique_ptr<AvroMessageContextImpl> context = MakeContext();
  // Held traffic: the queue only grows.
  AvroStatsSenderImpl sender(MakeContext(),
                             MakeAvroNetworkOptions(GetAvroEndpoint(AvroSenderMode::kTestServer)),
                             1);

  LARGE_INTEGER frequency, start, end, before, after;
  QueryPerformanceFrequency(&frequency);
  // Where the time goes: making the events, encoding them, queueing them.
  LONGLONG phase[3] = {};
  QueryPerformanceCounter(&start);
  size_t total_bytes = 0;
  std::string message;
  SenderStatistics statistics;
  for (int i = 0; i < count; ++i) {
    QueryPerformanceCounter(&before);
    std::unique_ptr<InstallerEvent> event = MakeEvent(i);
    QueryPerformanceCounter(&after);
    phase[0] += after.QuadPart - before.QuadPart;
    statistics.messages_total = static_cast<uint32_t>(i + 1);
    context->Serialize(&message, *event, statistics);
    total_bytes += message.size();
    QueryPerformanceCounter(&before);
    phase[1] += before.QuadPart - after.QuadPart;
    sender.Send(std::move(event));
    QueryPerformanceCounter(&after);
    phase[2] += after.QuadPart - before.QuadPart;
  }
  QueryPerformanceCounter(&end);
  const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
  std::printf("make_seconds: %.3f\n", static_cast<double>(phase[0]) / frequency.QuadPart);
  std::printf("encode_seconds: %.3f\n", static_cast<double>(phase[1]) / frequency.QuadPart);
  std::printf("queue_seconds: %.3f\n", static_cast<double>(phase[2]) / frequency.QuadPart);
  std::printf("os_version: %s\n", GetAvroOsVersion().c_str());
  std::printf("events: %d\n", count);
  std::printf("seconds: %.3f\n", seconds);
  std::printf("events_per_second: %.0f\n", seconds > 0 ? count / seconds : 0.0);
  std::printf("bytes_per_event: %.1f\n", count ? static_cast<double>(total_bytes) / count : 0.0);
  std::fflush(stdout);
  return 0;
}
