#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "base/observer_list.h"
#include "base/pickle.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/ipc/installer_message.h"
#include "desktop/windows/installer/ipc/installer_message_builder.h"
#include "desktop/windows/installer/ipc/installer_message_reader.h"
#include "desktop/windows/installer/ipc/test_support/recording_installer_observer.h"
#include "desktop/windows/installer/utils/run_secret.h"
#include "gtest/gtest.h"
#include "testing/scoped_log_capture.h"

namespace {

using Calls = std::vector<std::string>;

const RunSecret& Secret() {
  static const RunSecret secret = RunSecret::Generate();
  return secret;
}

// The messages of the run's backend.
const InstallerMessageBuilder& Backend() {
  static const InstallerMessageBuilder builder(Secret());
  return builder;
}

InstallerMessageStatus Read(const base::Pickle& pickle, InstallerMessage* message,
                            bool without_secret_read = false) {
  return ReadInstallerMessage(pickle, Secret(), without_secret_read, message);
}

// Reads `pickle` as the UI side does; the calls it made, or {} when dropped.
Calls Deliver(const base::Pickle& pickle) {
  RecordingInstallerObserver observer;
  base::ObserverList<InstallerObserver> observers;
  observers.AddObserver(&observer);
  InstallerMessage message;
  if (Read(pickle, &message) == InstallerMessageStatus::kAccepted)
    NotifyInstallerObservers(message, &observers);
  return observer.calls();
}

std::string Bytes(const base::Pickle& pickle) {
  return std::string(static_cast<const char*>(pickle.data()), pickle.size());
}

// A message with the signature `signature`, the run's secret and `type`.
base::Pickle Raw(const std::string& signature, int type) {
  base::Pickle pickle;
  pickle.WriteString(signature);
  pickle.WriteString(Secret().bytes());
  pickle.WriteInt(type);
  return pickle;
}

TEST(InstallerMessageTest, TotalStepsHasTheDocumentedLayout) {
  const std::string secret(RunSecret::kSize, '\x7f');
  const std::string expected =
      std::string("\x44\x00\x00\x00"
                  "\x13\x00\x00\x00"
                  ":Installer message:\x00"
                  "\x20\x00\x00\x00",
                  32) +
      secret + std::string("\x03\x00\x00\x00\x19\x00\x00\x00", 8);
  EXPECT_EQ(expected,
            Bytes(*InstallerMessageBuilder(RunSecret::FromBytesForTesting(secret)).TotalSteps(25)));
  // A backend that was given no secret writes what a main process of an
  // earlier version reads.
  const std::string legacy(
      "\x20\x00\x00\x00"
      "\x13\x00\x00\x00"
      ":Installer message:\x00"
      "\x03\x00\x00\x00"
      "\x19\x00\x00\x00",
      36);
  EXPECT_EQ(legacy, Bytes(*InstallerMessageBuilder(RunSecret()).TotalSteps(25)));
}

// A message must carry the run's secret, or nothing of it is read. The
// layout without one is read only while the caller says that an installer of
// an earlier version, which writes none, may be writing.
TEST(InstallerMessageTest, MessagesCarryTheRunsSecretOrNone) {
  std::string bytes = Secret().bytes();
  bytes[RunSecret::kSize - 1] ^= 1;
  const InstallerMessageBuilder without{RunSecret()};
  const InstallerMessageBuilder one_byte_off{RunSecret::FromBytesForTesting(bytes)};
  const InstallerMessageBuilder other_run{RunSecret::Generate()};
  struct {
    const InstallerMessageBuilder* writer;
    bool without_secret_read;
    InstallerMessageStatus status;
  } cases[] = {
      {&Backend(), false, InstallerMessageStatus::kAccepted},
      {&Backend(), true, InstallerMessageStatus::kAccepted},
      {&without, true, InstallerMessageStatus::kAccepted},
      {&without, false, InstallerMessageStatus::kWithoutTheRunsSecret},
      {&one_byte_off, true, InstallerMessageStatus::kWithoutTheRunsSecret},
      {&other_run, false, InstallerMessageStatus::kWithoutTheRunsSecret},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(i);
    for (const auto& sent :
         {c.writer->Success(), c.writer->Error(RESULT_INVALID_PATH, L"", "forged"),
          c.writer->StartingNewMainProcess(/*earlier_version=*/false),
          c.writer->ReturnedToPreviousMainProcess(), c.writer->TotalSteps(1)}) {
      InstallerMessage message;
      message.text = "kept";
      EXPECT_EQ(c.status, Read(*sent, &message, c.without_secret_read));
      if (c.status == InstallerMessageStatus::kAccepted)
        EXPECT_EQ(c.writer == &Backend(), message.with_secret);
      else
        EXPECT_EQ("kept", message.text);
    }
  }
  // A secret cut short is no type either.
  base::Pickle short_secret;
  short_secret.WriteString(kInstallerMessageSignature);
  short_secret.WriteString(Secret().bytes().substr(0, RunSecret::kSize - 1));
  short_secret.WriteInt(IPC_MESSAGE_SUCCESS);
  EXPECT_EQ(Calls{}, Deliver(short_secret));
}

// Whoever wrote it, an error that says 0 is a failure.
TEST(InstallerMessageTest, ErrorWithCodeZeroIsAFailure) {
  EXPECT_EQ(Calls{"error 1  detail"},
            Deliver(*Backend().Error(RESULT_SUCCESS, L"", "detail")));
}

TEST(InstallerMessageTest, EveryTypeReachesItsNotification) {
  EXPECT_EQ(Calls{"starting_new_main_process 0"},
            Deliver(*Backend().StartingNewMainProcess(/*unused=*/false)));
  EXPECT_EQ(Calls{"returned_to_previous_main_process"},
            Deliver(*Backend().ReturnedToPreviousMainProcess()));
  EXPECT_EQ(Calls{"notify"}, Deliver(*Backend().Notify()));
  EXPECT_EQ(Calls{"total_steps 25"}, Deliver(*Backend().TotalSteps(25)));
  EXPECT_EQ(Calls{"step_starting copy_file:a\\b.dll"},
            Deliver(*Backend().StepStarting("copy_file:a\\b.dll")));
  EXPECT_EQ(Calls{"step_finished finalize 5 17"},
            Deliver(*Backend().StepFinished("finalize", 5, 17)));
  EXPECT_EQ(Calls{"important_event file_copy_retry"},
            Deliver(*Backend().ImportantEvent("file_copy_retry")));
  EXPECT_EQ(Calls{"error 6 C:\\x detail"},
            Deliver(*Backend().Error(RESULT_FOLDER_CREATION_FAILED, L"C:\\x", "detail")));
  EXPECT_EQ(Calls{"error 1  "}, Deliver(*Backend().Error(RESULT_GENERAL_FAILURE, L"", "")));
  EXPECT_EQ(Calls{"succeeded"}, Deliver(*Backend().Success()));
  EXPECT_EQ(Calls{"entering_phase 7"}, Deliver(*Backend().EnteringPhase(7)));
}

TEST(InstallerMessageTest, WideTextOfOddLengthAndOutsideTheBmpSurvives) {
  // Three code units (one a surrogate pair) leave two bytes of padding.
  const std::wstring text = L"\u00e9\U0001F600";
  ASSERT_EQ(3u, text.size());
  RecordingInstallerObserver observer;
  base::ObserverList<InstallerObserver> observers;
  observers.AddObserver(&observer);
  InstallerMessage message;
  std::unique_ptr<base::Pickle> pickle =
      Backend().Error(RESULT_FILE_COPY_FAILED, text, "d\xc3\xa9tail");
  EXPECT_EQ(0u, pickle->size() % 4);
  ASSERT_EQ(InstallerMessageStatus::kAccepted, Read(*pickle, &message));
  NotifyInstallerObservers(message, &observers);
  EXPECT_EQ(text, observer.last_error_message());
  EXPECT_EQ("d\xc3\xa9tail", message.text);
}

TEST(InstallerMessageTest, StepFinishedWithoutCompletedIsLegacy) {
  testing_support::ScopedLogCapture log;
  base::Pickle pickle = Raw(kInstallerMessageSignature, IPC_MESSAGE_STEP_FINISHED);
  pickle.WriteString("finalize");
  pickle.WriteInt(2);
  EXPECT_EQ(Calls{"step_finished finalize 2 0"}, Deliver(pickle));
  EXPECT_TRUE(log.Contains("The package uses legacy IPC_MESSAGE_STEP_FINISHED"));
}

TEST(InstallerMessageTest, UntrustedBytesAreCheckedAndDropped) {
  testing_support::ScopedLogCapture log;
  EXPECT_EQ(Calls{}, Deliver(Raw(":installer message:", IPC_MESSAGE_SUCCESS)));
  EXPECT_TRUE(log.Contains("Received a message without installer signature"));
  EXPECT_EQ(Calls{}, Deliver(Raw(":Installer message:x", IPC_MESSAGE_SUCCESS)));

  // Cut before the type: dropped without a word.
  base::Pickle no_type;
  no_type.WriteString(kInstallerMessageSignature);
  no_type.WriteString(Secret().bytes());
  EXPECT_EQ(Calls{}, Deliver(no_type));

  EXPECT_EQ(Calls{}, Deliver(Raw(kInstallerMessageSignature, 10)));
  EXPECT_EQ(Calls{}, Deliver(Raw(kInstallerMessageSignature, -1)));
  EXPECT_TRUE(log.Contains("Received installer message with invalid type"));

  struct {
    InstallerMessageType type;
    std::vector<int> ints;  // Written after the type.
    std::string log;
  } cases[] = {
      {IPC_MESSAGE_TOTAL_STEPS, {}, "Received invalid IPC_MESSAGE_TOTAL_STEPS message"},
      // Negative and huge lengths.
      {IPC_MESSAGE_STEP_STARTING, {-4}, "Received invalid IPC_MESSAGE_STEP_STARTING message"},
      {IPC_MESSAGE_IMPORTANT_EVENT, {0x7fffffff}, "IMPORTANT_EVENT message"},
      {IPC_MESSAGE_ERROR, {1, 0x40000000}, "Received invalid IPC_MESSAGE_ERROR message"},
      {IPC_MESSAGE_ERROR, {1, -1}, "IPC_MESSAGE_ERROR message"},
      // No result has this code.
      {IPC_MESSAGE_ERROR, {25, 0, 0}, "IPC_MESSAGE_ERROR message"},
      {IPC_MESSAGE_ERROR, {-1, 0, 0}, "IPC_MESSAGE_ERROR message"},
      {IPC_MESSAGE_STEP_FINISHED, {0}, "STEP_FINISHED message"},
      {IPC_MESSAGE_ENTERING_PHASE, {}, "ENTERING_PHASE message"},
  };
  for (const auto& c : cases) {
    base::Pickle pickle = Raw(kInstallerMessageSignature, c.type);
    for (int value : c.ints)
      pickle.WriteInt(value);
    EXPECT_EQ(Calls{}, Deliver(pickle)) << c.log;
    EXPECT_TRUE(log.Contains(c.log)) << c.log;
  }

  // Names go to logs and statistics: they must be UTF-8.
  base::Pickle bad_name = Raw(kInstallerMessageSignature, IPC_MESSAGE_STEP_STARTING);
  bad_name.WriteString("copy_file:\xff");
  EXPECT_EQ(Calls{}, Deliver(bad_name));
}

// Found by the fuzzer: an error message cut inside its wide text used to
// leave the caller's record half overwritten.
TEST(InstallerMessageTest, RefusedMessageLeavesTheRecordAsItWas) {
  std::unique_ptr<base::Pickle> error =
      Backend().Error(RESULT_SUCCESS, L"Setup failed", "detail");
  const std::string whole = Bytes(*error);
  std::string cut = whole.substr(0, whole.size() - 8);
  const uint32_t payload = static_cast<uint32_t>(cut.size() - sizeof(uint32_t));
  memcpy(&cut[0], &payload, sizeof(payload));
  InstallerMessage message;
  message.type = IPC_MESSAGE_TOTAL_STEPS;
  message.value = 12;
  message.text = "kept";
  EXPECT_EQ(InstallerMessageStatus::kMalformed, Read(base::Pickle(cut.data(), cut.size()), &message));
  EXPECT_EQ(IPC_MESSAGE_TOTAL_STEPS, message.type);
  EXPECT_EQ(12, message.value);
  EXPECT_EQ("kept", message.text);
  EXPECT_EQ(InstallerMessageStatus::kAccepted,
            Read(base::Pickle(whole.data(), whole.size()), &message));
  EXPECT_EQ(IPC_MESSAGE_ERROR, message.type);
  EXPECT_EQ(L"Setup failed", message.message);
}

TEST(InstallerMessageTest, LongTextsAreCutToFitTheMailslot) {
  const std::string detail(5000, 'd');
  const std::wstring message(300, L'm');
  std::unique_ptr<base::Pickle> error =
      Backend().Error(RESULT_FILE_COPY_FAILED, message, detail);
  EXPECT_LE(error->size(), kMaxInstallerMessageSize);
  EXPECT_GT(error->size(), kMaxInstallerMessageSize - 4);
  InstallerMessage read;
  ASSERT_EQ(InstallerMessageStatus::kAccepted, Read(*error, &read));
  // The detail gives way first; the user's text stays whole.
  EXPECT_EQ(message, read.message);
  EXPECT_EQ(std::string(2048 - 32 - 36 - 12 - 600, 'd'), read.text);

  // A user text that alone is too long is cut too, and the detail is empty.
  error = Backend().Error(RESULT_FILE_COPY_FAILED, std::wstring(3000, L'm'), detail);
  EXPECT_LE(error->size(), kMaxInstallerMessageSize);
  ASSERT_EQ(InstallerMessageStatus::kAccepted, Read(*error, &read));
  EXPECT_EQ(984u, read.message.size());
  EXPECT_EQ("", read.text);

  std::unique_ptr<base::Pickle> step =
      Backend().StepFinished("copy_file:" + std::string(3000, 'x'), 1, 2);
  EXPECT_LE(step->size(), kMaxInstallerMessageSize);
  ASSERT_EQ(InstallerMessageStatus::kAccepted, Read(*step, &read));
  EXPECT_EQ(1, read.attempt);
  EXPECT_EQ(2, read.completed);
  EXPECT_LE(Backend().ImportantEvent(std::string(4000, 'e'))->size(),
            kMaxInstallerMessageSize);
}

TEST(InstallerMessageTest, CutsKeepWholeCharacters) {
  // "é" is two bytes: a cut in its middle drops it.
  EXPECT_EQ("a", installer_messages::TruncateUTF8("a\xc3\xa9", 2));
  EXPECT_EQ("a\xc3\xa9", installer_messages::TruncateUTF8("a\xc3\xa9", 3));
  EXPECT_EQ("", installer_messages::TruncateUTF8("\xf0\x9f\x98\x80", 3));
  EXPECT_EQ(L"a", installer_messages::TruncateUTF16(L"a\U0001F600", 2));
  EXPECT_EQ(L"a\U0001F600", installer_messages::TruncateUTF16(L"a\U0001F600b", 3));

  // A long detail of multi-byte characters stays valid UTF-8 once cut.
  std::string detail;
  for (int i = 0; i < 1500; ++i)
    detail += "\xe2\x82\xac";  // The euro sign, three bytes.
  InstallerMessage read;
  ASSERT_EQ(InstallerMessageStatus::kAccepted,
            Read(*Backend().Error(RESULT_GENERAL_FAILURE, L"", detail), &read));
  EXPECT_TRUE(base::IsStringUTF8(read.text));
  EXPECT_EQ(0u, read.text.size() % 3);
}

}  // namespace
