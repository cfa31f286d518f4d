#include "desktop/windows/installer/runner/main_process_installer_runner_impl.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/message_loop/message_loop.h"
#include "base/process/launch.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "base/win/kernel_object_security.h"
#include "base/win/scoped_handle.h"
#include "base/win/test_support/kernel_object_dacl.h"
#include "crash_reporter/tarvo_crash_reporter_client.h"
#include "desktop/windows/installer/ipc/installer_message_builder.h"
#include "desktop/windows/installer/ipc/ipc_names.h"
#include "desktop/windows/installer/runner/test_support/two_process_harness.h"
#include "desktop/windows/installer/utils/canonical_folder.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/run_secret.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/scoped_log_capture.h"
#include "testing/test_child_process.h"

// Holds the installer mutex named by "--mutex=" (the rest of the line),
// says so through the event "--quit=" names and ends once "<that>_end" is
// set.
TEST_CHILD_ROLE(hold_installer_mutex) {
  const std::wstring command_line = GetCommandLineW();
  const size_t quit_at = command_line.find(L"--quit=");
  const size_t mutex_at = command_line.find(L"--mutex=");
  if (quit_at == std::wstring::npos || mutex_at == std::wstring::npos)
    return 2;
  const std::wstring quit = command_line.substr(quit_at + 7, mutex_at - 1 - (quit_at + 7));
  HANDLE mutex = CreateMutexW(nullptr, TRUE, command_line.substr(mutex_at + 8).c_str());
  HANDLE holding = OpenEventW(EVENT_MODIFY_STATE, FALSE, quit.c_str());
  HANDLE end = OpenEventW(SYNCHRONIZE, FALSE, (quit + L"_end").c_str());
  if (!mutex || !holding || !end)
    return 3;
  SetEvent(holding);
  WaitForSingleObject(end, 20000);
  return 0;
}

// Plays a process of the user that writes to an installation's mailslot
// ("--mailslot="): a success, an error 3, and the start and end of another
// installer process, in the layout without a secret and again with a secret
// of its own. With "--seconds=N" it keeps doing so (waiting for the
// mailslot to appear) for N seconds.
TEST_CHILD_ROLE(forge_installer_messages) {
  const base::CommandLine command_line = base::CommandLine::FromString(GetCommandLineW());
  const std::wstring name = GetMailslotFullName(command_line.GetSwitchValueNative("mailslot"));
  const int seconds = _wtoi(command_line.GetSwitchValueNative("seconds").c_str());
  const base::TimeTicks end = base::TimeTicks::Now() + base::TimeDelta::FromSeconds(seconds);
  int written_messages = 0;
  do {
    HANDLE mailslot = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    if (mailslot != INVALID_HANDLE_VALUE) {
      for (const RunSecret& secret : {RunSecret(), RunSecret::Generate()}) {
        const InstallerMessageBuilder forger(secret);
        for (const auto& forged :
             {forger.Success(), forger.Error(RESULT_INVALID_PATH, L"", "forged"),
              forger.StartingNewMainProcess(/*earlier_version=*/true),
              forger.ReturnedToPreviousMainProcess()}) {
          DWORD written = 0;
          if (WriteFile(mailslot, forged->data(), static_cast<DWORD>(forged->size()), &written,
                        nullptr)) {
            ++written_messages;
          }
        }
      }
      CloseHandle(mailslot);
    }
    if (seconds > 0)
      Sleep(20);
  } while (base::TimeTicks::Now() < end);
  return written_messages > 0 ? 0 : 3;
}

