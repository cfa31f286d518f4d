#include "base/message_loop/message_pump_win.h"

#include <windows.h>

#include <functional>
#include <vector>

#include "base/bind.h"
#include "base/message_loop/message_dispatcher.h"
#include "base/message_loop/message_loop.h"
#include "base/metrics/histogram_recorder.h"
#include "base/run_loop.h"
#include "base/threading/thread_task_runner_handle.h"
#include "gtest/gtest.h"

namespace base {
namespace {

constexpr UINT kTestKey = WM_KEYDOWN;
constexpr UINT kStopMessage = WM_APP + 7;

// A message-only window that records what reaches its window procedure.
class TestWindow {
 public:
  TestWindow() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TestWindow::WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PumpTestWindow";
    RegisterClassExW(&wc);
    hwnd_ = CreateWindowExW(0, L"PumpTestWindow", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~TestWindow() { DestroyWindow(hwnd_); }

  HWND hwnd() const { return hwnd_; }
  std::vector<UINT> received;
  // Called after a recorded message was recorded.
  std::function<void(UINT)> on_received;

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && (message == kTestKey || message == kStopMessage || message == WM_CHAR)) {
      self->received.push_back(message);
      if (self->on_received)
        self->on_received(message);
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }

  HWND hwnd_ = nullptr;
};

// Answers key messages with a fixed action and quits on kStopMessage.
class TestDispatcher : public MessageDispatcher {
 public:
  explicit TestDispatcher(uint32_t key_action) : key_action_(key_action) {}
  uint32_t Dispatch(const MSG& message) override {
    seen.push_back(message.message);
    if (message.message == kTestKey)
      return key_action_;
    if (message.message == kStopMessage)
      return kQuitAfterMessage;
    return kTranslateAndDispatch;
  }
  std::vector<UINT> seen;

 private:
  uint32_t key_action_;
};

bool QueueHasQuit() {
  MSG msg;
  return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

TEST(MessageDispatcherTest, HandledKeyNeverReachesTheWindow) {
  MessageLoopForUI loop;
  TestWindow window;
  TestDispatcher dispatcher(MessageDispatcher::kHandled);
  PostMessageW(window.hwnd(), kTestKey, 'A', 0);
  PostMessageW(window.hwnd(), kStopMessage, 0, 0);
  RunLoop(&dispatcher).Run();
  EXPECT_EQ((std::vector<UINT>{kTestKey, kStopMessage}), dispatcher.seen);
  EXPECT_TRUE(window.received.empty());
}

TEST(MessageDispatcherTest, QuitBitEndsTheRunAfterTheMessage) {
  MessageLoopForUI loop;
  TestWindow window;
  TestDispatcher dispatcher(MessageDispatcher::kQuitAfterMessage);
  PostMessageW(window.hwnd(), kTestKey, 'A', 0);
  PostMessageW(window.hwnd(), kStopMessage, 0, 0);
  RunLoop(&dispatcher).Run();
  EXPECT_EQ((std::vector<UINT>{kTestKey}), dispatcher.seen);
  EXPECT_TRUE(window.received.empty());
  // The second message is still queued for whoever runs next.
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, window.hwnd(), kStopMessage, kStopMessage, PM_REMOVE));
}

TEST(MessageDispatcherTest, QuitAndDispatchBitsDeliverAndTranslate) {
  MessageLoopForUI loop;
  TestWindow window;
  TestDispatcher dispatcher(MessageDispatcher::kQuitAfterMessage |
                            MessageDispatcher::kTranslateAndDispatch);
  PostMessageW(window.hwnd(), kTestKey, 'A', 0x001E0001);
  RunLoop(&dispatcher).Run();
  ASSERT_FALSE(window.received.empty());
  EXPECT_EQ(kTestKey, window.received[0]);
  // TranslateMessage of the key down queued a WM_CHAR; the run ended before
  // it, and a plain run delivers it without the dispatcher.
  RunLoop().RunUntilIdle();
  EXPECT_EQ(1u, dispatcher.seen.size());
}

TEST(MessageDispatcherTest, TasksStillRunUnderADispatcher) {
  MessageLoopForUI loop;
  TestDispatcher dispatcher(MessageDispatcher::kHandled);
  RunLoop run_loop(&dispatcher);
  int ran = 0;
  loop.task_runner()->PostTask(FROM_HERE, BindOnce([](int* ran) { ++*ran; }, &ran));
  loop.task_runner()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                      TimeDelta::FromMilliseconds(20));
  run_loop.Run();
  EXPECT_EQ(1, ran);
  // The pump's own wake-ups are not the dispatcher's business.
  for (UINT message : dispatcher.seen)
    EXPECT_NE(MessagePumpForUI::kMsgHaveWork, message);
}

