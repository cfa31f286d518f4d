#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_BUILDER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_BUILDER_H_

#include <memory>
#include <string>

#include "base/pickle.h"
#include "desktop/windows/installer/utils/installer_result.h"

// One builder per message type. Each result fits the mailslot's maximum
// message size: texts that would pass it are cut at a character boundary,
// the error's log detail first, then its user message, and names last, so
// the final result of a run always gets through.
namespace installer_messages {

std::unique_ptr<base::Pickle> StartingNewMainProcess(bool unused);
std::unique_ptr<base::Pickle> ReturnedToPreviousMainProcess();
std::unique_ptr<base::Pickle> Notify();
std::unique_ptr<base::Pickle> TotalSteps(int total);
std::unique_ptr<base::Pickle> StepStarting(const std::string& step_name);
std::unique_ptr<base::Pickle> StepFinished(const std::string& step_name, int attempt,
                                           int completed);
std::unique_ptr<base::Pickle> ImportantEvent(const std::string& event_name);
std::unique_ptr<base::Pickle> Error(InstallerResult code, const std::wstring& message,
                                    const std::string& detail);
std::unique_ptr<base::Pickle> Success();
std::unique_ptr<base::Pickle> EnteringPhase(int phase);

// The longest prefix of `text` of at most `max_bytes` bytes that does not
// end inside a UTF-8 sequence.
std::string TruncateUTF8(const std::string& text, size_t max_bytes);
// The longest prefix of at most `max_units` code units that does not end
// between the two halves of a surrogate pair.
std::wstring TruncateUTF16(const std::wstring& text, size_t max_units);

}  // namespace installer_messages

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_BUILDER_H_
