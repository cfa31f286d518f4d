// Drives a running installer's window from another process, as a user
// would, and reports what its controls show. Plain Win32, like the host.
//
//   installer_window_driver.exe SECONDS COMMAND...
//
// Commands, run in order; each waits at most until the deadline:
//   accept      waits for the welcome page and presses Accept
//   close       asks the window to close and answers Yes to the question
//   escape      presses Escape and answers Yes to the question it brings
//   wait:MS     waits MS milliseconds
//   wait-error  waits for the error page
//   wait-end    watches the window until it is gone
// and keystrokes, sent as a keyboard sends them (SendInput) to the window
// brought to the front:
//   alt:X       Alt and the key of letter X; waits until the focus moved or
//               the page changed
//   type:TEXT   selects the text of the focused box and types TEXT over it
//               a key at a time, each waited for where it was typed; prints
//               "typed: " and what the box shows once the window is idle
//   enter       Enter
//   problem:TEXT  waits until the options page says TEXT about the folder
//               (nothing: no problem shown) with "Install for" usable;
//               prints "problem: " and what it says whenever that changes
// Every change of what the window shows is printed as one line
// "page=P bar=POS/LOW..HIGH accept=A full=F status=TEXT"; the last line is
// "ok" or "failed: WHY". The exit code is 0 only after "ok".

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "desktop/windows/installer/ui/installer_resource_ids.h"

namespace {

constexpr DWORD kPollMs = 5;
// A typed key shows at once; this bounds the wait for a key that went
// elsewhere.
constexpr ULONGLONG kKeyMs = 20000;
constexpr UINT kTextTimeoutMs = 2000;

ULONGLONG g_deadline = 0;

bool TimeLeft() { return GetTickCount64() < g_deadline; }

std::string ToUtf8(const std::wstring& text) {
  if (text.empty())
    return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size : 0, '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                        size, nullptr, nullptr);
  }
  return out;
}

// The text of another process's control: WM_GETTEXT is marshalled, and
// the timeout keeps a hung window from hanging us.
std::wstring ControlText(HWND control) {
  if (!control)
    return std::wstring();
  wchar_t buffer[1024] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                           SMTO_ABORTIFHUNG, kTextTimeoutMs, &copied)) {
    return L"<no answer>";
  }
  return std::wstring(buffer, copied < std::size(buffer) ? copied : std::size(buffer) - 1);
}

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kTextTimeoutMs,
                           &result)) {
    return -1;
  }
  return static_cast<LRESULT>(result);
}

bool Shown(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control && IsWindowVisible(control);
}

struct Find {
  DWORD owner_process = 0;
  HWND owner = nullptr;
  HWND found = nullptr;
};

// The installer's main dialog: a visible dialog with the Accept button and
// the progress bar.
BOOL CALLBACK FindMainDialog(HWND window, LPARAM param) {
  auto* find = reinterpret_cast<Find*>(param);
  wchar_t name[32] = {};
  GetClassNameW(window, name, std::size(name));
  if (wcscmp(name, L"#32770") == 0 && IsWindowVisible(window) &&
      GetDlgItem(window, IDC_ACCEPT) && GetDlgItem(window, IDC_PROGRESS_BAR)) {
    find->found = window;
    return FALSE;
  }
  return TRUE;
}