namespace {

// A stand-in backend that stays `seconds` and then ends with `exit_code`.
TwoProcessHarness::Options StandInBackend(int seconds, int exit_code) {
  TwoProcessHarness::Options options;
  options.installer = testing_support::BuildFile(L"package_programs", L"launcher.exe");
  options.environment = {{L"TARVO_PACKAGE_STAY_SECONDS_LAUNCHER", std::to_wstring(seconds)},
                         {L"TARVO_PACKAGE_EXIT_CODE_LAUNCHER", std::to_wstring(exit_code)}};
  return options;
}

// Writes `message` into the runner's mailslot as any process could.
void WriteToMailslot(const TwoProcessHarness& harness, const base::Pickle& message) {
  const std::wstring name = GetMailslotFullName(
      GetInstallerMailslotName(harness.install_folder()));
  HANDLE mailslot = INVALID_HANDLE_VALUE;
  // The receiver creates the mailslot on its own thread.
  for (int i = 0; i < 500 && mailslot == INVALID_HANDLE_VALUE; ++i, Sleep(10)) {
    mailslot = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  }
  ASSERT_NE(INVALID_HANDLE_VALUE, mailslot);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(mailslot, message.data(), static_cast<DWORD>(message.size()), &written,
                        nullptr));
  CloseHandle(mailslot);
}

// Every name is made of the folder's one canonical, upper-cased form: mutex
// names compare case-sensitively and mailslot names do not, so another
// spelling of the folder must never give another mutex.
TEST(MainProcessInstallerRunnerTest, ObjectNames) {
  for (const wchar_t* spelling : {L"C:\\Program Files\\Tarvo", L"c:/program files\\\\TARVO\\"}) {
    const base::FilePath folder(spelling);
    EXPECT_EQ(L"Global\\Tarvo/Installer/C:/PROGRAM FILES/TARVO", GetInstallerMutexName(folder));
    EXPECT_EQ(L"tarvo_installer\\C:\\PROGRAM FILES\\TARVO", GetInstallerMailslotName(folder));
    EXPECT_EQ(L"Global\\TarvoInstaller/PackageReady/C:/PROGRAM FILES/TARVO",
              MakeKernelObjectName(spelling, kPackageReadyEventName, /*global=*/true));
  }
}

// The package arrives after the backend was told to wait for it: the
// package-ready event is set once, and a second report does not set it
// again.
TEST(MainProcessInstallerRunnerTest, PackageReadyTwiceSetsTheEventOnce) {
  TwoProcessHarness harness(StandInBackend(/*seconds=*/0, /*exit_code=*/0));
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  base::win::ScopedHandle ready(OpenEventW(
      SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE,
      MakeKernelObjectName(harness.install_folder().value(), kPackageReadyEventName,
                           /*global=*/true)
          .c_str()));
  ASSERT_TRUE(ready.IsValid());
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ready.Get(), 0));
  harness.runner().OnPackageReady();
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.Get(), 0));
  ResetEvent(ready.Get());
  harness.runner().OnPackageReady();
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ready.Get(), 0));
  ASSERT_TRUE(harness.WaitForBackendEnd());
  const std::vector<std::string> launched = harness.ProgramRecords(L"launcher");
  ASSERT_EQ(1u, launched.size());
  EXPECT_NE(std::string::npos, launched[0].find("--wait-for-package"));
}

// Another installer of the same folder holds the mutex, under today's name
// (whatever its spelling of the folder) or under the folder as spelt, as an
// earlier version names it: 12, and nothing is launched.
TEST(MainProcessInstallerRunnerTest, SecondInstallationOfTheFolderGets12) {
  for (const bool spelt : {false, true}) {
    TwoProcessHarness harness({});
    const base::FilePath& folder = harness.install_folder();
    const std::wstring mutex =
        spelt ? GetInstallerMutexNameOfSpelling(CanonicalizeFolderPath(folder).value())
              : GetInstallerMutexName(base::FilePath(base::ToUpperASCII(folder.value())));
    ASSERT_NE(spelt, mutex == GetInstallerMutexName(folder));
    const std::wstring quit = L"Local\\TarvoTestHolder" + std::to_wstring(GetCurrentProcessId());
    base::win::ScopedHandle holding(CreateEventW(nullptr, FALSE, FALSE, quit.c_str()));
    base::win::ScopedHandle end(CreateEventW(nullptr, TRUE, FALSE, (quit + L"_end").c_str()));
    base::Process holder = base::LaunchProcess(
        testing_support::GetTestChildCommandLine("hold_installer_mutex",
                                                 L"--quit=" + quit + L" --mutex=" + mutex),
        base::LaunchOptions());
    ASSERT_TRUE(holder.IsValid());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(holding.Get(), 20000));

    EXPECT_EQ(RESULT_DUPLICATE_INSTALLATION, harness.Start());
    EXPECT_EQ(RESULT_DUPLICATE_INSTALLATION, GetInstallerErrorCode());
    SetEvent(end.Get());
    int exit_code = -1;
    EXPECT_TRUE(holder.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(20), &exit_code));
    EXPECT_EQ(0, exit_code);
    EXPECT_TRUE(harness.calls().empty());
  }
}

