#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/at_exit.h"
#include "base/bind.h"
#include "base/command_line.h"
#include "base/message_loop/message_loop.h"
#include "base/observer_list.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/run_loop.h"
#include "base/win/scoped_handle.h"
#include "base/win/test_support/kernel_object_dacl.h"
#include "desktop/windows/installer/ipc/installer_message.h"
#include "desktop/windows/installer/ipc/installer_message_builder.h"
#include "desktop/windows/installer/ipc/installer_message_forwarder.h"
#include "desktop/windows/installer/ipc/installer_message_reader.h"
#include "desktop/windows/installer/ipc/ipc_names.h"
#include "desktop/windows/installer/ipc/ipc_receiver.h"
#include "desktop/windows/installer/ipc/ipc_sender.h"
#include "desktop/windows/installer/ipc/mailslot_server.h"
#include "desktop/windows/installer/ipc/mailslot_writer.h"
#include "desktop/windows/installer/ipc/test_support/recording_installer_observer.h"
#include "desktop/windows/installer/utils/run_secret.h"
#include "gtest/gtest.h"
#include "testing/scoped_log_capture.h"
#include "testing/test_child_process.h"

namespace {

constexpr int kBulkMessages = 1000;

// What the backend sends in the cross-process test, in order.
void SendEveryMessage(InstallerObserver* backend, IPCSender* sender, const RunSecret& secret) {
  backend->OnNotify();
  backend->OnStartingNewMainProcess(/*unused=*/false);
  backend->OnReturnedToPreviousMainProcess();
  backend->OnEnteringPhase(6);
  backend->OnTotalSteps(3);
  backend->OnStepStarting("copy_file:a b\\c.dll");
  backend->OnStepFinished("copy_file:a b\\c.dll", 2, 1);
  backend->OnImportantEvent("file_copy_retry");
  // An oversize message must not hold up those behind it.
  std::unique_ptr<base::Pickle> oversize =
      CreateInstallerMessage(IPC_MESSAGE_IMPORTANT_EVENT, secret);
  oversize->WriteString(std::string(3000, 'x'));
  if (sender)
    sender->Send(std::move(oversize));
  backend->OnInstallerError(RESULT_FILE_COPY_FAILED, L"C:\\Program Files\\Tarvo \u00e9\U0001F600",
                            std::string(4000, 'd'));
  for (int i = 0; i < kBulkMessages; ++i)
    backend->OnTotalSteps(i);
  backend->OnInstallerSucceeded();
}

}  // namespace

// Sends with the secret it inherited, as a backend does.
TEST_CHILD_ROLE(ipc_send_every_message) {
  base::AtExitManager at_exit;
  base::CommandLine command_line = base::CommandLine::FromString(GetCommandLineW());
  const RunSecret secret = RunSecret::TakeFromCommandLine(command_line);
  if (secret.empty())
    return 2;
  IPCSender sender;
  if (!sender.Connect(command_line.GetSwitchValueNative("mailslot")))
    return 1;
  InstallerMessageForwarder forwarder(&sender, secret);
  SendEveryMessage(&forwarder, &sender, secret);
  sender.Stop();
  return 0;
}

namespace {

class IPCChannelTest : public testing::Test, public IPCReceiver::Delegate {
 protected:
  IPCChannelTest() : secret_(RunSecret::Generate()), backend_(secret_) {
    observers_.AddObserver(&observer_);
    static int counter = 0;
    name_ = L"Tarvo/Installer/C:/test " + std::to_wstring(GetCurrentProcessId()) + L"/" +
            std::to_wstring(++counter);
  }

  // IPCReceiver::Delegate.
  void OnMailslotMessage(const base::Pickle& pickle) override {
    InstallerMessage message;
    if (ReadInstallerMessage(pickle, secret_, /*without_secret_read=*/false, &message) ==
        InstallerMessageStatus::kAccepted)
      NotifyInstallerObservers(message, &observers_);
  }

  // Runs the loop until `last` is received, at most 20 s.
  // Runs until the `last` call arrives or `child` (when given) failed. The
  // bound leaves room for a child that starts slowly on a loaded machine.
  void RunUntil(const std::string& last, HANDLE child = nullptr) {
    base::RunLoop run_loop;
    observer_.set_on_call([&](const std::string& call) {
      if (call == last)
        run_loop.Quit();
    });
    loop_.task_runner()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                         base::TimeDelta::FromSeconds(45));
    if (child)
      PollChild(child, run_loop.QuitClosure());
    run_loop.Run();
    observer_.set_on_call(nullptr);
  }