TEST(MessageDispatcherTest, WmQuitInNestedRunEndsEveryRunAndIsConsumed) {
  MessageLoopForUI loop;
  std::vector<int> log;
  loop.task_runner()->PostTask(FROM_HERE, BindOnce(
                                              [](std::vector<int>* log) {
                                                RunLoop nested(RunLoop::Type::kNestableTasksAllowed);
                                                PostQuitMessage(5);
                                                nested.Run();
                                                log->push_back(1);
                                              },
                                              &log));
  loop.task_runner()->PostTask(FROM_HERE, BindOnce([](std::vector<int>* log) { log->push_back(2); }, &log));
  RunLoop outer;
  outer.Run();  // Hangs if the quit does not reach the outer run.
  EXPECT_EQ((std::vector<int>{1}), log);
  // The outermost run took the quit: nothing is left to end a later loop.
  EXPECT_FALSE(QueueHasQuit());
  RunLoop().RunUntilIdle();
  EXPECT_EQ((std::vector<int>{1, 2}), log);
}

// A WM_QUIT ends the run without reaching the dispatcher, and the loop's
// problem histogram counts it.
TEST(MessageDispatcherTest, WmQuitUnderDispatcherIsNotDispatchedButCounted) {
  MessageLoopForUI loop;
  TestDispatcher dispatcher(MessageDispatcher::kHandled);
  const int counted_before = HistogramRecorder::GetInstance()->GetCount(
      kMessageLoopProblemHistogram, RECEIVED_WM_QUIT_ERROR);
  PostQuitMessage(0);
  RunLoop(&dispatcher).Run();
  EXPECT_TRUE(dispatcher.seen.empty());
  EXPECT_FALSE(QueueHasQuit());
  EXPECT_EQ(counted_before + 1, HistogramRecorder::GetInstance()->GetCount(
                                    kMessageLoopProblemHistogram, RECEIVED_WM_QUIT_ERROR));
}

TEST(MessageDispatcherTest, NestedPlainRunBypassesTheOuterDispatcher) {
  MessageLoopForUI loop;
  TestWindow window;
  TestDispatcher dispatcher(MessageDispatcher::kHandled);
  MessageDispatcher* inside_nested = &dispatcher;
  RunLoop* nested_run = nullptr;
  // The nested run ends once 'B' and the WM_CHAR its translation queued have
  // both reached the window: a run ended by time may end between the two,
  // and leave the WM_CHAR to the outer run and its dispatcher.
  window.on_received = [&](UINT message) {
    if (message != WM_CHAR || !nested_run)
      return;
    inside_nested = RunLoop::GetCurrentDispatcher();
    nested_run->Quit();
    nested_run = nullptr;
  };
  loop.task_runner()->PostTask(
      FROM_HERE, BindOnce(
                     [](HWND hwnd, RunLoop** nested_run) {
                       RunLoop nested(RunLoop::Type::kNestableTasksAllowed);
                       *nested_run = &nested;
                       PostMessageW(hwnd, kTestKey, 'B', 0);
                       // Only when 'B' never reaches the window: a failure,
                       // not a hang.
                       ThreadTaskRunnerHandle::Get()->PostDelayedTask(
                           FROM_HERE, nested.QuitClosure(), TimeDelta::FromSeconds(30));
                       nested.Run();
                       *nested_run = nullptr;
                       PostMessageW(hwnd, kTestKey, 'C', 0);
                       PostMessageW(hwnd, kStopMessage, 0, 0);
                     },
                     window.hwnd(), &nested_run));
  RunLoop outer(&dispatcher);
  outer.Run();
  EXPECT_EQ(nullptr, inside_nested);
  // 'B' went straight to the window (translated, hence the WM_CHAR) during
  // the nested run; 'C' went to the dispatcher again afterwards (and was
  // swallowed).
  EXPECT_EQ((std::vector<UINT>{kTestKey, WM_CHAR}), window.received);
  EXPECT_EQ((std::vector<UINT>{kTestKey, kStopMessage}), dispatcher.seen);
  EXPECT_EQ(nullptr, RunLoop::GetCurrentDispatcher());
}

