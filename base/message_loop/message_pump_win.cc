#include "base/message_loop/message_pump_win.h"

#include <algorithm>

#include "base/logging.h"
#include "base/metrics/histogram_functions.h"

namespace base {

const wchar_t kMessageWindowClassName[] = L"Tarvo_MessageWindow";

namespace {

// The module that contains this code (the DLL when linked into one).
HINSTANCE GetThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&GetThisModule), &module);
  return module;
}

}  // namespace

// MessagePumpWin -------------------------------------------------------------

MessagePumpWin::MessagePumpWin() = default;
MessagePumpWin::~MessagePumpWin() = default;

void MessagePumpWin::Run(Delegate* delegate) {
  RunWithDispatcher(delegate, nullptr);
}

void MessagePumpWin::RunWithDispatcher(Delegate* delegate, MessageDispatcher* dispatcher) {
  RunState state;
  state.delegate = delegate;
  state.dispatcher = dispatcher;
  state.should_quit = false;
  state.run_depth = state_ ? state_->run_depth + 1 : 1;

  RunState* previous_state = state_;
  state_ = &state;
  DoRunLoop();
  state_ = previous_state;
}

void MessagePumpWin::Quit() {
  if (state_)
    state_->should_quit = true;
}

DWORD MessagePumpWin::GetCurrentDelay() const {
  if (delayed_work_time_.is_null())
    return INFINITE;
  return (delayed_work_time_ - TimeTicks::Now()).InMillisecondsForWait();
}

// MessagePumpForUI -------------------------------------------------------------

