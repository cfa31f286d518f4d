// Runs copies of installer.exe beside fake engines and checks what the host
// loads, how often it calls the engine and which exit code it ends with; and
// reads the generated resources back out of installer.exe.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <string>

#include "gtest/gtest.h"
#include "host/host_exit_codes.h"
#include "testing/program_runner.h"

namespace {

using testing_support::ExecutableFolder;
using testing_support::ProgramRun;

// Laid out by host/CMakeLists.txt: fakes beside this test, installer.exe in bin.
std::wstring InstallerExe() { return ExecutableFolder() + L"\\..\\bin\\installer.exe"; }
std::wstring FakeEngine() { return ExecutableFolder() + L"\\host_fake_engine.dll"; }
std::wstring FakeEngineWithoutEntry() {
  return ExecutableFolder() + L"\\host_fake_engine_without_entry.dll";
}

bool DeleteTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..")
        continue;
      std::wstring path = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        DeleteTree(path);
      else
        DeleteFileW(path.c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  return RemoveDirectoryW(folder.c_str()) != 0;
}

class InstallerHostTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    root_ = std::wstring(temp) + L"tarvo_host_test_" + std::to_wstring(GetCurrentProcessId());
    DeleteTree(root_);
    ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr));
    calls_file_ = root_ + L"\\calls.txt";
    SetEnvironmentVariableW(L"TARVO_FAKE_ENGINE_CALLS", calls_file_.c_str());
    SetEnvironmentVariableW(L"TARVO_FAKE_ENGINE_RESULT", nullptr);
  }

  void TearDown() override {
    SetEnvironmentVariableW(L"TARVO_FAKE_ENGINE_CALLS", nullptr);
    SetEnvironmentVariableW(L"TARVO_FAKE_ENGINE_RESULT", nullptr);
    DeleteTree(root_);
  }

  // A folder under the test root holding a copy of installer.exe.
  std::wstring MakeInstallerFolder(const std::wstring& name) {
    std::wstring folder = root_ + L"\\" + name;
    EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_TRUE(CopyFileW(InstallerExe().c_str(), (folder + L"\\installer.exe").c_str(), FALSE))
        << GetLastError();
    return folder;
  }

  static void PutEngine(const std::wstring& source, const std::wstring& folder) {
    EXPECT_TRUE(CopyFileW(source.c_str(), (folder + L"\\installer_engine.dll").c_str(), FALSE))
        << GetLastError();
  }

  int CallCount() {
    std::string calls = testing_support::ReadWholeFile(calls_file_);
    int count = 0;
    for (char c : calls)
      count += c == '\n';
    return count;
  }

  static ProgramRun Run(const std::wstring& exe, const std::wstring& current_folder) {
    return testing_support::RunProgram(exe, std::wstring(), current_folder.c_str());
  }

  std::wstring root_;
  std::wstring calls_file_;
};

TEST_F(InstallerHostTest, ExitsWithTheEngineResultAfterExactlyOneCall) {
  std::wstring folder = MakeInstallerFolder(L"plain");
  PutEngine(FakeEngine(), folder);
  for (const wchar_t* code : {L"0", L"124"}) {
    DeleteFileW(calls_file_.c_str());
    SetEnvironmentVariableW(L"TARVO_FAKE_ENGINE_RESULT", code);
    ProgramRun run = Run(folder + L"\\installer.exe", root_);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(wcstoul(code, nullptr, 10), run.exit_code);
    EXPECT_EQ(1, CallCount());
  }
}

TEST_F(InstallerHostTest, MissingEngineFailsWithAMessage) {
  std::wstring folder = MakeInstallerFolder(L"alone");
  ProgramRun run = Run(folder + L"\\installer.exe", root_);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(static_cast<DWORD>(tarvo_host::kExitEngineNotLoaded), run.exit_code);
  EXPECT_NE(std::string::npos, run.output.find("installer_engine.dll")) << run.output;
}

// A DLL planted in the current folder must not stand in for the engine.
TEST_F(InstallerHostTest, EngineInTheCurrentFolderIsNotLoaded) {
  std::wstring folder = MakeInstallerFolder(L"exe");
  std::wstring planted = root_ + L"\\planted";
  ASSERT_TRUE(CreateDirectoryW(planted.c_str(), nullptr));
  PutEngine(FakeEngine(), planted);
  SetEnvironmentVariableW(L"TARVO_FAKE_ENGINE_RESULT", L"55");
  ProgramRun run = Run(folder + L"\\installer.exe", planted);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(static_cast<DWORD>(tarvo_host::kExitEngineNotLoaded), run.exit_code);
  EXPECT_EQ(0, CallCount());
}

TEST_F(InstallerHostTest, EngineWithoutEntryPointFails) {
  std::wstring folder = MakeInstallerFolder(L"noentry");
  PutEngine(FakeEngineWithoutEntry(), folder);
  ProgramRun run = Run(folder + L"\\installer.exe", root_);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(static_cast<DWORD>(tarvo_host::kExitNoEntryPoint), run.exit_code);
  EXPECT_NE(std::string::npos, run.output.find("RunInstaller")) << run.output;
}

TEST_F(InstallerHostTest, FindsTheEngineInAFolderWithSpacesAndNonAsciiName) {
  std::wstring folder = MakeInstallerFolder(L"Program Files \x00fc \x5b89\x88c5");
  PutEngine(FakeEngine(), folder);
  SetEnvironmentVariableW(L"TARVO_FAKE_ENGINE_RESULT", L"7");
  ProgramRun run = Run(folder + L"\\installer.exe", root_);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(7u, run.exit_code);
  EXPECT_EQ(1, CallCount());
}