  // Calls `quit` once `child` ended with a failure; its messages written
  // before a success stay in the mailslot and still arrive.
  void PollChild(HANDLE child, base::RepeatingClosure quit) {
    DWORD exit_code = 0;
    if (WaitForSingleObject(child, 0) == WAIT_OBJECT_0 && GetExitCodeProcess(child, &exit_code) &&
        exit_code != 0) {
      quit.Run();
      return;
    }
    loop_.task_runner()->PostDelayedTask(
        FROM_HERE,
        base::BindOnce(&IPCChannelTest::PollChild, base::Unretained(this), child, quit),
        base::TimeDelta::FromMilliseconds(100));
  }

  // The receiver creates its mailslot on its own thread.
  void WaitForMailslot() {
    for (int i = 0; i < 500; ++i) {
      HANDLE client = CreateFileW(GetMailslotFullName(name_).c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
      if (client != INVALID_HANDLE_VALUE) {
        CloseHandle(client);
        return;
      }
      Sleep(10);
    }
  }

  // A client handle writing raw bytes, as a foreign process could.
  void WriteRaw(const void* data, DWORD size) {
    HANDLE client = CreateFileW(GetMailslotFullName(name_).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, client);
    DWORD written = 0;
    WriteFile(client, data, size, &written, nullptr);
    CloseHandle(client);
  }

  const RunSecret secret_;
  // Messages of the run's backend.
  const InstallerMessageBuilder backend_;
  base::MessageLoop loop_;
  RecordingInstallerObserver observer_;
  base::ObserverList<InstallerObserver> observers_;
  std::wstring name_;
};

TEST_F(IPCChannelTest, TwoProcessesExchangeEveryMessageInOrder) {
  IPCReceiver receiver(this);
  ASSERT_TRUE(receiver.Connect(name_));
  base::win::ScopedHandle shared = secret_.Share(/*inheritable=*/true);
  ASSERT_TRUE(shared.IsValid());
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  RunSecret::AppendSwitches(shared.Get(), base::kNullProcessId, &command_line);
  base::LaunchOptions options;
  options.inherit_mode = base::LaunchOptions::Inherit::kSpecific;
  options.handles_to_inherit = {shared.Get()};
  base::Process child = base::LaunchProcess(
      testing_support::GetTestChildCommandLine(
          "ipc_send_every_message",
          L"--mailslot=\"" + name_ + L"\" " + command_line.GetArgumentsString()),
      options);
  ASSERT_TRUE(child.IsValid());
  RunUntil("succeeded", child.Handle());
  int exit_code = -1;
  EXPECT_TRUE(child.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(30), &exit_code));
  EXPECT_EQ(0, exit_code);

  // The same calls made in this process, minus the oversize message.
  RecordingInstallerObserver expected;
  SendEveryMessage(&expected, nullptr, secret_);
  ASSERT_EQ(expected.calls().size(), observer_.calls().size());
  EXPECT_EQ(expected.calls()[0], observer_.calls()[0]);
  // The error's detail was cut to fit, its user text kept whole.
  const std::string& error = observer_.calls()[8];
  EXPECT_EQ(0u, error.find("error 10 C:\\Program Files\\Tarvo \xc3\xa9\xf0\x9f\x98\x80 ddd"));
  EXPECT_LT(error.size(), 2048u);
  for (size_t i = 0; i < expected.calls().size(); ++i) {
    if (i != 8) {
      EXPECT_EQ(expected.calls()[i], observer_.calls()[i]) << i;
    }
  }
}

// The mailslot appears after the sender's Connect, under today's name or,
// as a main process of an earlier version names it, under the spelt one.
TEST_F(IPCChannelTest, SenderWaitsForAMailslotCreatedLater) {
  for (const bool spelt : {false, true}) {
    SCOPED_TRACE(spelt);
    testing_support::ScopedLogCapture log;
    observer_.clear_calls();
    const std::wstring spelt_name = name_ + L"/spelt";
    IPCSender sender;
    ASSERT_TRUE(sender.Connect(name_, spelt_name));
    sender.Send(backend_.TotalSteps(4));
    // Never written (Wine would deliver it cut), and nothing waits behind it.
    std::unique_ptr<base::Pickle> oversize =
        CreateInstallerMessage(IPC_MESSAGE_STEP_STARTING, secret_);
    oversize->WriteString(std::string(2100, 'x'));
    sender.Send(std::move(oversize));
    sender.Send(backend_.Success());
    Sleep(100);
    IPCReceiver receiver(this);
    ASSERT_TRUE(receiver.Connect(spelt ? spelt_name : name_));
    RunUntil("succeeded");
    EXPECT_EQ((std::vector<std::string>{"total_steps 4", "succeeded"}), observer_.calls());
    EXPECT_TRUE(log.Contains("over the mailslot's limit"));
  }
}

int g_passing_failures_left = 0;

