// The pixels of the real window: a changed status text leaves nothing of
// the old one behind; right-to-left texts read right to left, the English
// terms left to right. And, not a check, a PNG of every page of the window
// in each language of TARVO_SCREENSHOT_LANGUAGES, into TARVO_SCREENSHOT_DIR
// (run by scripts/screenshots.sh; disabled in the normal test run).

#include <windows.h>
#include <commctrl.h>
#include <objidl.h>

// GDI+ wants min/max from somewhere.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <functional>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/win/registry.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/settings/test_support/fake_settings.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"
#include "desktop/windows/installer/ui/installer_window.h"
#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/installer/ui/installer_page.h"
#include "desktop/windows/installer/ui/installer_window_impl.h"
#include "desktop/windows/installer/ui/test_support/fake_progress_calculator.h"
#include "desktop/windows/installer/ui/test_support/test_canvas.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "gtest/gtest.h"

namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, ARRAYSIZE(value));
  return length && length < ARRAYSIZE(value) ? value : L"";
}

void Settle(HWND window) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  for (int round = 0; round < 20; ++round) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
}

bool SavePng(HWND window, const std::wstring& path) {
  Settle(window);
  RECT rect;
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  // The PNG encoder of GDI+.
  static const CLSID kPngEncoder = {
      0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
  bool saved = false;
  {
    Gdiplus::Bitmap image(bitmap, nullptr);
    saved = image.Save(path.c_str(), &kPngEncoder, nullptr) == Gdiplus::Ok;
  }
  DeleteObject(bitmap);
  return saved;
}

void SelectLanguage(Settings* settings, const std::wstring& language) {
  std::wstring chosen = language;
  SelectL10nLanguage(&chosen);
  settings->SetLanguage(chosen);
}

// Shots of one language; "de>ar" opens the window in German and switches
// it to Arabic at run time before each shot.
class Screenshots {
 public:
  Screenshots(std::wstring folder, std::wstring language) : folder_(std::move(folder)) {
    const size_t arrow = language.find(L'>');
    start_ = language.substr(0, arrow);
    if (arrow != std::wstring::npos)
      switch_to_ = language.substr(arrow + 1);
    name_ = switch_to_.empty() ? start_ : start_ + L"-to-" + switch_to_;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi != 96)
      name_ += L"-" + std::to_wstring(dpi) + L"dpi";
  }

  void Take(Settings* settings, const wchar_t* page,
            void (*prepare)(InstallerWindow* window)) {
    SelectLanguage(settings, start_);
    // No tip of an earlier shot under the pointer.
    SetCursorPos(0, 0);
    FakeProgressCalculator progress;
    std::unique_ptr<InstallerWindow> window = InstallerWindow::Create(settings, &progress);
    ASSERT_TRUE(window);
    if (!switch_to_.empty())
      SelectLanguage(settings, switch_to_);
    // Wholly on the screen (a capture reaching past it comes out black).
    RECT place = {};
    GetWindowRect(window->GetHandle(), &place);
    const int x = std::clamp<int>(GetSystemMetrics(SM_CXSCREEN) - (place.right - place.left), 0, 40);
    const int y = std::clamp<int>(GetSystemMetrics(SM_CYSCREEN) - (place.bottom - place.top), 0, 40);
    SetWindowPos(window->GetHandle(), HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(window->GetHandle());
    if (prepare)
      prepare(window.get());
    const std::wstring path = folder_ + L"\\" + page + L"-" + name_ + L".png";
    EXPECT_TRUE(SavePng(window->GetHandle(), path)) << path;
  }

 private:
  std::wstring folder_;
  std::wstring start_;
  std::wstring switch_to_;
  std::wstring name_;
};

// What a control shows on the screen inside its borders, once every
// pending paint of its window is done.
std::vector<uint32_t> ControlPixels(HWND control, SIZE* size = nullptr) {
  HWND window = GetAncestor(control, GA_ROOT);
  for (int round = 0; round < 100; ++round) {
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    MSG message;
    bool pending = false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      pending = true;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (!pending && !GetUpdateRect(window, nullptr, FALSE))
      break;
  }
  RECT rect = {};
  GetClientRect(control, &rect);
  POINT origin = {0, 0};
  ClientToScreen(control, &origin);
  // A mirrored control's client origin is its right edge.
  if (GetWindowLongPtrW(control, GWL_EXSTYLE) & WS_EX_LAYOUTRTL)
    origin.x -= rect.right;
  TestCanvas canvas(rect.right, rect.bottom);
  HDC screen = GetDC(nullptr);
  BitBlt(canvas.dc(), 0, 0, rect.right, rect.bottom, screen, origin.x, origin.y, SRCCOPY);
  ReleaseDC(nullptr, screen);
  if (size)
    *size = {rect.right, rect.bottom};
  return canvas.Pixels();
}

// Sets a control's text and paints again what lies behind it (statics are
// drawn over the window's background).
void SetText(HWND control, const std::wstring& text) {
  SetWindowTextW(control, text.c_str());
  RECT rect = {};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  RedrawWindow(GetParent(control), &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The pixels that text puts on a control: where it differs from the
// control without text, cut to their bounding box.
struct Ink {
  int width = 0;
  int height = 0;
  std::vector<bool> on;
};

Ink InkBetween(const std::vector<uint32_t>& shown, const std::vector<uint32_t>& empty,
               SIZE size) {
  int left = size.cx, right = -1, top = size.cy, bottom = -1;
  for (int y = 0; y < size.cy; ++y) {
    for (int x = 0; x < size.cx; ++x) {
      if (shown[y * size.cx + x] != empty[y * size.cx + x]) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
  }
  Ink ink;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x)
      ink.on.push_back(shown[y * size.cx + x] != empty[y * size.cx + x]);
  }
  ink.width = right - left + 1;
  ink.height = bottom - top + 1;
  return ink;
}

Ink InkOf(HWND control, const std::wstring& text, const std::vector<uint32_t>& empty) {
  SetText(control, text);
  SIZE size = {};
  const std::vector<uint32_t> shown = ControlPixels(control, &size);
  return InkBetween(shown, empty, size);
}

std::wstring Text(HWND control) {
  std::wstring text(GetWindowTextLengthW(control) + 1, L'\0');
  text.resize(GetWindowTextW(control, text.data(), static_cast<int>(text.size())));
  return text;
}

// Where `word` stands in `sentence` (its left edge), or -1: the place
// where nearly all of its pixels match.
int Find(const Ink& sentence, const Ink& word) {
  const int allowed = static_cast<int>(std::count(word.on.begin(), word.on.end(), true)) / 10;
  int best = -1, fewest = allowed + 1;
  for (int y = 0; y + word.height <= sentence.height; ++y) {
    for (int x = 0; x + word.width <= sentence.width; ++x) {
      int differ = 0;
      for (int j = 0; j < word.height && differ < fewest; ++j) {
        for (int i = 0; i < word.width; ++i)
          differ += sentence.on[(y + j) * sentence.width + x + i] != word.on[j * word.width + i];
      }
      if (differ < fewest)
        fewest = differ, best = x;
    }
  }
  return best;
}

// The words of the text `control` shows, by their place from left to
// right: their indexes in the text, -1 for one not found. Each word is
// shown alone, embedded in the text's direction, to know its look.
std::vector<int> WordOrder(HWND control, bool right_to_left) {
  const std::vector<std::wstring> words = base::SplitString(
      Text(control), L" \u202B\u202C", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
  SIZE size = {};
  const std::vector<uint32_t> shown = ControlPixels(control, &size);
  SetText(control, L"");
  const std::vector<uint32_t> empty = ControlPixels(control);
  const Ink whole = InkBetween(shown, empty, size);
  std::vector<std::pair<int, int>> places;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::wstring alone = right_to_left ? L"\u202B" + words[i] + L"\u202C" : words[i];
    places.push_back({Find(whole, InkOf(control, alone, empty)), static_cast<int>(i)});
  }
  std::sort(places.begin(), places.end());
  std::vector<int> order;
  for (const auto& [x, index] : places)
    order.push_back(x < 0 ? -1 : index);
  return order;
}

// The status line is drawn over the window's background: a new status
// must look exactly as if it had been the first, with no pixel of the old
// text left under it.
TEST(InstallerWindowScreenshot, StatusChangeLeavesNoTraceOfTheOldText) {
  ResetL10nHandlerForTesting();
  FakeSettings settings;
  settings.language = L"en";
  std::wstring chosen = settings.language;
  SelectL10nLanguage(&chosen);
  settings.default_install_folder = base::FilePath(L"C:\\Program Files\\Tarvo");
  settings.folder_details->path = settings.default_install_folder;
  FakeProgressCalculator progress;
  auto show = [&](int first_phase, int second_phase) {
    std::unique_ptr<InstallerWindow> window = InstallerWindow::Create(&settings, &progress);
    EXPECT_TRUE(window);
    if (!window)
      return std::vector<uint32_t>();
    window->ShowProgressPage();
    HWND status = GetDlgItem(window->GetHandle(), IDC_STATUS_TEXT);
    window->ShowPhaseStatus(first_phase);
    ControlPixels(status);
    if (second_phase >= 0)
      window->ShowPhaseStatus(second_phase);
    return ControlPixels(status);
  };
  const std::vector<uint32_t> downloading = show(0, -1);
  const std::vector<uint32_t> extracting = show(6, -1);
  ASSERT_FALSE(extracting.empty());
  ASSERT_NE(downloading, extracting) << "the two statuses look the same";
  EXPECT_TRUE(show(0, 6) == extracting) << "\"Downloading\" shows under \"Extracting\"";
  EXPECT_TRUE(show(6, 0) == downloading) << "\"Extracting\" shows under \"Downloading\"";
  ResetL10nHandlerForTesting();
}

// In Arabic and Hebrew, chosen at start or at run time, the headlines read
// right to left with the product name where the sentence puts it; the
// English terms read left to right, from the left edge.
TEST(InstallerWindowScreenshot, RightToLeftTextsReadRightToLeft) {
  for (const wchar_t* languages : {L"ar", L"he", L"en>ar", L"en>he"}) {
    SCOPED_TRACE(languages);
    ResetL10nHandlerForTesting();
    const std::vector<std::wstring> switched = base::SplitString(
        languages, L">", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
    FakeSettings settings;
    settings.default_install_folder = base::FilePath(L"C:\\Program Files\\Tarvo");
    settings.folder_details->path = settings.default_install_folder;
    SelectLanguage(&settings, switched.front());
    FakeProgressCalculator progress;
    std::unique_ptr<InstallerWindow> window = InstallerWindow::Create(&settings, &progress);
    ASSERT_TRUE(window);
    SelectLanguage(&settings, switched.back());
    HWND main = window->GetHandle();
    SetForegroundWindow(main);
    const struct {
      int control;
      std::function<void()> show;
    } pages[] = {
        {IDC_HEADLINE, [] {}},
        {IDC_TERMS_TEXT,
         [main] { SendMessageW(GetDlgItem(main, IDC_AGREEMENT), WM_KEYDOWN, VK_RETURN, 0); }},
        {IDC_PROGRESS_HEADLINE, [&window] { window->ShowProgressPage(); }},
        {IDC_ERROR_HEADLINE, [&window] { window->ShowError(L"-", false, "test"); }},
    };
    for (const auto& page : pages) {
      SCOPED_TRACE(page.control);
      page.show();
      HWND control = GetDlgItem(main, page.control);
      ASSERT_TRUE(IsWindowVisible(control));
      if (page.control == IDC_TERMS_TEXT) {
        SIZE size = {};
        const std::vector<uint32_t> shown = ControlPixels(control, &size);
        // Its scroll bar is drawn, at the right: its up button shows its
        // face, edges and arrow, and the text's room starts at the left
        // border (not beside a blank strip).
        RECT box = {};
        GetWindowRect(control, &box);
        RECT inside = {};
        GetClientRect(control, &inside);
        MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&inside), 2);
        const int bar = GetSystemMetrics(SM_CXVSCROLL);
        EXPECT_LE(inside.left - box.left, 2);
        EXPECT_GE(box.right - inside.right, bar);
        TestCanvas button(bar, bar);
        HDC screen = GetDC(nullptr);
        BitBlt(button.dc(), 0, 0, bar, bar, screen, inside.right, inside.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
        const std::vector<uint32_t> pixels = button.Pixels();
        EXPECT_GE(std::set<uint32_t>(pixels.begin(), pixels.end()).size(), 3u);
        // The first line (its heading) starts at the left.
        int left = size.cx;
        for (int y = 0; y < size.cy / 8; ++y) {
          for (int x = 0; x < left; ++x) {
            if (shown[y * size.cx + x] != shown.front())
              left = x;
          }
        }
        EXPECT_LT(left, size.cx / 8);
        continue;
      }
      const std::vector<int> order = WordOrder(control, /*right_to_left=*/true);
      std::vector<int> expected(order.size());
      for (size_t i = 0; i < order.size(); ++i)
        expected[i] = static_cast<int>(order.size() - 1 - i);
      EXPECT_EQ(expected, order) << Text(control);
    }
  }
  ResetL10nHandlerForTesting();
}

// The logo's width on the screen over the width of the window's inside.
double LogoShare(HWND main) {
  SIZE size = {};
  const std::vector<uint32_t> logo = ControlPixels(GetDlgItem(main, IDC_LOGO), &size);
  const uint32_t* row = logo.data() + size.cx * (size.cy / 2);
  int left = size.cx, right = -1;
  for (int x = 0; x < size.cx; ++x) {
    if (row[x] != row[0])
      left = std::min(left, x), right = std::max(right, x);
  }
  RECT client = {};
  GetClientRect(main, &client);
  return right < left ? 0 : static_cast<double>(right - left + 1) / client.right;
}

// The "Install for" tip's greatest width over the width of the window's
// inside.
double TipShare(HWND main) {
  struct Search {
    HWND tip = nullptr;
  } search;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM found) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, ARRAYSIZE(name));
        if (lstrcmpiW(name, TOOLTIPS_CLASSW) != 0)
          return TRUE;
        reinterpret_cast<Search*>(found)->tip = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  RECT client = {};
  GetClientRect(main, &client);
  return search.tip ? static_cast<double>(SendMessageW(search.tip, TTM_GETMAXTIPWIDTH, 0, 0)) /
                          client.right
                    : 0;
}