HANDLE WINAPI RefusedMutex(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) {
  SetLastError(ERROR_ACCESS_DENIED);
  return nullptr;
}

HANDLE WINAPI FailedMutex(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) {
  SetLastError(ERROR_INVALID_NAME);
  return nullptr;
}

BOOL WINAPI FailedDuplicate(HANDLE, HANDLE, HANDLE, LPHANDLE, DWORD, BOOL, DWORD) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return FALSE;
}

bool FailedWatch(base::win::ObjectWatcher*, HANDLE, base::win::ObjectWatcher::Delegate*) {
  return false;
}

// Each way Run fails gives its result and detail, and leaves no backend
// running: none is launched, or the one launched is told to stop. An
// elevated installer's mutex refuses this user: that is another
// installation (12), not a mutex that cannot be made (11). A mailslot of the
// folder's name that another process made would get every message.
TEST(MainProcessInstallerRunnerTest, EachFailureOfRunLeavesNoBackendRunning) {
  using Calls = MainProcessInstallerRunnerImpl::SystemCalls;
  enum class Plant { kNothing, kMailslot, kPackageReadyEvent, kMissingInstaller };
  struct {
    Calls calls;
    Plant plant;
    InstallerResult result;
    const char* detail;  // How the error record's detail starts.
  } cases[] = {
      {{.create_mutex = &RefusedMutex}, Plant::kNothing, RESULT_DUPLICATE_INSTALLATION,
       "Could not acquire installer mutex"},
      {{.create_mutex = &FailedMutex}, Plant::kNothing, RESULT_MUTEX_CREATION_FAILED,
       "Could not create installer mutex"},
      {{}, Plant::kMailslot, RESULT_GENERAL_FAILURE,
       "Could not connect to mailslot\nCannot create \\\\.\\mailslot\\tarvo_installer\\"},
      {{}, Plant::kPackageReadyEvent, RESULT_GENERAL_FAILURE,
       "Package ready event invalid\nCannot create the package ready event"},
      {{.duplicate_handle = &FailedDuplicate}, Plant::kNothing, RESULT_GENERAL_FAILURE,
       "Could not duplicate own process handle"},
      {{}, Plant::kMissingInstaller, RESULT_GENERAL_FAILURE,
       "Could not launch installer backend process"},
      {{.watch = &FailedWatch}, Plant::kNothing, RESULT_GENERAL_FAILURE,
       "Could not monitor the installer process handle"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.detail);
    TwoProcessHarness::Options options = StandInBackend(/*seconds=*/0, /*exit_code=*/0);
    if (c.plant == Plant::kMissingInstaller)
      options.installer = options.installer.DirName().Append(L"missing.exe");
    TwoProcessHarness harness(options);
    const base::FilePath& folder = harness.install_folder();
    base::win::ScopedHandle planted;
    if (c.plant == Plant::kMailslot) {
      planted.Set(CreateMailslotW(
          GetMailslotFullName(GetInstallerMailslotName(folder)).c_str(), 0, 0, nullptr));
    } else if (c.plant == Plant::kPackageReadyEvent) {
      planted.Set(CreateEventW(
          nullptr, TRUE, FALSE,
          MakeKernelObjectName(folder.value(), kPackageReadyEventName, /*global=*/true).c_str()));
      ASSERT_TRUE(SetObjectOwner(planted.Get(), L"S-1-5-21-1-2-3-1001"));
    }
    // Kept here, it outlives the run's own handle.
    KernelObjectSecurity security;
    base::win::ScopedHandle interrupted(CreateEventW(
        security.Get(/*inheritable=*/false), TRUE, FALSE,
        MakeKernelObjectName(folder.value(), kInterruptedEventName, /*global=*/true).c_str()));
    MainProcessInstallerRunnerImpl::SetSystemCallsForTesting(c.calls);
    EXPECT_EQ(c.result, harness.Start());
    MainProcessInstallerRunnerImpl::SetSystemCallsForTesting(Calls());
    uint32_t code = 0;
    std::string detail;
    std::wstring message;
    GetInstallerError(&code, &detail, &message);
    EXPECT_EQ(c.result, code);
    EXPECT_EQ(0u, detail.find(c.detail)) << detail;
    const bool launched = c.calls.watch == &FailedWatch;
    EXPECT_EQ(launched ? WAIT_OBJECT_0 : WAIT_TIMEOUT, WaitForSingleObject(interrupted.Get(), 0));
    if (!launched) {
      EXPECT_TRUE(harness.ProgramRecords(L"launcher").empty());
    }
  }
}