// Looks at the message's type and first int: an important event always
// fails for good; total steps 1 always fails for want of resources, total
// steps 2 only twice.
BOOL WINAPI FailingWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                             LPOVERLAPPED overlapped) {
  const int32_t* fields = static_cast<const int32_t*>(data);
  // After the header, the signature and the secret.
  const int32_t type = size >= 68 ? fields[16] : -1;
  const int32_t value = size >= 72 ? fields[17] : -1;
  if (type == IPC_MESSAGE_IMPORTANT_EVENT) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (type == IPC_MESSAGE_TOTAL_STEPS &&
      (value == 1 || (value == 2 && g_passing_failures_left-- > 0))) {
    SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return FALSE;
  }
  return WriteFile(file, data, size, written, overlapped);
}

TEST_F(IPCChannelTest, FailedWritesAreRetriedOrDroppedNeverBlocking) {
  testing_support::ScopedLogCapture log;
  MailslotWriter::SetWriteFileForTesting(&FailingWriteFile);
  g_passing_failures_left = 2;
  IPCReceiver receiver(this);
  ASSERT_TRUE(receiver.Connect(name_));
  {
    IPCSender sender;
    ASSERT_TRUE(sender.Connect(name_));
    sender.Send(backend_.ImportantEvent("refused"));
    sender.Send(backend_.TotalSteps(1));
    sender.Send(backend_.TotalSteps(2));
    sender.Send(backend_.Success());
    RunUntil("succeeded");
  }
  MailslotWriter::SetWriteFileForTesting(nullptr);
  EXPECT_EQ((std::vector<std::string>{"total_steps 2", "succeeded"}), observer_.calls());
  EXPECT_EQ(-1, g_passing_failures_left);
  std::vector<std::string> lines = log.lines();
  EXPECT_EQ(2, std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
              return line.find("message dropped") != std::string::npos;
            }));
}

TEST_F(IPCChannelTest, SenderWithoutMailslotDropsItsMessages) {
  testing_support::ScopedLogCapture log;
  IPCSender sender(base::TimeDelta::FromMilliseconds(50));
  ASSERT_TRUE(sender.Connect(name_));
  sender.Send(backend_.Success());
  sender.Stop();
  EXPECT_TRUE(log.Contains("Messages unsent: 1"));
  // Nothing waits on a stopped sender.
  sender.Send(backend_.Success());
}

TEST_F(IPCChannelTest, ReceiverDropsCutAndMalformedMessagesAndReadsOn) {
  testing_support::ScopedLogCapture log;
  IPCReceiver receiver(this);
  ASSERT_TRUE(receiver.Connect(name_));
  WaitForMailslot();

  // Oversize: Windows refuses the write, Wine delivers the first 2048 bytes.
  std::unique_ptr<base::Pickle> oversize =
      CreateInstallerMessage(IPC_MESSAGE_IMPORTANT_EVENT, secret_);
  oversize->WriteString(std::string(3000, 'x'));
  WriteRaw(oversize->data(), static_cast<DWORD>(oversize->size()));
  // A header promising more than follows.
  std::unique_ptr<base::Pickle> total = backend_.TotalSteps(9);
  std::string lying(static_cast<const char*>(total->data()), total->size());
  lying[0] = 100;
  WriteRaw(lying.data(), static_cast<DWORD>(lying.size()));
  WriteRaw("", 0);
  std::unique_ptr<base::Pickle> wrong_case =
      CreateInstallerMessage(IPC_MESSAGE_SUCCESS, secret_);
  std::string bytes(static_cast<const char*>(wrong_case->data()), wrong_case->size());
  bytes[9] = 'i';  // ":installer message:"
  WriteRaw(bytes.data(), static_cast<DWORD>(bytes.size()));
  std::unique_ptr<base::Pickle> success = backend_.Success();
  WriteRaw(success->data(), static_cast<DWORD>(success->size()));

  RunUntil("succeeded");
  EXPECT_EQ(std::vector<std::string>{"succeeded"}, observer_.calls());
  EXPECT_TRUE(log.Contains("disagrees with its size header"));
  EXPECT_TRUE(log.Contains("Received a message without installer signature"));
}

// Only the user, SYSTEM and the Administrators may write to the mailslot.
TEST_F(IPCChannelTest, MailslotIsOpenOnlyToTheUser) {
  MailslotServer server;
  ASSERT_TRUE(server.Create(GetMailslotFullName(name_), kMaxInstallerMessageSize,
                            IPCReceiver::kReadLimit));
  EXPECT_TRUE(IsOpenOnlyToTheUser(server.handle_for_testing()));
}

// A mailslot of the name that another process made first would get every
// message: the receiver does not connect, and says why.
TEST_F(IPCChannelTest, ReceiverWhoseMailslotIsTakenDoesNotConnect) {
  HANDLE taken = CreateMailslotW(GetMailslotFullName(name_).c_str(), 0, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, taken);
  {
    IPCReceiver receiver(this);
    EXPECT_FALSE(receiver.Connect(name_));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    receiver.Stop();
  }
  CloseHandle(taken);
  EXPECT_TRUE(observer_.calls().empty());
}

}  // namespace
