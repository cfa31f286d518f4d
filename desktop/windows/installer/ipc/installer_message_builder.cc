#include "desktop/windows/installer/ipc/installer_message_builder.h"

#include <algorithm>

#include "desktop/windows/installer/ipc/installer_message.h"

namespace installer_messages {

namespace {

constexpr size_t kFieldSize = 4;

size_t AlignUp(size_t size) {
  return (size + kFieldSize - 1) / kFieldSize * kFieldSize;
}

// Bytes left for variable text after the header, signature, type and
// `fixed_fields` further int fields (length prefixes included).
size_t TextBudget(size_t fixed_fields) {
  const size_t used = kFieldSize /* header */ + kFieldSize +
                      AlignUp(sizeof(kInstallerMessageSignature) - 1) + kFieldSize /* type */ +
                      fixed_fields * kFieldSize;
  return kMaxInstallerMessageSize - used;
}

std::unique_ptr<base::Pickle> WithInt(InstallerMessageType type, int value) {
  std::unique_ptr<base::Pickle> message = CreateInstallerMessage(type);
  message->WriteInt(value);
  return message;
}

std::unique_ptr<base::Pickle> WithName(InstallerMessageType type, const std::string& name) {
  std::unique_ptr<base::Pickle> message = CreateInstallerMessage(type);
  // One length prefix.
  message->WriteString(TruncateUTF8(name, TextBudget(1)));
  return message;
}

}  // namespace

std::string TruncateUTF8(const std::string& text, size_t max_bytes) {
  if (text.size() <= max_bytes)
    return text;
  size_t end = max_bytes;
  // Back off over continuation bytes to the lead byte of the cut sequence.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  return text.substr(0, end);
}

std::wstring TruncateUTF16(const std::wstring& text, size_t max_units) {
  if (text.size() <= max_units)
    return text;
  size_t end = max_units;
  if (end > 0 && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF)
    --end;
  return text.substr(0, end);
}

std::unique_ptr<base::Pickle> StartingNewMainProcess(bool unused) {
  std::unique_ptr<base::Pickle> message =
      CreateInstallerMessage(IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS);
  message->WriteBool(unused);
  return message;
}

std::unique_ptr<base::Pickle> ReturnedToPreviousMainProcess() {
  return CreateInstallerMessage(IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS);
}

std::unique_ptr<base::Pickle> Notify() {
  return CreateInstallerMessage(IPC_MESSAGE_NOTIFY);
}

std::unique_ptr<base::Pickle> TotalSteps(int total) {
  return WithInt(IPC_MESSAGE_TOTAL_STEPS, total);
}

std::unique_ptr<base::Pickle> StepStarting(const std::string& step_name) {
  return WithName(IPC_MESSAGE_STEP_STARTING, step_name);
}

std::unique_ptr<base::Pickle> StepFinished(const std::string& step_name, int attempt,
                                           int completed) {
  std::unique_ptr<base::Pickle> message = CreateInstallerMessage(IPC_MESSAGE_STEP_FINISHED);
  // The name's length prefix, attempt and completed.
  message->WriteString(TruncateUTF8(step_name, TextBudget(3)));
  message->WriteInt(attempt);
  message->WriteInt(completed);
  return message;
}

std::unique_ptr<base::Pickle> ImportantEvent(const std::string& event_name) {
  return WithName(IPC_MESSAGE_IMPORTANT_EVENT, event_name);
}

std::unique_ptr<base::Pickle> Error(InstallerResult code, const std::wstring& message,
                                    const std::string& detail) {
  // The code and two length prefixes.
  const size_t budget = TextBudget(3);
  // The user's text is kept whole when it can be; the detail gets the rest.
  std::wstring user_text = TruncateUTF16(message, budget / sizeof(wchar_t));
  const size_t user_bytes = AlignUp(user_text.size() * sizeof(wchar_t));
  const size_t detail_budget = (budget - user_bytes) / kFieldSize * kFieldSize;
  std::unique_ptr<base::Pickle> pickle = CreateInstallerMessage(IPC_MESSAGE_ERROR);
  pickle->WriteInt(static_cast<int>(code));
  pickle->WriteString16(user_text);
  pickle->WriteString(TruncateUTF8(detail, detail_budget));
  return pickle;
}

std::unique_ptr<base::Pickle> Success() {
  return CreateInstallerMessage(IPC_MESSAGE_SUCCESS);
}

std::unique_ptr<base::Pickle> EnteringPhase(int phase) {
  return WithInt(IPC_MESSAGE_ENTERING_PHASE, phase);
}

}  // namespace installer_messages