// The backend's exit code comes back as its result, after its messages.
TEST(MainProcessInstallerRunnerTest, BackendExitCodeBecomesTheResult) {
  TwoProcessHarness::Options options;
  // A stand-in backend that exits with the code it is told.
  options.installer = testing_support::BuildFile(L"package_programs", L"launcher.exe");
  SetEnvironmentVariableW(L"TARVO_PACKAGE_EXIT_CODE_LAUNCHER", L"103");
  crash_reporter::TarvoCrashReporterClient::GetInstance()->set_crash_reporter_pid(0);
  TwoProcessHarness harness(options);
  harness.runner().OnPackageReady();
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  ASSERT_TRUE(harness.WaitForBackendEnd());
  SetEnvironmentVariableW(L"TARVO_PACKAGE_EXIT_CODE_LAUNCHER", nullptr);
  EXPECT_EQ(RESULT_INVALID_PATH, harness.backend_result());

  // What the backend was given.
  const std::vector<std::string> records = harness.ProgramRecords(L"launcher");
  ASSERT_EQ(1u, records.size());
  const std::string& line = records[0];
  for (const char* expected : {"--backend", "--install", "--server-tracking-data=server_tracking_data",
                               "--initial-pid=", "--initial-proc-handle=", "--package-dir=",
                               "--crash-reporter-pid=0"}) {
    EXPECT_NE(std::string::npos, line.find(expected)) << expected << " in " << line;
  }
  // The package was ready: the backend does not wait for it.
  EXPECT_EQ(std::string::npos, line.find("--wait-for-package"));
}

// Another process of the user writes a success, an error 3, and the start
// and end of another installer process while the backend runs, without a
// secret and with one of its own: the backend launched here is of this
// version, so all are dropped and counted, and neither a failed nor a
// complete run changes its outcome.
TEST(MainProcessInstallerRunnerTest, ForgedMessagesNeverMakeASuccess) {
  for (const int exit_code : {103, 0}) {
    SCOPED_TRACE(exit_code);
    testing_support::ScopedLogCapture log;
    TwoProcessHarness harness(StandInBackend(/*seconds=*/3, exit_code));
    harness.runner().OnPackageReady();
    ASSERT_EQ(RESULT_SUCCESS, harness.Start());
    const InstallerMessageBuilder backend(harness.runner().secret_for_testing());
    // The forger opens the mailslot only once it exists.
    WriteToMailslot(harness, *backend.TotalSteps(5));
    base::Process forger = base::LaunchProcess(
        testing_support::GetTestChildCommandLine(
            "forge_installer_messages",
            L"--mailslot=\"" + GetInstallerMailslotName(harness.install_folder()) + L"\""),
        base::LaunchOptions());
    ASSERT_TRUE(forger.IsValid());
    int forger_exit_code = -1;
    ASSERT_TRUE(
        forger.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(20), &forger_exit_code));
    EXPECT_EQ(0, forger_exit_code);
    if (exit_code == 0)
      WriteToMailslot(harness, *backend.Success());
    ASSERT_TRUE(harness.WaitForBackendEnd());
    const std::vector<std::string> expected =
        exit_code == 0
            ? std::vector<std::string>{"total_steps 5", "succeeded", "backend_terminated 0"}
            : std::vector<std::string>{"total_steps 5", "backend_terminated 3"};
    EXPECT_EQ(expected, harness.calls());
    EXPECT_TRUE(log.Contains("Dropped an installer message without the run's secret (8 so far)"));
    harness.runner().Stop();
    EXPECT_TRUE(log.Contains("Installer messages dropped without the run's secret: 8"));
  }
}