// The welcome page in English, as the settings of the other shots have it.
std::unique_ptr<InstallerWindow> OpenWelcome(FakeSettings* settings,
                                             FakeProgressCalculator* progress) {
  ResetL10nHandlerForTesting();
  settings->default_install_folder = base::FilePath(L"C:\\Program Files\\Tarvo");
  settings->folder_details->path = settings->default_install_folder;
  SelectLanguage(settings, L"en");
  return InstallerWindow::Create(settings, progress);
}

// At 144 and 192 pixels per inch (each in a process of its own: the
// screen's resolution is read when a process starts) the window lies
// wholly in the screen's work area, made smaller where it must, and its
// logo and the "Install for" tip keep their shares of the window.
TEST(InstallerWindowScreenshot, HighDpiWindowFitsTheScreenWithItsLogoScaled) {
  double share = 0;
  double tip_share = 0;
  {
    FakeSettings settings;
    FakeProgressCalculator progress;
    std::unique_ptr<InstallerWindow> window = OpenWelcome(&settings, &progress);
    ASSERT_TRUE(window);
    share = LogoShare(window->GetHandle());
    ASSERT_GT(share, 0);
    tip_share = TipShare(window->GetHandle());
    ASSERT_GT(tip_share, 0);
  }
  base::win::RegKey desktop(HKEY_CURRENT_USER, L"Control Panel\\Desktop", KEY_READ | KEY_WRITE);
  DWORD saved = 0;
  const bool had_value = desktop.ReadValueDW(L"LogPixels", &saved) == ERROR_SUCCESS;
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  for (DWORD dpi : {144, 192}) {
    SCOPED_TRACE(dpi);
    ASSERT_EQ(ERROR_SUCCESS, desktop.WriteValue(L"LogPixels", dpi));
    SetEnvironmentVariableW(L"TARVO_TEST_DPI", std::to_wstring(dpi).c_str());
    SetEnvironmentVariableW(L"TARVO_TEST_LOGO_SHARE", std::to_wstring(share).c_str());
    SetEnvironmentVariableW(L"TARVO_TEST_TIP_SHARE", std::to_wstring(tip_share).c_str());
    base::CommandLine command{base::FilePath(self)};
    command.AppendArg("--gtest_filter=InstallerWindowScreenshot.DISABLED_AtTheScreensDpi");
    command.AppendArg("--gtest_also_run_disabled_tests");
    base::Process child = base::LaunchProcess(command, base::LaunchOptions());
    int code = -1;
    EXPECT_TRUE(child.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(60), &code));
    EXPECT_EQ(0, code);
  }
  SetEnvironmentVariableW(L"TARVO_TEST_DPI", nullptr);
  if (had_value)
    desktop.WriteValue(L"LogPixels", saved);
  else
    desktop.DeleteValue(L"LogPixels");
}

