#ifndef BASE_MESSAGE_LOOP_MESSAGE_DISPATCHER_H_
#define BASE_MESSAGE_LOOP_MESSAGE_DISPATCHER_H_

#include <windows.h>

#include <stdint.h>

namespace base {

// Sees every Windows message of a UI run loop that carries it, instead of the
// pump translating and dispatching it (for example to give dialogs their
// keyboard navigation).
class MessageDispatcher {
 public:
  enum : uint32_t {
    // The message was handled completely.
    kHandled = 0,
    // End the current run after this message.
    kQuitAfterMessage = 1,
    // Also translate and dispatch the message as usual.
    kTranslateAndDispatch = 2,
  };

  virtual ~MessageDispatcher() = default;
  // Returns a combination of the bits above.
  virtual uint32_t Dispatch(const MSG& message) = 0;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_DISPATCHER_H_
