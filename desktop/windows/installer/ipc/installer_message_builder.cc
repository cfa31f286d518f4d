#include "desktop/windows/installer/ipc/installer_message_builder.h"

#include <algorithm>
#include <utility>

#include "desktop/windows/installer/ipc/installer_message.h"

namespace {

constexpr size_t kFieldSize = 4;

size_t AlignUp(size_t size) {
  return (size + kFieldSize - 1) / kFieldSize * kFieldSize;
}

}  // namespace

InstallerMessageBuilder::InstallerMessageBuilder(RunSecret secret) : secret_(std::move(secret)) {}

InstallerMessageBuilder::~InstallerMessageBuilder() = default;

std::unique_ptr<base::Pickle> InstallerMessageBuilder::Create(InstallerMessageType type) const {
  return CreateInstallerMessage(type, secret_);
}

size_t InstallerMessageBuilder::TextBudget(size_t fixed_fields) const {
  const size_t secret =
      secret_.empty() ? 0 : kFieldSize + AlignUp(secret_.bytes().size());
  const size_t used = kFieldSize /* header */ + kFieldSize +
                      AlignUp(sizeof(kInstallerMessageSignature) - 1) + secret +
                      kFieldSize /* type */ + fixed_fields * kFieldSize;
  return kMaxInstallerMessageSize - used;
}

std::unique_ptr<base::Pickle> InstallerMessageBuilder::WithInt(InstallerMessageType type,
                                                               int value) const {
  std::unique_ptr<base::Pickle> message = Create(type);
  message->WriteInt(value);
  return message;
}

std::unique_ptr<base::Pickle> InstallerMessageBuilder::WithName(InstallerMessageType type,
                                                                const std::string& name) const {
  std::unique_ptr<base::Pickle> message = Create(type);
  // One length prefix.
  message->WriteString(installer_messages::TruncateUTF8(name, TextBudget(1)));
  return message;
}

std::unique_ptr<base::Pickle> InstallerMessageBuilder::StartingNewMainProcess(
    bool earlier_version) const {
  std::unique_ptr<base::Pickle> message = Create(IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS);
  message->WriteBool(earlier_version);
  return message;
}

std::unique_ptr<base::Pickle> InstallerMessageBuilder::ReturnedToPreviousMainProcess() const {
  return Create(IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS);
}

std::unique_ptr<base::Pickle> InstallerMessageBuilder::Notify() const {
  return Create(IPC_MESSAGE_NOTIFY);
}

std::unique_ptr<base::Pickle> InstallerMessageBuilder::TotalSteps(int total) const {
  return WithInt(IPC_MESSAGE_TOTAL_STEPS, total);
}

std::unique_ptr<base::Pickle> InstallerMessageBuilder::StepStarting(
    const std::string& step_name) const {
  return WithName(IPC_MESSAGE_STEP_STARTING, step_name);
}

std::unique_ptr<base::Pickle> InstallerMessageBuilder::StepFinished(const std::string& step_name,
                                                                    int attempt,
                                                                    int completed) const {
  std::unique_ptr<base::Pickle> message = Create(IPC_MESSAGE_STEP_FINISHED);
  // The name's length prefix, attempt and completed.
  message->WriteString(installer_messages::TruncateUTF8(step_name, TextBudget(3)));
  message->WriteInt(attempt);
  message->WriteInt(completed);
  return message;
}

std::unique_ptr<base::Pickle> InstallerMessageBuilder::ImportantEvent(
    const std::string& event_name) const {
  return WithName(IPC_MESSAGE_IMPORTANT_EVENT, event_name);
}

std::unique_ptr<base::Pickle> InstallerMessageBuilder::Error(InstallerResult code,
                                                             const std::wstring& message,
                                                             const std::string& detail) const {
  // The code and two length prefixes.
  const size_t budget = TextBudget(3);
  // The user's text is kept whole when it can be; the detail gets the rest.
  std::wstring user_text = installer_messages::TruncateUTF16(message, budget / sizeof(wchar_t));
  const size_t user_bytes = AlignUp(user_text.size() * sizeof(wchar_t));
  const size_t detail_budget = (budget - user_bytes) / kFieldSize * kFieldSize;
  std::unique_ptr<base::Pickle> pickle = Create(IPC_MESSAGE_ERROR);
  pickle->WriteInt(static_cast<int>(code));
  pickle->WriteString16(user_text);
  pickle->WriteString(installer_messages::TruncateUTF8(detail, detail_budget));
  return pickle;
}

std::unique_ptr<base::Pickle> InstallerMessageBuilder::Success() const {
  return Create(IPC_MESSAGE_SUCCESS);
}

std::unique_ptr<base::Pickle> InstallerMessageBuilder::EnteringPhase(int phase) const {
  return WithInt(IPC_MESSAGE_ENTERING_PHASE, phase);
}

namespace installer_messages {

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

}  // namespace installer_messages
