#ifndef BASE_MESSAGE_LOOP_MESSAGE_PUMP_WIN_H_
#define BASE_MESSAGE_LOOP_MESSAGE_PUMP_WIN_H_

#include <windows.h>

#include <atomic>
#include <list>

#include "base/message_loop/message_dispatcher.h"
#include "base/message_loop/message_pump.h"
#include "base/time/time.h"

namespace base {

// Default class name of the pump's message-only window.
extern const wchar_t kMessageWindowClassName[];

// The histogram of the message loop's problems and its values (kept as
// they are: recorded values must keep their meaning).
inline constexpr char kMessageLoopProblemHistogram[] = "Tarvo.MessageLoopProblem";
enum MessageLoopProblem {
  MESSAGE_POST_ERROR = 0,
  COMPLETION_POST_ERROR = 1,
  SET_TIMER_ERROR = 2,
  RECEIVED_WM_QUIT_ERROR = 3,
  MESSAGE_LOOP_PROBLEM_MAX,
};

// What Windows pumps share: the per-run state and the delayed-work timeout.
class MessagePumpWin : public MessagePump {
 public:
  MessagePumpWin();
  ~MessagePumpWin() override;

  void Run(Delegate* delegate) override;
  // Runs like Run, handing every Windows message to |dispatcher| (when not
  // null) instead of translating and dispatching it.
  void RunWithDispatcher(Delegate* delegate, MessageDispatcher* dispatcher);
  void Quit() override;

 protected:
  struct RunState {
    Delegate* delegate;
    MessageDispatcher* dispatcher;
    bool should_quit;
    // 1 for the outermost run, one more for each nested run.
    int run_depth;
  };

  virtual void DoRunLoop() = 0;
  // Milliseconds until the delayed work is due, rounded up; INFINITE when
  // there is none.
  DWORD GetCurrentDelay() const;

  TimeTicks delayed_work_time_;
  // Set while a wake-up is queued; the only field touched by other threads.
  std::atomic<bool> work_scheduled_{false};
  RunState* state_ = nullptr;
};

// Pumps Windows messages of the thread, with a message-only window that
// receives the pump's own wake-ups and timers.
class MessagePumpForUI : public MessagePumpWin {
 public:
  // The pump's wake-up message.
  static constexpr UINT kMsgHaveWork = WM_USER + 1;

  explicit MessagePumpForUI(const wchar_t* window_class_name = kMessageWindowClassName);
  ~MessagePumpForUI() override;

  void ScheduleWork() override;
  void ScheduleDelayedWork(const TimeTicks& delayed_work_time) override;

  HWND message_window() const { return message_hwnd_; }
  // Handles one message taken from the queue; false when it was not a
  // message that counts as work (a wake-up with nothing behind it, WM_QUIT).
  bool ProcessMessageHelper(const MSG& message);

 private:
  static LRESULT CALLBACK WndProcThunk(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void DoRunLoop() override;
  void WaitForWork();
  void HandleWorkMessage();
  void HandleTimerMessage();
  bool ProcessNextWindowsMessage();
  bool ProcessPumpReplacementMessage();

  HWND message_hwnd_ = nullptr;
  const DWORD thread_id_;
};

// Waits on an IO completion port: overlapped IO completions and tasks.
class MessagePumpForIO : public MessagePumpWin {
 public:
  struct IOContext {
    OVERLAPPED overlapped;
  };

  // Receives the completions of the files registered for it, on the pump's
  // thread. |error| is 0 on success, else a Windows error code.
  class IOHandler {
   public:
    virtual ~IOHandler() = default;
    virtual void OnIOCompleted(IOContext* context, DWORD bytes_transfered, DWORD error) = 0;
  };

  MessagePumpForIO();
  ~MessagePumpForIO() override;

  void ScheduleWork() override;
  void ScheduleDelayedWork(const TimeTicks& delayed_work_time) override;

  // Associates an overlapped file with the port; false (with the Windows
  // error in GetLastError) when the system refuses.
  bool RegisterIOHandler(HANDLE file_handle, IOHandler* handler);
  // Waits up to |timeout| ms for one completion and delivers it. With a
  // |filter| only that handler's completions are delivered; others are kept
  // for later. False when nothing completed in time.
  bool WaitForIOCompletion(DWORD timeout, IOHandler* filter);

 private:
  struct IOItem {
    IOHandler* handler;
    IOContext* context;
    DWORD bytes_transfered;
    DWORD error;
  };

  void DoRunLoop() override;
  void WaitForWork();
  bool MatchCompletedIOItem(IOHandler* filter, IOItem* item);
  bool GetIOItem(DWORD timeout, IOItem* item);
  bool ProcessInternalIOItem(const IOItem& item);

  HANDLE port_;
  std::list<IOItem> completed_io_;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_PUMP_WIN_H_