// A success counts only when it was reported (with the run's secret) and
// the backend this runner launched then ends with 0; a backend ended from
// outside with 0 leaves the run unfinished. So does one that took over such
// an end of an installer process it started (framed by starting and
// returned): each of those must have reported its own outcome, without the
// secret only when the backend said it is of an earlier version, and only
// until it has ended.
TEST(MainProcessInstallerRunnerTest, SuccessNeedsTheReportAndTheBackendsEndWithZero) {
  enum Sent { kStarting, kStartingEarlier, kReturned, kSuccess, kSuccessWithoutSecret };
  struct {
    std::vector<Sent> sent;
    int exit_code;
    std::vector<std::string> calls;
  } cases[] = {
      {{kSuccess}, 103, {"backend_terminated 3"}},
      {{kSuccess}, 0, {"succeeded", "backend_terminated 0"}},
      {{}, 0, {"backend_terminated 20"}},
      {{kStarting, kSuccess, kReturned, kSuccess},
       0,
       {"starting_new_main_process 0", "returned_to_previous_main_process", "succeeded",
        "backend_terminated 0"}},
      {{kStarting, kReturned, kSuccess},
       0,
       {"starting_new_main_process 0", "returned_to_previous_main_process",
        "backend_terminated 20"}},
      {{kStartingEarlier, kSuccessWithoutSecret, kReturned, kSuccess},
       0,
       {"starting_new_main_process 1", "returned_to_previous_main_process", "succeeded",
        "backend_terminated 0"}},
      {{kStarting, kSuccessWithoutSecret, kReturned, kSuccess},
       0,
       {"starting_new_main_process 0", "returned_to_previous_main_process",
        "backend_terminated 20"}},
      {{kStartingEarlier, kReturned, kSuccessWithoutSecret},
       0,
       {"starting_new_main_process 1", "returned_to_previous_main_process",
        "backend_terminated 20"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.sent.size() << " " << c.exit_code);
    TwoProcessHarness harness(StandInBackend(/*seconds=*/c.sent.empty() ? 0 : 2, c.exit_code));
    harness.runner().OnPackageReady();
    ASSERT_EQ(RESULT_SUCCESS, harness.Start());
    const InstallerMessageBuilder backend(harness.runner().secret_for_testing());
    const InstallerMessageBuilder earlier_version{RunSecret()};
    for (const Sent sent : c.sent) {
      WriteToMailslot(harness,
                      *(sent == kStarting || sent == kStartingEarlier
                            ? backend.StartingNewMainProcess(sent == kStartingEarlier)
                        : sent == kReturned ? backend.ReturnedToPreviousMainProcess()
                        : sent == kSuccess  ? backend.Success()
                                            : earlier_version.Success()));
    }
    ASSERT_TRUE(harness.WaitForBackendEnd());
    EXPECT_EQ(c.calls, harness.calls());
  }
}

// A backend that reported success but does not end fails the run once the
// wait for its end is over.
TEST(MainProcessInstallerRunnerTest, SuccessWithoutTheBackendsEndIsAFailure) {
  TwoProcessHarness harness(StandInBackend(/*seconds=*/4, /*exit_code=*/0));
  harness.runner().set_success_end_limit_for_testing(base::TimeDelta::FromMilliseconds(300));
  harness.runner().OnPackageReady();
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  WriteToMailslot(harness,
                  *InstallerMessageBuilder(harness.runner().secret_for_testing()).Success());
  ASSERT_TRUE(harness.WaitForMessage("error", base::TimeDelta::FromSeconds(10)));
  EXPECT_EQ(std::vector<std::string>{
                "error 1  The installer backend reported success but did not end"},
            harness.calls());
}

// The mutex and the events of a run are open only to the user, SYSTEM and
// the Administrators (the mailslot: IPCChannelTest).
TEST(MainProcessInstallerRunnerTest, RunObjectsAreOpenOnlyToTheUser) {
  TwoProcessHarness harness(StandInBackend(/*seconds=*/1, /*exit_code=*/0));
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  const base::FilePath& folder = harness.install_folder();
  std::vector<base::win::ScopedHandle> objects;
  objects.emplace_back(OpenMutexW(READ_CONTROL, FALSE,
                                  GetInstallerMutexName(folder).c_str()));
  const std::wstring spelling = CanonicalizeFolderPath(folder).value();
  for (const wchar_t* event : {kInterruptedEventName, kPackageReadyEventName}) {
    objects.emplace_back(OpenEventW(
        READ_CONTROL, FALSE, MakeKernelObjectName(folder.value(), event, /*global=*/true).c_str()));
    objects.emplace_back(OpenEventW(
        READ_CONTROL, FALSE,
        MakeKernelObjectNameOfSpelling(spelling, event, /*global=*/true).c_str()));
  }
  for (const base::win::ScopedHandle& object : objects) {
    ASSERT_TRUE(object.IsValid());
    EXPECT_TRUE(IsOpenOnlyToTheUser(object.Get()));
  }
  ASSERT_TRUE(harness.WaitForBackendEnd());
}

// The package's installer may be older than the one that runs it, and its
// backend takes over the run. One of a version before folder keys names the
// events after the folder as its command line spells it, upper and lower
// case kept: they are there under that name too, not set, and set with the
// others.
TEST(MainProcessInstallerRunnerTest, EventsAreThereForBackendsOfEarlierVersions) {
  TwoProcessHarness harness(StandInBackend(/*seconds=*/2, /*exit_code=*/0));
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  const std::wstring spelling = CanonicalizeFolderPath(harness.install_folder()).value();
  ASSERT_NE(spelling, GetFolderKey(harness.install_folder()));
  std::vector<base::win::ScopedHandle> events;
  for (const wchar_t* event : {kInterruptedEventName, kPackageReadyEventName}) {
    const std::wstring name = MakeKernelObjectNameOfSpelling(spelling, event, /*global=*/true);
    events.emplace_back(OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
    ASSERT_TRUE(events.back().IsValid()) << base::WideToUTF8(name);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(events.back().Get(), 0));
  }
  harness.runner().OnPackageReady();
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(events[1].Get(), 0));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(events[0].Get(), 0));
  // Stopping the run interrupts the backend.
  harness.runner().Stop();
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(events[0].Get(), 0));
}

