#include <windows.h>

#include <string>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "gtest/gtest.h"

namespace base {
namespace {

// An overlapped pipe pair: reads on |server|, writes on |client|.
struct Pipe {
  explicit Pipe(const wchar_t* name) {
    std::wstring full = std::wstring(L"\\\\.\\pipe\\pump_io_test_") + name +
                        std::to_wstring(GetCurrentProcessId());
    server = CreateNamedPipeW(full.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                              PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    client = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  ~Pipe() {
    CloseHandle(client);
    CloseHandle(server);
  }
  bool Write(const char* text) {
    DWORD written = 0;
    return WriteFile(client, text, static_cast<DWORD>(strlen(text)), &written, nullptr) != FALSE;
  }
  HANDLE server;
  HANDLE client;
};

class Reader : public MessageLoopForIO::IOHandler {
 public:
  explicit Reader(HANDLE file) : file_(file) { context_.overlapped = {}; }
  bool StartRead() {
    BOOL ok = ReadFile(file_, buffer_, sizeof(buffer_), nullptr, &context_.overlapped);
    return ok || GetLastError() == ERROR_IO_PENDING;
  }
  void OnIOCompleted(MessageLoopForIO::IOContext* context, DWORD bytes, DWORD error) override {
    EXPECT_EQ(&context_, context);
    received.assign(buffer_, bytes);
    last_error = error;
    thread_id = GetCurrentThreadId();
    ++completions;
    if (quit)
      std::move(quit).Run();
  }
  std::string received;
  DWORD last_error = 0;
  DWORD thread_id = 0;
  int completions = 0;
  OnceClosure quit;

 private:
  HANDLE file_;
  MessageLoopForIO::IOContext context_;
  char buffer_[64];
};

TEST(MessagePumpForIOTest, CompletionReachesItsHandlerOnTheLoopThread) {
  MessageLoopForIO loop;
  ASSERT_EQ(&loop, MessageLoopForIO::current());
  ASSERT_EQ(nullptr, MessageLoopForUI::current());
  Pipe pipe(L"a");
  Reader reader(pipe.server);
  ASSERT_TRUE(loop.RegisterIOHandler(pipe.server, &reader));
  ASSERT_TRUE(reader.StartRead());
  RunLoop run_loop;
  reader.quit = run_loop.QuitClosure();
  // Tasks and completions share the loop.
  loop.task_runner()->PostTask(FROM_HERE, BindOnce(
                                              [](Pipe* pipe) { EXPECT_TRUE(pipe->Write("hello")); },
                                              &pipe));
  run_loop.Run();
  EXPECT_EQ("hello", reader.received);
  EXPECT_EQ(0u, reader.last_error);
  EXPECT_EQ(GetCurrentThreadId(), reader.thread_id);
}

TEST(MessagePumpForIOTest, FilteredWaitKeepsOtherCompletionsForLater) {
  MessageLoopForIO loop;
  Pipe first(L"b"), second(L"c");
  Reader a(first.server), b(second.server);
  ASSERT_TRUE(loop.RegisterIOHandler(first.server, &a));
  ASSERT_TRUE(loop.RegisterIOHandler(second.server, &b));
  ASSERT_TRUE(a.StartRead());
  ASSERT_TRUE(b.StartRead());
  ASSERT_TRUE(first.Write("to a"));
  ASSERT_TRUE(second.Write("to b"));
  // Waiting for b only: a's completion is held back, not lost.
  while (b.completions == 0)
    ASSERT_TRUE(loop.WaitForIOCompletion(5000, &b));
  EXPECT_EQ("to b", b.received);
  EXPECT_EQ(0, a.completions);
  RunLoop().RunUntilIdle();
  EXPECT_EQ(1, a.completions);
  EXPECT_EQ("to a", a.received);
  // Nothing pending: a bounded wait reports false.
  EXPECT_FALSE(loop.WaitForIOCompletion(10, nullptr));
}

TEST(MessagePumpForIOTest, CancelledReadCompletesWithAnError) {
  MessageLoopForIO loop;
  Pipe pipe(L"d");
  Reader reader(pipe.server);
  ASSERT_TRUE(loop.RegisterIOHandler(pipe.server, &reader));
  ASSERT_TRUE(reader.StartRead());
  CancelIo(pipe.server);
  ASSERT_TRUE(loop.WaitForIOCompletion(5000, &reader));
  EXPECT_EQ(1, reader.completions);
  EXPECT_EQ(static_cast<DWORD>(ERROR_OPERATION_ABORTED), reader.last_error);
}

}  // namespace
}  // namespace base