TEST(MessageDispatcherTest, NestedDispatcherRunRunsTasksOnlyWhenItsTypeAllows) {
  MessageLoopForUI loop;
  TestWindow window;
  std::vector<int> log;
  loop.task_runner()->PostTask(
      FROM_HERE, BindOnce(
                     [](std::vector<int>* log, HWND hwnd) {
                       auto runner = ThreadTaskRunnerHandle::Get();
                       {
                         // Tasks allowed: a posted task can end the run.
                         TestDispatcher dispatcher(MessageDispatcher::kHandled);
                         RunLoop nested(&dispatcher, RunLoop::Type::kNestableTasksAllowed);
                         runner->PostTask(FROM_HERE, BindOnce([](std::vector<int>* log) { log->push_back(1); }, log));
                         runner->PostTask(FROM_HERE, nested.QuitClosure());
                         nested.Run();
                       }
                       {
                         // Default type: messages only; the task waits.
                         TestDispatcher dispatcher(MessageDispatcher::kHandled);
                         RunLoop nested(&dispatcher);
                         runner->PostTask(FROM_HERE, BindOnce([](std::vector<int>* log) { log->push_back(3); }, log));
                         PostMessageW(hwnd, kStopMessage, 0, 0);
                         nested.Run();
                         log->push_back(2);
                       }
                     },
                     &log, window.hwnd()));
  RunLoop().RunUntilIdle();
  EXPECT_EQ((std::vector<int>{1, 2, 3}), log);
}

TEST(MessageDispatcherTest, DefaultLoopNeverConsultsTheDispatcher) {
  MessageLoop loop(MessageLoop::TYPE_DEFAULT);
  TestWindow window;
  TestDispatcher dispatcher(MessageDispatcher::kQuitAfterMessage);
  PostMessageW(window.hwnd(), kTestKey, 'A', 0);
  RunLoop run_loop(&dispatcher);
  MessageDispatcher* current = nullptr;
  loop.task_runner()->PostTask(FROM_HERE, BindOnce(
                                              [](MessageDispatcher** current) {
                                                *current = RunLoop::GetCurrentDispatcher();
                                              },
                                              &current));
  loop.task_runner()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                      TimeDelta::FromMilliseconds(20));
  run_loop.Run();
  EXPECT_EQ(&dispatcher, current);
  EXPECT_TRUE(dispatcher.seen.empty());
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, window.hwnd(), kTestKey, kTestKey, PM_REMOVE));
}

// The system's own class name by default, or the one given.
TEST(MessagePumpForUITest, MessageWindowUsesTheGivenClass) {
  MessagePumpForUI pump;
  wchar_t name[64] = {};
  ASSERT_NE(nullptr, pump.message_window());
  GetClassNameW(pump.message_window(), name, 64);
  EXPECT_STREQ(L"Tarvo_MessageWindow", name);
  MessagePumpForUI other(L"Other_MessageWindow");
  GetClassNameW(other.message_window(), name, 64);
  EXPECT_STREQ(L"Other_MessageWindow", name);
}

TEST(MessagePumpForUITest, DelayedTaskRunsInsideANativeModalLoop) {
  // A task that runs its own GetMessage loop (as a modal dialog does) with
  // tasks allowed: delayed tasks arrive through the window's timer.
  MessageLoopForUI loop;
  bool ran = false;
  RunLoop run_loop;
  loop.task_runner()->PostTask(
      FROM_HERE, BindOnce(
                     [](bool* ran) {
                       MessageLoop::current()->SetNestableTasksAllowed(true);
                       ThreadTaskRunnerHandle::Get()->PostDelayedTask(
                           FROM_HERE, BindOnce(
                                          [](bool* ran) {
                                            *ran = true;
                                            PostQuitMessage(0);
                                          },
                                          ran),
                           TimeDelta::FromMilliseconds(30));
                       MSG msg;
                       while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                         TranslateMessage(&msg);
                         DispatchMessageW(&msg);
                       }
                     },
                     &ran));
  loop.task_runner()->PostTask(FROM_HERE, run_loop.QuitClosure());
  run_loop.Run();
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace base
