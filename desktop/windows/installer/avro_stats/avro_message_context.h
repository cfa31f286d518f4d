#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_MESSAGE_CONTEXT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_MESSAGE_CONTEXT_H_

#include <string>

class InstallerEvent;
struct SenderStatistics;

// Turns an event into the bytes of one statistics message, adding the values
// that every message of the process carries.
class AvroMessageContext {
 public:
  virtual ~AvroMessageContext() = default;

  // Called on the sender's network thread once per send attempt.
  virtual void Serialize(std::string* output,
                         const InstallerEvent& event,
                         const SenderStatistics& statistics) = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_MESSAGE_CONTEXT_H_