// An interrupted event planted by another user before the run is refused:
// whoever planted it could interrupt the run at will. One an earlier run of
// this user left set is cleared and used.
TEST(MainProcessInstallerRunnerTest, PlantedEventIsRefusedALeftOneCleared) {
  {
    TwoProcessHarness harness(StandInBackend(/*seconds=*/0, /*exit_code=*/0));
    base::win::ScopedHandle planted(CreateEventW(
        nullptr, TRUE, TRUE,
        MakeKernelObjectName(harness.install_folder().value(), kInterruptedEventName,
                             /*global=*/true)
            .c_str()));
    ASSERT_TRUE(SetObjectOwner(planted.Get(), L"S-1-5-21-1-2-3-1001"));
    EXPECT_EQ(RESULT_GENERAL_FAILURE, harness.Start());
    uint32_t code = 0;
    std::string detail;
    std::wstring message;
    GetInstallerError(&code, &detail, &message);
    EXPECT_EQ("Could not create installation interruption event", detail);
  }
  TwoProcessHarness harness(StandInBackend(/*seconds=*/0, /*exit_code=*/0));
  KernelObjectSecurity security;
  base::win::ScopedHandle left(CreateEventW(
      security.Get(/*inheritable=*/false), TRUE, TRUE,
      MakeKernelObjectName(harness.install_folder().value(), kInterruptedEventName,
                           /*global=*/true)
          .c_str()));
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(left.Get(), 0));
  ASSERT_TRUE(harness.WaitForBackendEnd());
}

}  // namespace