// Run by the test above in a process of its own.
TEST(InstallerWindowScreenshot, DISABLED_AtTheScreensDpi) {
  const int dpi = _wtoi(Environment(L"TARVO_TEST_DPI").c_str());
  HDC screen = GetDC(nullptr);
  ASSERT_EQ(dpi, GetDeviceCaps(screen, LOGPIXELSY)) << "LogPixels is not honoured";
  ReleaseDC(nullptr, screen);
  FakeSettings settings;
  FakeProgressCalculator progress;
  std::unique_ptr<InstallerWindow> window = OpenWelcome(&settings, &progress);
  ASSERT_TRUE(window);
  HWND main = window->GetHandle();
  RECT place = {};
  GetWindowRect(main, &place);
  MONITORINFO monitor = {sizeof(monitor)};
  GetMonitorInfoW(MonitorFromWindow(main, MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT inside = {};
  IntersectRect(&inside, &place, &monitor.rcWork);
  EXPECT_TRUE(EqualRect(&inside, &place))
      << place.left << "," << place.top << " " << place.right << "," << place.bottom;
  const double expected = _wtof(Environment(L"TARVO_TEST_LOGO_SHARE").c_str());
  EXPECT_NEAR(expected, LogoShare(main), expected / 10);
  const double tip = _wtof(Environment(L"TARVO_TEST_TIP_SHARE").c_str());
  EXPECT_NEAR(tip, TipShare(main), tip / 10);
}

TEST(InstallerWindowScreenshot, DISABLED_EveryPage) {
  const std::wstring folder = Environment(L"TARVO_SCREENSHOT_DIR");
  ASSERT_FALSE(folder.empty()) << "TARVO_SCREENSHOT_DIR is not set";
  std::wstring languages = Environment(L"TARVO_SCREENSHOT_LANGUAGES");
  if (languages.empty())
    languages = L"en";
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdiplusStartup(&token, &input, nullptr));
  FakeSecurityUtil security;
  security.SetUser(/*elevated=*/false, /*can_elevate=*/true);
  ScopedSecurityUtilForTesting security_override(&security);

  for (const std::wstring& language : base::SplitString(
           languages, L",", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    ResetL10nHandlerForTesting();
    Screenshots shots(folder, language);
    FakeSettings settings;
    settings.default_install_folder = base::FilePath(L"C:\\Program Files\\Tarvo");
    settings.folder_details->path = settings.default_install_folder;
    settings.flags[ENABLE_INSTALLER_STATS] = true;
    shots.Take(&settings, L"welcome", nullptr);
    shots.Take(&settings, L"terms", [](InstallerWindow* window) {
      SendMessageW(GetDlgItem(window->GetHandle(), IDC_AGREEMENT), WM_KEYDOWN, VK_RETURN, 0);
    });
    shots.Take(&settings, L"options", [](InstallerWindow* window) {
      SendMessageW(window->GetHandle(), WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0);
    });
    shots.Take(&settings, L"install-for-tip", [](InstallerWindow* window) {
      SendMessageW(window->GetHandle(), WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0);
      // The pointer resting on "Install for" brings up its tip.
      HWND box = GetDlgItem(static_cast<InstallerWindowImpl*>(window)->options_dialog(),
                            IDC_INSTALL_TYPE_COMBO);
      RECT place = {};
      GetWindowRect(box, &place);
      SetCursorPos((3 * place.left + place.right) / 4, (place.top + place.bottom) / 2);
      for (int i = 0; i < 8; ++i)
        Settle(window->GetHandle());
    });
    shots.Take(&settings, L"progress", [](InstallerWindow* window) {
      window->ShowProgressPage();
      static_cast<InstallerWindowImpl*>(window)->OnProgressChanged(640);
      window->ShowPhaseStatus(3);
    });
    shots.Take(&settings, L"finish", [](InstallerWindow* window) {
      window->ShowProgressPage();
      static_cast<InstallerWindowImpl*>(window)->OnProgressChanged(1300);
      window->ShowPhaseStatus(7);
    });
    shots.Take(&settings, L"error", [](InstallerWindow* window) {
      window->ShowError(GetLocalizedString(37017), /*offer_full_package=*/true, "screenshot");
    });
    {
      FakeSettings short_of_space;
      short_of_space.default_install_folder = settings.default_install_folder;
      short_of_space.folder_details->path = settings.default_install_folder;
      short_of_space.folder_problem = FOLDER_PROBLEM_NOT_ENOUGH_SPACE;
      short_of_space.folder_details->folder_problem = FOLDER_PROBLEM_NOT_ENOUGH_SPACE;
      short_of_space.folder_details->volumes_without_enough_space = {
          {base::FilePath(L"C:"), 1234}};
      shots.Take(&short_of_space, L"no-space", nullptr);
    }
    {
      // An uninstall where nothing is installed, and its failure.
      FakeSettings nothing;
      nothing.default_install_folder = settings.default_install_folder;
      nothing.folder_details->path = settings.default_install_folder;
      nothing.uninstall_session = true;
      nothing.operation = INSTALL_OPERATION_UNKNOWN;
      nothing.folder_problem = FOLDER_PROBLEM_NOTHING_TO_UNINSTALL;
      shots.Take(&nothing, L"uninstall-nothing-installed", nullptr);
      shots.Take(&nothing, L"uninstall-failed", [](InstallerWindow* window) {
        window->ShowError(GetLocalizedString(37056), /*offer_full_package=*/false, "screenshot");
      });
    }
    settings.operation = INSTALL_OPERATION_UNINSTALL;
    settings.only_installation_of_stream = true;
    shots.Take(&settings, L"uninstall", nullptr);
  }
  ResetL10nHandlerForTesting();
  Gdiplus::GdiplusShutdown(token);
}

}  // namespace
