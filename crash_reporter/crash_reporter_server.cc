#include "crash_reporter/crash_reporter_server.h"

#include <memory>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/kernel_object_security.h"
#include "crash_reporter/client_keys.h"
#include "crash_reporter/count_file_store.h"
#include "crash_reporter/crash_environment.h"
#include "crash_reporter/crash_generation_server.h"
#include "crash_reporter/crash_in_reporter.h"
#include "crash_reporter/crash_parameters.h"
#include "crash_reporter/crash_product_values.h"
#include "crash_reporter/crash_reporter_paths.h"
#include "crash_reporter/crash_reporter_switches.h"
#include "crash_reporter/crash_upload.h"
#include "crash_reporter/minidump_writer.h"
#include "crash_reporter/pending_work.h"

namespace crash_reporter {
namespace {

constexpr wchar_t kInitEventPrefix[] = L"TarvoCrashReporterInitEvent";
constexpr size_t kMaxLogPathUnits = 261;

std::atomic<unsigned> g_dump_index{0};

void InitReporterLogging(const base::CommandLine& command_line) {
  base::FilePath temp;
  logging::LoggingSettings settings;
  settings.command_line = &command_line;
  settings.logging_dest = logging::LOG_TO_SYSTEM_DEBUG_LOG;
  if (base::GetTempDir(&temp)) {
    base::FilePath log = temp.Append(base::UTF8ToWide(GetLowerProductName() + "_crashreporter.log"));
    if (log.value().size() <= kMaxLogPathUnits) {
      settings.logging_dest = logging::LOG_TO_FILE;
      settings.log_file = log.value();
    }
  }
  logging::InitLogging(settings);
  logging::SetMinLogLevel(0);
}

void CALLBACK OnParentEnded(void* pending, BOOLEAN) {
  static_cast<PendingWork*>(pending)->Release();
}

// The parent's launch event: it must exist.
HANDLE OpenParentEvent(DWORD parent) {
  std::wstring name = kInitEventPrefix + std::to_wstring(parent);
  return OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str());
}

// Serves until the parent ended and the uploads are done.
int Serve(DWORD parent, const CrashReporterPaths& paths) {
  PendingWork& pending = *PendingWork::GetReporterInstance();
  base::win::ScopedHandle parent_process(OpenProcess(SYNCHRONIZE, FALSE, parent));
  if (!pending.IsValid() || !parent_process.IsValid()) {
    PLOG(ERROR) << "Cannot watch the parent " << parent;
    return -1;
  }
  pending.Add();
  HANDLE parent_wait = nullptr;
  if (!RegisterWaitForSingleObject(&parent_wait, parent_process.Get(), &OnParentEnded, &pending,
                                   INFINITE, WT_EXECUTEONLYONCE)) {
    pending.Release();
    PLOG(ERROR) << "Cannot wait for the parent";
    return -1;
  }
  base::win::ScopedHandle parent_event(OpenParentEvent(parent));
  std::wstring pipe_name;
  if (!parent_event.IsValid() || !MakeCrashPipeName(GetCurrentProcessId(), &pipe_name)) {
    PLOG(ERROR) << "No launch event of the parent " << parent;
    UnregisterWaitEx(parent_wait, INVALID_HANDLE_VALUE);
    return -1;
  }
  // The user's processes, elevated or of low integrity, and nobody else.
  KernelObjectSecurity security(KernelObjectSecurity::Integrity::kLowMayWrite);
  SECURITY_ATTRIBUTES* pipe_security = security.Get(/*inheritable=*/false);
  if (!pipe_security) {
    UnregisterWaitEx(parent_wait, INVALID_HANDLE_VALUE);
    return -1;
  }
  base::SetCurrentDirectory(paths.dump_directory);
  std::unique_ptr<CountFileStore> counts;
  if (!paths.count_file.empty())
    counts = std::make_unique<CountFileStore>(paths.count_file);
  ServerContext context;
  context.dump_directory = paths.dump_directory;
  context.counts = counts.get();
  context.pending = &pending;
  context.keep_logs = IsEnvironmentFlagSet(GetProductVariableName("CRASH_KEEP_LOGS"));
  CrashGenerationServer server(pipe_name, pipe_security, &OnClientDumpRequest, &context);
  if (!server.Start()) {
    UnregisterWaitEx(parent_wait, INVALID_HANDLE_VALUE);
    return -1;
  }
  SetEvent(parent_event.Get());
  parent_event.Close();
  LOG(INFO) << "Serving crashes of " << parent << " on " << pipe_name;
  // The parent watch holds one count until the parent ends.
  pending.WaitUntilIdle();
  server.Stop();
  // A dump that began as the parent ended has queued its upload by now;
  // the wait ends once the last upload thread has left the counter.
  pending.WaitUntilIdle();
  UnregisterWaitEx(parent_wait, INVALID_HANDLE_VALUE);
  LOG(INFO) << "Crash reporter done";
  return 0;
}

}  // namespace

base::FilePath MakeDumpPath(const base::FilePath& directory) {
  std::string name = base::StringPrintf("%s-crashlog-%lu-%u.dmp", GetLowerProductName().c_str(),
                                        static_cast<unsigned long>(GetCurrentProcessId()),
                                        ++g_dump_index);
  return directory.Append(base::UTF8ToWide(name));
}

int RunCrashReporterServer(const base::CommandLine& command_line) {
  InstallCrashInReporterHandlers();
  unsigned parent = 0;
  if (!base::StringToUint(command_line.GetSwitchValueASCII(switches::kCrashReporterParentId),
                          &parent)) {
    return -1;
  }
  InitReporterLogging(command_line);
  CrashReporterPaths paths;
  if (!InitCrashReporterPaths(command_line, &paths)) {
    LOG(ERROR) << "No dump folder";
    return -1;
  }
  if (!ReadCrashReportingConsent(paths.preferences)) {
    LOG(INFO) << "Crash reporting is off";
    return -1;
  }
  LOG(INFO) << "Crash server: " << GetCrashServerUrl();
  return Serve(parent, paths);
}

void OnClientDumpRequest(void* param, const ClientInfo& client) {
  auto* context = static_cast<ServerContext*>(param);
  context->pending->Add();
  std::vector<CustomInfoEntry> entries;
  client.ReadCustomInfo(&entries);
  CrashParameters keys = ParseClientKeys(entries);
  auto ptype = keys.find(L"ptype");
  if (context->counts && ptype != keys.end() && !ptype->second.empty())
    context->counts->Add(base::WideToUTF8(ptype->second), 1, /*wake=*/true);

  base::FilePath dump = MakeDumpPath(context->dump_directory);
  CrashInfoBlock info = {};
  if (!ReadCrashInfo(client.process(), client.crash_info_address(), client.has_assertion(),
                     &info)) {
    LOG(ERROR) << "Cannot read the crash of " << client.pid();
  } else if (WriteMiniDumpToFile(client.process(), client.pid(), info, dump,
                                 kClientDumpSizeCap)) {
    LOG(INFO) << "Dump of " << client.pid() << " written to " << dump.value();
    QueueCrashUpload(dump, CollectClientParameters(keys, client.process()), !context->keep_logs,
                     context->pending);
  } else {
    LOG(ERROR) << "Cannot write the dump of " << client.pid();
  }
  context->pending->Release();
}

}  // namespace crash_reporter
