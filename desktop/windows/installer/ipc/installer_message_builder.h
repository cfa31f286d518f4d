#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_BUILDER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_BUILDER_H_

#include <memory>
#include <string>

#include "base/pickle.h"
#include "desktop/windows/installer/ipc/installer_message.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/run_secret.h"

// Builds the messages of one backend, each carrying the run's secret; one
// method per message type. Each result fits the mailslot's maximum message
// size: texts that would pass it are cut at a character boundary, the
// error's log detail first, then its user message, and names last, so the
// final result of a run always gets through.
class InstallerMessageBuilder {
 public:
  // An empty secret gives messages without one.
  explicit InstallerMessageBuilder(RunSecret secret);
  ~InstallerMessageBuilder();

  std::unique_ptr<base::Pickle> StartingNewMainProcess(bool earlier_version) const;
  std::unique_ptr<base::Pickle> ReturnedToPreviousMainProcess() const;
  std::unique_ptr<base::Pickle> Notify() const;
  std::unique_ptr<base::Pickle> TotalSteps(int total) const;
  std::unique_ptr<base::Pickle> StepStarting(const std::string& step_name) const;
  std::unique_ptr<base::Pickle> StepFinished(const std::string& step_name, int attempt,
                                             int completed) const;
  std::unique_ptr<base::Pickle> ImportantEvent(const std::string& event_name) const;
  std::unique_ptr<base::Pickle> Error(InstallerResult code, const std::wstring& message,
                                      const std::string& detail) const;
  std::unique_ptr<base::Pickle> Success() const;
  std::unique_ptr<base::Pickle> EnteringPhase(int phase) const;

  // A message of `type` without arguments yet.
  std::unique_ptr<base::Pickle> Create(InstallerMessageType type) const;

 private:
  // Bytes left for variable text after the header, signature, secret, type
  // and `fixed_fields` further int fields (length prefixes included).
  size_t TextBudget(size_t fixed_fields) const;
  std::unique_ptr<base::Pickle> WithInt(InstallerMessageType type, int value) const;
  std::unique_ptr<base::Pickle> WithName(InstallerMessageType type,
                                         const std::string& name) const;

  const RunSecret secret_;
};

namespace installer_messages {

// The longest prefix of `text` of at most `max_bytes` bytes that does not
// end inside a UTF-8 sequence.
std::string TruncateUTF8(const std::string& text, size_t max_bytes);
// The longest prefix of at most `max_units` code units that does not end
// between the two halves of a surrogate pair.
std::wstring TruncateUTF16(const std::wstring& text, size_t max_units);

}  // namespace installer_messages

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_BUILDER_H_