// A message box that the main dialog owns.
BOOL CALLBACK FindOwnedBox(HWND window, LPARAM param) {
  auto* find = reinterpret_cast<Find*>(param);
  wchar_t name[32] = {};
  GetClassNameW(window, name, std::size(name));
  if (wcscmp(name, L"#32770") == 0 && IsWindowVisible(window) &&
      GetWindow(window, GW_OWNER) == find->owner && GetDlgItem(window, IDYES)) {
    find->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForMainDialog() {
  while (TimeLeft()) {
    Find find;
    EnumWindows(FindMainDialog, reinterpret_cast<LPARAM>(&find));
    if (find.found)
      return find.found;
    Sleep(kPollMs * 4);
  }
  return nullptr;
}

int PageOf(HWND dialog) {
  if (Shown(dialog, IDC_PROGRESS_BAR))
    return 4;
  if (Shown(dialog, IDC_RETRY))
    return 5;
  if (Shown(dialog, IDC_TERMS_TEXT))
    return 2;
  if (Shown(dialog, IDC_UNINSTALL))
    return 1;
  if (Shown(dialog, IDC_AGREEMENT))
    return 0;
  if (Shown(dialog, IDC_ACCEPT))
    return 3;
  return 6;
}

// One line about what the window shows now.
std::string Describe(HWND dialog) {
  HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
  HWND accept = GetDlgItem(dialog, IDC_ACCEPT);
  char numbers[160];
  snprintf(numbers, sizeof(numbers), "page=%d bar=%ld/%ld..%ld accept=%d full=%d status=",
           PageOf(dialog), static_cast<long>(SendWithTimeout(bar, PBM_GETPOS, 0, 0)),
           static_cast<long>(SendWithTimeout(bar, PBM_GETRANGE, TRUE, 0)),
           static_cast<long>(SendWithTimeout(bar, PBM_GETRANGE, FALSE, 0)),
           accept && IsWindowVisible(accept) && IsWindowEnabled(accept) ? 1 : 0,
           Shown(dialog, IDC_FULL_PACKAGE) ? 1 : 0);
  std::wstring status = ControlText(GetDlgItem(dialog, IDC_STATUS_TEXT));
  for (wchar_t& c : status) {
    if (c == L'\r' || c == L'\n')
      c = L' ';
  }
  return numbers + ToUtf8(status);
}

// Prints each new state until `done` says stop or the window goes.
template <typename Done>
bool Watch(HWND dialog, Done done) {
  std::string last;
  while (TimeLeft()) {
    if (!IsWindow(dialog)) {
      printf("gone\n");
      return done(-1);
    }
    const std::string now = Describe(dialog);
    if (IsWindow(dialog) && now != last) {
      printf("%s\n", now.c_str());
      fflush(stdout);
      last = now;
    }
    if (done(PageOf(dialog))) {
      // The page may have changed since the line above: the state the
      // watch stops at is printed too.
      const std::string settled = Describe(dialog);
      if (IsWindow(dialog) && settled != last)
        printf("%s\n", settled.c_str());
      fflush(stdout);
      return true;
    }
    Sleep(kPollMs);
  }
  return false;
}

bool Accept(HWND dialog) {
  // Accept shows on the welcome page; it is enabled once the folder is fine.
  if (!Watch(dialog, [dialog](int page) {
        HWND accept = GetDlgItem(dialog, IDC_ACCEPT);
        return page == 0 && IsWindowEnabled(accept);
      })) {
    return false;
  }
  printf("pressing Accept\n");
  return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ACCEPT, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ACCEPT))) != FALSE;
}

// The control that has the keyboard focus in the window's thread.
HWND FocusOf(HWND dialog) {
  GUITHREADINFO info = {sizeof(info)};
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info))
    return nullptr;
  return info.hwndFocus;
}

bool SendKeys(std::initializer_list<INPUT> inputs) {
  std::vector<INPUT> list(inputs);
  return SendInput(static_cast<UINT>(list.size()), list.data(), sizeof(INPUT)) == list.size();
}

INPUT Key(WORD key, bool up, bool unicode = false) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  if (unicode)
    input.ki.wScan = key;
  else
    input.ki.wVk = key;
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (unicode ? KEYEVENTF_UNICODE : 0);
  return input;
}

// Keys go to the foreground window: the installer's, which comes up in
// front. Not forced: SetForegroundWindow would send the window's thread a
// message and wait for it without a time-out.
bool Front(HWND dialog) {
  while (TimeLeft()) {
    if (GetForegroundWindow() == dialog)
      return true;
    Sleep(kPollMs);
  }
  return false;
}

// Asks the window to close, by the title bar's close box or by Escape, and
// answers Yes to the question that follows.
bool Close(HWND dialog, bool by_escape) {
  printf("closing\n");
  if (by_escape ? !Front(dialog) || !SendKeys({Key(VK_ESCAPE, false), Key(VK_ESCAPE, true)})
                : !PostMessageW(dialog, WM_CLOSE, 0, 0)) {
    return false;
  }
  while (TimeLeft()) {
    Find find;
    GetWindowThreadProcessId(dialog, &find.owner_process);
    find.owner = dialog;
    EnumWindows(FindOwnedBox, reinterpret_cast<LPARAM>(&find));
    if (find.found) {
      printf("question: %s\n", ToUtf8(ControlText(GetDlgItem(find.found, 0xFFFF))).c_str());
      printf("answering Yes\n");
      return PostMessageW(find.found, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED),
                          reinterpret_cast<LPARAM>(GetDlgItem(find.found, IDYES))) != FALSE;
    }
    if (!IsWindow(dialog))
      return false;
    Sleep(kPollMs * 4);
  }
  return false;
}

bool PressAlt(HWND dialog, wchar_t letter) {
  const SHORT scan = VkKeyScanW(letter);
  if (scan == -1 || !Front(dialog)) {
    printf("the window is not in front\n");
    return false;
  }
  const HWND focus_before = FocusOf(dialog);
  const int page_before = PageOf(dialog);
  printf("pressing Alt+%c\n", static_cast<char>(letter));
  if (!SendKeys({Key(VK_MENU, false), Key(LOBYTE(scan), false), Key(LOBYTE(scan), true),
                 Key(VK_MENU, true)})) {
    return false;
  }
  while (TimeLeft()) {
    if (FocusOf(dialog) != focus_before || PageOf(dialog) != page_before)
      return true;
    Sleep(kPollMs);
  }
  return false;
}