// The resources as the engine will find them, read from the linked file:
// catches text-encoding slips of the generator and resource scripts lost
// when the linker merges them.
class InstallerResourcesTest : public testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(InstallerExe().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(module_) << GetLastError();
  }
  void TearDown() override { FreeLibrary(module_); }

  std::string Bytes(const wchar_t* type, WORD id) {
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
    if (!found)
      return std::string();
    HGLOBAL loaded = LoadResource(module_, found);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return data ? std::string(data, SizeofResource(module_, found)) : std::string();
  }

  // The string of an id from the table of exactly this language.
  bool String(WORD language, UINT id, std::wstring* text) {
    HRSRC found = FindResourceExW(module_, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!found)
      return false;
    const WORD* entry = static_cast<const WORD*>(LockResource(LoadResource(module_, found)));
    const WORD* end = entry + SizeofResource(module_, found) / sizeof(WORD);
    for (UINT skip = id % 16; skip > 0 && entry < end; --skip)
      entry += 1 + *entry;
    if (entry >= end || *entry == 0 || entry + 1 + *entry > end)
      return false;
    text->assign(reinterpret_cast<const wchar_t*>(entry + 1), *entry);
    return true;
  }

  HMODULE module_ = nullptr;
};

TEST_F(InstallerResourcesTest, EveryEnglishStringExists) {
  for (UINT id = 37000; id <= 37072; ++id) {
    std::wstring text;
    EXPECT_TRUE(String(0x0409, id, &text)) << id;
  }
  std::wstring text;
  EXPECT_FALSE(String(0x0409, 37073, &text));
}

TEST_F(InstallerResourcesTest, StringsKeepQuotesAndNonAsciiCharacters) {
  std::wstring text;
  ASSERT_TRUE(String(0x0409, 37025, &text));
  EXPECT_EQ(L"Downloading\x2026", text);
  ASSERT_TRUE(String(0x0409, 37005, &text));
  EXPECT_EQ(L"By clicking on \"$1\" you are agreeing to Tarvo's "
            L"<a href=\"tos\">Terms of Service</a>",
            text);
  ASSERT_TRUE(String(0x0409, 37067, &text));
  EXPECT_EQ(L"The installer file appears corrupted. Please go to "
            L"<a href=\"tos\">tarvo.example</a> and download Tarvo again.",
            text);
}

// The engine keeps empty lines as language entries; a trailing line end
// would offer an empty language.
TEST_F(InstallerResourcesTest, LanguageListHasNoEmptyEntry) {
  std::string list = Bytes(L"TXT", 134);
  EXPECT_EQ(0u, list.find("en\nen-GB\n"));
  EXPECT_EQ(std::string::npos, list.find("\n\n"));
  ASSERT_FALSE(list.empty());
  EXPECT_NE('\n', list.back());
  EXPECT_EQ("\nfil", list.substr(list.size() - 4));
}

TEST_F(InstallerResourcesTest, TextsAndVersionAndManifestAllLinked) {
  EXPECT_EQ('{', Bytes(L"TXT", 133).front());
  EXPECT_NE(std::string::npos, Bytes(L"TXT", 133).find("\"file_name_base\": \"tarvo\""));
  EXPECT_FALSE(Bytes(L"TXT", 142).empty());
  std::string manifest = Bytes(RT_MANIFEST, 1);
  EXPECT_NE(std::string::npos, manifest.find("asInvoker"));
  EXPECT_EQ(std::string::npos, manifest.find("dpiAware"));
  EXPECT_FALSE(Bytes(RT_VERSION, 1).empty());
  EXPECT_FALSE(Bytes(RT_GROUP_ICON, 1).empty());
}

TEST_F(InstallerResourcesTest, IconLoadsInEachSize) {
  for (int size : {16, 32, 48}) {
    HICON icon = static_cast<HICON>(
        LoadImageW(module_, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
    ASSERT_TRUE(icon) << size << " " << GetLastError();
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
    EXPECT_EQ(size, bitmap.bmWidth);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

// The images are written by our own encoders: GDI+ must decode them.
TEST_F(InstallerResourcesTest, ImagesDecode) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdiplusStartup(&token, &input, nullptr));
  struct Expected {
    const wchar_t* type;
    WORD id;
    UINT width, height;
  };
  for (const Expected& image : {Expected{L"PNG", 140, 96, 96}, Expected{L"PNG", 141, 48, 48},
                                Expected{L"JPG", 139, 800, 480}}) {
    std::string bytes = Bytes(image.type, image.id);
    ASSERT_FALSE(bytes.empty()) << image.id;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(memory, TRUE, &stream));
    {
      Gdiplus::Bitmap bitmap(stream);
      ASSERT_EQ(Gdiplus::Ok, bitmap.GetLastStatus()) << image.id;
      EXPECT_EQ(image.width, bitmap.GetWidth()) << image.id;
      EXPECT_EQ(image.height, bitmap.GetHeight()) << image.id;
      Gdiplus::Color corner, middle;
      bitmap.GetPixel(0, 0, &corner);
      bitmap.GetPixel(image.width / 2, image.height / 2, &middle);
      if (image.id == 139) {
        // Light at the top, bluer at the bottom, as drawn.
        EXPECT_NEAR(0xf7, corner.GetR(), 6);
        EXPECT_NEAR(0xff, corner.GetB(), 6);
        Gdiplus::Color bottom;
        bitmap.GetPixel(10, image.height - 1, &bottom);
        EXPECT_NEAR(0xd6, bottom.GetR(), 6);
        EXPECT_NEAR(0xe4, bottom.GetG(), 6);
      } else {
        EXPECT_EQ(0, corner.GetA()) << image.id;  // outside the disc
        EXPECT_EQ(255, middle.GetA()) << image.id;
      }
    }
    stream->Release();
  }
  Gdiplus::GdiplusShutdown(token);
}

}  // namespace