MessagePumpForUI::MessagePumpForUI(const wchar_t* window_class_name)
    : thread_id_(GetCurrentThreadId()) {
  HINSTANCE instance = GetThisModule();
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &MessagePumpForUI::WndProcThunk;
  wc.hInstance = instance;
  wc.lpszClassName = window_class_name;
  // Every pump registers; a class this module registered before is fine.
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    PLOG(ERROR) << "Failed to register the window class for a message-only window";
    return;
  }
  message_hwnd_ = CreateWindowExW(0, window_class_name, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, instance, nullptr);
  if (!message_hwnd_) {
    PLOG(ERROR) << "Failed to create a message-only window";
    return;
  }
  SetWindowLongPtrW(message_hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

MessagePumpForUI::~MessagePumpForUI() {
  if (message_hwnd_) {
    KillTimer(message_hwnd_, reinterpret_cast<UINT_PTR>(this));
    SetWindowLongPtrW(message_hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(message_hwnd_);
  }
}

void MessagePumpForUI::ScheduleWork() {
  if (work_scheduled_.exchange(true))
    return;  // A wake-up is already queued.
  // Without a window (it could not be created) the wake-up goes to the
  // thread's queue, where the pump recognises it just the same.
  BOOL posted = message_hwnd_
                    ? PostMessageW(message_hwnd_, kMsgHaveWork, reinterpret_cast<WPARAM>(this), 0)
                    : PostThreadMessageW(thread_id_, kMsgHaveWork, reinterpret_cast<WPARAM>(this), 0);
  if (!posted) {
    // Most likely the queue is full; a later post may succeed.
    work_scheduled_ = false;
    PLOG(ERROR) << "Failed to post the pump's wake-up message";
  }
}

void MessagePumpForUI::ScheduleDelayedWork(const TimeTicks& delayed_work_time) {
  delayed_work_time_ = delayed_work_time;
  if (!message_hwnd_)
    return;
  // The timer only matters while a native modal loop runs; our own loop
  // waits with the exact timeout.
  const UINT delay = std::clamp<DWORD>(GetCurrentDelay(), USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  SetTimer(message_hwnd_, reinterpret_cast<UINT_PTR>(this), delay, nullptr);
}

LRESULT CALLBACK MessagePumpForUI::WndProcThunk(HWND hwnd, UINT message, WPARAM wparam,
                                                LPARAM lparam) {
  auto* pump = reinterpret_cast<MessagePumpForUI*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (pump) {
    if (message == kMsgHaveWork) {
      pump->HandleWorkMessage();
      return 0;
    }
    if (message == WM_TIMER && wparam == reinterpret_cast<WPARAM>(pump)) {
      pump->HandleTimerMessage();
      return 0;
    }
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void MessagePumpForUI::DoRunLoop() {
  for (;;) {
    bool more_work_is_plausible = ProcessNextWindowsMessage();
    if (state_->should_quit)
      break;

    more_work_is_plausible |= state_->delegate->DoWork();
    if (state_->should_quit)
      break;

    more_work_is_plausible |= state_->delegate->DoDelayedWork(&delayed_work_time_);
    if (more_work_is_plausible && delayed_work_time_.is_null() && message_hwnd_)
      KillTimer(message_hwnd_, reinterpret_cast<UINT_PTR>(this));
    if (state_->should_quit)
      break;
    if (more_work_is_plausible)
      continue;

    more_work_is_plausible = state_->delegate->DoIdleWork();
    if (state_->should_quit)
      break;
    if (more_work_is_plausible)
      continue;

    WaitForWork();
  }
}

void MessagePumpForUI::WaitForWork() {
  DWORD result =
      MsgWaitForMultipleObjectsEx(0, nullptr, GetCurrentDelay(), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (result == WAIT_OBJECT_0) {
    // Input is said to be available. When another thread's message loop
    // already saw it, nothing can be peeked; wait for really new input then
    // instead of spinning.
    MSG msg;
    bool has_pending_sent_message = (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0;
    if (has_pending_sent_message || PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
      return;
    WaitMessage();
  }
}

void MessagePumpForUI::HandleWorkMessage() {
  // Reached through DispatchMessage, i.e. from a native loop (a modal dialog
  // or message box) inside one of our tasks, or with no run at all.
  work_scheduled_ = false;
  if (!state_)
    return;
  if (state_->delegate->DoWork())
    ScheduleWork();
  state_->delegate->DoDelayedWork(&delayed_work_time_);
  if (!delayed_work_time_.is_null())
    ScheduleDelayedWork(delayed_work_time_);
}

void MessagePumpForUI::HandleTimerMessage() {
  KillTimer(message_hwnd_, reinterpret_cast<UINT_PTR>(this));
  if (!state_)
    return;
  state_->delegate->DoDelayedWork(&delayed_work_time_);
  if (!delayed_work_time_.is_null())
    ScheduleDelayedWork(delayed_work_time_);
}

bool MessagePumpForUI::ProcessNextWindowsMessage() {
  // Sent messages are handled inside PeekMessage; they count as work.
  bool sent_messages_in_queue = (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0;
  MSG msg;
  if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    return ProcessMessageHelper(msg);
  return sent_messages_in_queue;
}

bool MessagePumpForUI::ProcessMessageHelper(const MSG& msg) {
  if (msg.message == kMsgHaveWork && msg.hwnd == message_hwnd_)
    return ProcessPumpReplacementMessage();

  if (msg.message == WM_QUIT) {
    // Ends this run. A nested run passes the quit on so that the enclosing
    // runs end too; the outermost run consumes it, so that no stale WM_QUIT
    // is left to end a later loop (or message box) at once. Something
    // other than the loop's own quit posted it: worth counting.
    UmaHistogramExactLinear(kMessageLoopProblemHistogram, RECEIVED_WM_QUIT_ERROR,
                            MESSAGE_LOOP_PROBLEM_MAX);
    state_->should_quit = true;
    if (state_->run_depth > 1)
      PostQuitMessage(static_cast<int>(msg.wParam));
    return false;
  }

  if (state_->dispatcher) {
    uint32_t action = state_->dispatcher->Dispatch(msg);
    if (action & MessageDispatcher::kQuitAfterMessage)
      state_->should_quit = true;
    if (!(action & MessageDispatcher::kTranslateAndDispatch))
      return true;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return true;
}

bool MessagePumpForUI::ProcessPumpReplacementMessage() {
  // The wake-up itself carries nothing: handle the next message in its place
  // so that the wake-up does not cost a turn of the loop.
  MSG msg;
  bool have_message = PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE;
  work_scheduled_ = false;
  if (!have_message)
    return false;
  // The wake-up was consumed; make sure the tasks get their turn.
  ScheduleWork();
  return ProcessMessageHelper(msg);
}

// MessagePumpForIO -------------------------------------------------------------

MessagePumpForIO::MessagePumpForIO()
    : port_(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)) {
  if (!port_)
    PLOG(FATAL) << "Failed to create an IO completion port";
}

MessagePumpForIO::~MessagePumpForIO() {
  if (port_)
    CloseHandle(port_);
}

void MessagePumpForIO::ScheduleWork() {
  if (work_scheduled_.exchange(true))
    return;
  // A completion packet whose key and context are the pump itself.
  if (!PostQueuedCompletionStatus(port_, 0, reinterpret_cast<ULONG_PTR>(this),
                                  reinterpret_cast<OVERLAPPED*>(this))) {
    work_scheduled_ = false;
    PLOG(ERROR) << "Failed to post the pump's wake-up packet";
  }
}

void MessagePumpForIO::ScheduleDelayedWork(const TimeTicks& delayed_work_time) {
  // Only called on the pump's thread, which computes its wait from this.
  delayed_work_time_ = delayed_work_time;
}

bool MessagePumpForIO::RegisterIOHandler(HANDLE file_handle, IOHandler* handler) {
  HANDLE port =
      CreateIoCompletionPort(file_handle, port_, reinterpret_cast<ULONG_PTR>(handler), 1);
  return port == port_;
}

void MessagePumpForIO::DoRunLoop() {
  for (;;) {
    bool more_work_is_plausible = state_->delegate->DoWork();
    if (state_->should_quit)
      break;

    more_work_is_plausible |= WaitForIOCompletion(0, nullptr);
    if (state_->should_quit)
      break;

    more_work_is_plausible |= state_->delegate->DoDelayedWork(&delayed_work_time_);
    if (state_->should_quit)
      break;
    if (more_work_is_plausible)
      continue;

    more_work_is_plausible = state_->delegate->DoIdleWork();
    if (state_->should_quit)
      break;
    if (more_work_is_plausible)
      continue;

    WaitForWork();
  }
}

void MessagePumpForIO::WaitForWork() {
  WaitForIOCompletion(GetCurrentDelay(), nullptr);
}

bool MessagePumpForIO::WaitForIOCompletion(DWORD timeout, IOHandler* filter) {
  IOItem item;
  if (completed_io_.empty() || !MatchCompletedIOItem(filter, &item)) {
    if (!GetIOItem(timeout, &item))
      return false;
    if (ProcessInternalIOItem(item))
      return true;
  }
  if (filter && item.handler != filter) {
    completed_io_.push_back(item);
  } else {
    item.handler->OnIOCompleted(item.context, item.bytes_transfered, item.error);
  }
  return true;
}

bool MessagePumpForIO::MatchCompletedIOItem(IOHandler* filter, IOItem* item) {
  for (auto it = completed_io_.begin(); it != completed_io_.end(); ++it) {
    if (!filter || it->handler == filter) {
      *item = *it;
      completed_io_.erase(it);
      return true;
    }
  }
  return false;
}

bool MessagePumpForIO::GetIOItem(DWORD timeout, IOItem* item) {
  DWORD bytes = 0;
  ULONG_PTR key = 0;
  OVERLAPPED* overlapped = nullptr;
  BOOL ok = GetQueuedCompletionStatus(port_, &bytes, &key, &overlapped, timeout);
  if (!overlapped)
    return false;  // Timed out, or the port failed without dequeuing anything.
  item->handler = reinterpret_cast<IOHandler*>(key);
  item->context = reinterpret_cast<IOContext*>(overlapped);
  item->bytes_transfered = bytes;
  item->error = ok ? 0 : GetLastError();
  return true;
}

bool MessagePumpForIO::ProcessInternalIOItem(const IOItem& item) {
  if (reinterpret_cast<void*>(item.handler) == this &&
      reinterpret_cast<void*>(item.context) == this) {
    work_scheduled_ = false;
    return true;
  }
  return false;
}

}  // namespace base