bool PressEnter(HWND dialog) {
  printf("pressing Enter\n");
  return Front(dialog) && SendKeys({Key(VK_RETURN, false), Key(VK_RETURN, true)});
}

// Waits until the focused box shows `text`.
bool WaitForText(HWND dialog, const std::wstring& text) {
  const ULONGLONG give_up = GetTickCount64() + kKeyMs;
  while (TimeLeft() && GetTickCount64() < give_up) {
    if (ControlText(FocusOf(dialog)) == text)
      return true;
    Sleep(kPollMs);
  }
  return false;
}

bool Type(HWND dialog, const std::wstring& text) {
  if (!Front(dialog) || !FocusOf(dialog))
    return false;
  if (!SendKeys({Key(VK_CONTROL, false), Key('A', false), Key('A', true), Key(VK_CONTROL, true),
                 Key(VK_DELETE, false), Key(VK_DELETE, true)}) ||
      !WaitForText(dialog, std::wstring())) {
    return false;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (!SendKeys({Key(text[i], false, /*unicode=*/true), Key(text[i], true, /*unicode=*/true)}))
      return false;
    // A key typed where the caret was put back would show here.
    if (!WaitForText(dialog, text.substr(0, i + 1))) {
      printf("typed: %s\n", ToUtf8(ControlText(FocusOf(dialog))).c_str());
      return false;
    }
  }
  // Whatever the folder examination does after the last key is in the
  // window's queue behind this message.
  SendWithTimeout(dialog, WM_NULL, 0, 0);
  printf("typed: %s\n", ToUtf8(ControlText(FocusOf(dialog))).c_str());
  return true;
}

// What the options page says about the folder ("" when it shows nothing),
// and whether "Install for" can be used.
std::wstring FolderProblem(HWND dialog, bool* install_type_enabled) {
  HWND options = FindWindowExW(dialog, nullptr, L"#32770", nullptr);
  HWND install_type = GetDlgItem(options, IDC_INSTALL_TYPE_COMBO);
  *install_type_enabled = install_type && IsWindowEnabled(install_type);
  return Shown(options, IDC_FOLDER_PROBLEM_TEXT)
             ? ControlText(GetDlgItem(options, IDC_FOLDER_PROBLEM_TEXT))
             : std::wstring();
}

bool WaitForProblem(HWND dialog, const std::wstring& text) {
  std::wstring last = L"<none yet>";
  while (TimeLeft()) {
    bool usable = false;
    const std::wstring now = FolderProblem(dialog, &usable);
    if (now != last) {
      printf("problem: %s\n", ToUtf8(now).c_str());
      last = now;
    }
    if (now == text && usable)
      return true;
    Sleep(kPollMs);
  }
  return false;
}

int Fail(const char* why) {
  printf("failed: %s\n", why);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Each line goes out at once: what the driver saw before a hang counts.
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc < 3)
    return Fail("usage: installer_window_driver.exe SECONDS COMMAND...");
  g_deadline = GetTickCount64() + 1000ull * _wtoi(argv[1]);
  HWND dialog = WaitForMainDialog();
  if (!dialog)
    return Fail("no installer window appeared");
  for (int i = 2; i < argc; ++i) {
    const std::wstring command = argv[i];
    bool ok = false;
    if (command == L"accept")
      ok = Accept(dialog);
    else if (command == L"close")
      ok = Close(dialog, /*by_escape=*/false);
    else if (command == L"escape")
      ok = Close(dialog, /*by_escape=*/true);
    else if (command.rfind(L"wait:", 0) == 0)
      ok = (Sleep(_wtoi(command.c_str() + 5)), true);
    else if (command == L"wait-error")
      ok = Watch(dialog, [](int page) { return page == 5; });
    else if (command == L"wait-end")
      ok = Watch(dialog, [](int page) { return page == -1; });
    else if (command.rfind(L"alt:", 0) == 0 && command.size() == 5)
      ok = PressAlt(dialog, command[4]);
    else if (command.rfind(L"type:", 0) == 0)
      ok = Type(dialog, command.substr(5));
    else if (command == L"enter")
      ok = PressEnter(dialog);
    else if (command.rfind(L"problem:", 0) == 0)
      ok = WaitForProblem(dialog, command.substr(8));
    else
      return Fail("unknown command");
    if (!ok) {
      printf("failed: %s\n", ToUtf8(command).c_str());
      return 1;
    }
  }
  printf("ok\n");
  return 0;
}
