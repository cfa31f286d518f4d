// The pixels of the real window: a changed status text leaves nothing of
// the old one behind. And, not a check, a PNG of every page of the window
// in each language of TARVO_SCREENSHOT_LANGUAGES, into TARVO_SCREENSHOT_DIR
// (run by scripts/screenshots.sh; disabled in the normal test run).

#include <windows.h>
#include <objidl.h>

// GDI+ wants min/max from somewhere.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/strings/string_split.h"
#include "desktop/windows/installer/settings/test_support/fake_settings.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"
#include "desktop/windows/installer/ui/installer_window.h"
#include "desktop/windows/installer/ui/installer_resource_ids.h"
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
  }

  void Take(Settings* settings, const wchar_t* page,
            void (*prepare)(InstallerWindow* window)) {
    Select(settings, start_);
    FakeProgressCalculator progress;
    std::unique_ptr<InstallerWindow> window = InstallerWindow::Create(settings, &progress);
    ASSERT_TRUE(window);
    if (!switch_to_.empty())
      Select(settings, switch_to_);
    SetWindowPos(window->GetHandle(), HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(window->GetHandle());
    if (prepare)
      prepare(window.get());
    const std::wstring path = folder_ + L"\\" + page + L"-" + name_ + L".png";
    EXPECT_TRUE(SavePng(window->GetHandle(), path)) << path;
  }

 private:
  static void Select(Settings* settings, const std::wstring& language) {
    std::wstring chosen = language;
    SelectL10nLanguage(&chosen);
    settings->SetLanguage(chosen);
  }

  std::wstring folder_;
  std::wstring start_;
  std::wstring switch_to_;
  std::wstring name_;
};

// The pixels the window shows in the status line's place, read from the
// window's own surface once every pending paint is done.
std::vector<uint32_t> StatusPixels(HWND window) {
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
  HWND status = GetDlgItem(window, IDC_STATUS_TEXT);
  RECT rect = {};
  GetWindowRect(status, &rect);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
  TestCanvas canvas(rect.right - rect.left, rect.bottom - rect.top);
  HDC source = GetDC(window);
  BitBlt(canvas.dc(), 0, 0, rect.right - rect.left, rect.bottom - rect.top, source, rect.left,
         rect.top, SRCCOPY);
  ReleaseDC(window, source);
  return canvas.Pixels();
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
    window->ShowPhaseStatus(first_phase);
    StatusPixels(window->GetHandle());
    if (second_phase >= 0)
      window->ShowPhaseStatus(second_phase);
    return StatusPixels(window->GetHandle());
  };
  const std::vector<uint32_t> downloading = show(0, -1);
  const std::vector<uint32_t> extracting = show(6, -1);
  ASSERT_FALSE(extracting.empty());
  ASSERT_NE(downloading, extracting) << "the two statuses look the same";
  EXPECT_TRUE(show(0, 6) == extracting) << "\"Downloading\" shows under \"Extracting\"";
  EXPECT_TRUE(show(6, 0) == downloading) << "\"Extracting\" shows under \"Downloading\"";
  ResetL10nHandlerForTesting();
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
    shots.Take(&settings, L"options", [](InstallerWindow* window) {
      SendMessageW(window->GetHandle(), WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0);
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
    settings.operation = INSTALL_OPERATION_UNINSTALL;
    settings.only_installation_of_stream = true;
    shots.Take(&settings, L"uninstall", nullptr);
  }
  ResetL10nHandlerForTesting();
  Gdiplus::GdiplusShutdown(token);
}

}  // namespace
