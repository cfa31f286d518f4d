#include <windows.h>

#include <atomic>
#include <regex>
#include <string>
#include <thread>

#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/scoped_environment_variable.h"
#include "testing/synthetic_pe_image.h"

namespace {

using testing_support::ScopedEnvironmentVariable;

base::FilePath InstallerExe() {
  return testing_support::BinFolder().Append(L"installer.exe");
}

// The host executable and the engine, run as a user would.
class InstallerProcessTest : public testing::Test {
 protected:
  bool Run(const std::wstring& args, std::string* output, int* exit_code) {
    base::CommandLine command_line =
        base::CommandLine::FromString(L"\"" + InstallerExe().value() + L"\" " + args);
    return base::GetAppOutputWithTimeout(command_line, output, base::TimeDelta::FromSeconds(60),
                                         exit_code);
  }
};

TEST_F(InstallerProcessTest, PrintModes) {
  std::string output;
  int exit_code = -1;
  ASSERT_TRUE(Run(L"--version --help", &output, &exit_code));
  EXPECT_EQ("51.0.2802.0", output);
  EXPECT_EQ(0, exit_code);
  ASSERT_TRUE(Run(L"--internal-version", &output, &exit_code));
  EXPECT_EQ("2802.0", output);
  ASSERT_TRUE(Run(L"/stream", &output, &exit_code));
  EXPECT_EQ("developer", output);
  EXPECT_EQ(0, exit_code);
}

TEST_F(InstallerProcessTest, RunWritesItsLogAndNeverFakesSuccess) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  ScopedEnvironmentVariable temp(L"TEMP", scratch.GetPath().value().c_str());
  ScopedEnvironmentVariable tmp(L"TMP", scratch.GetPath().value().c_str());
  ScopedEnvironmentVariable verbosity(L"TARVO_INSTALLER_VERBOSITY", L"1");
  std::string output;
  int exit_code = -1;
  // A repair of a folder that holds no installation fails at once: a
  // silent run goes as far as its controller and never fakes success.
  const base::FilePath nothing_there = scratch.GetPath().Append(L"nothing there");
  ASSERT_TRUE(Run(L"--silent --enable-installer-stats=0 --fix-downloadable-resources "
                  L"\"--installfolder=" + nothing_there.value() + L"\"",
                  &output, &exit_code));
  EXPECT_EQ(101, exit_code);

  base::FilePath log_folder = scratch.GetPath().Append(L"Tarvo Installer");
  base::FileEnumerator logs(log_folder, false, base::FileEnumerator::FILES);
  base::FilePath log = logs.Next();
  ASSERT_FALSE(log.empty());
  EXPECT_TRUE(logs.Next().empty());
  EXPECT_TRUE(std::regex_match(base::WideToUTF8(log.BaseName().value()),
                               std::regex("tarvo_installer_\\d{17}\\.log")));
  std::string text;
  ASSERT_TRUE(base::ReadFileToString(log, &text));
  EXPECT_NE(std::string::npos, text.find("Tarvo installer starting - version 51.0.2802.0 developer"));
  EXPECT_NE(std::string::npos, text.find("Command line: "));
  EXPECT_NE(std::string::npos, text.find("Silent:1"));
  EXPECT_NE(std::string::npos, text.find("Using default message loop"));
  EXPECT_NE(std::string::npos, text.find("No installation to fix the downloadable resources"))
      << text;
  EXPECT_NE(std::string::npos, text.find("Terminating the controller")) << text;
  // The task scheduler ends with the run loop, before the settings go.
  const size_t shut_down = text.find("Task scheduler shut down");
  ASSERT_NE(std::string::npos, shut_down) << text;
  EXPECT_LT(shut_down, text.find("Destroying settings")) << text;
}

// Run from an unpacked package, the run gets past the payload and the
// settings to the role, and still ends promptly without a false success.
TEST_F(InstallerProcessTest, InsidePackageRunGoesPastTheSettings) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  base::FilePath package = scratch.GetPath().Append(L"package");
  ASSERT_TRUE(base::CreateDirectory(package));
  base::FilePath bin = InstallerExe().DirName();
  ASSERT_TRUE(base::CopyFile(InstallerExe(), package.Append(L"installer.exe")));
  ASSERT_TRUE(base::CopyFile(bin.Append(L"installer_engine.dll"),
                             package.Append(L"installer_engine.dll")));
  ASSERT_EQ(1, base::WriteFile(package.Append(L"tarvo.exe"), "x", 1));
  ASSERT_EQ(13, base::WriteFile(package.Append(L"files_list"), "tarvo.exe\r\nx\r\n", 13));
  ScopedEnvironmentVariable temp(L"TEMP", scratch.GetPath().value().c_str());
  ScopedEnvironmentVariable tmp(L"TMP", scratch.GetPath().value().c_str());
  ScopedEnvironmentVariable verbosity(L"TARVO_INSTALLER_VERBOSITY", L"2");

  struct {
    const wchar_t* switches;
    const char* role_line;
    const char* missing;
    int exit_code;
  } cases[] = {
      {L" --silent --enable-installer-stats=0 --fix-downloadable-resources "
       L"--installfolder=C:\\nothing-there",
       "Running silent controller", "No installation to fix the downloadable resources", 101},
      // Started by hand: no process to report to.
      {L" --backend --inside-package", "Running backend", "Missing information about initial process",
       121},
      // Without the switch a backend still finds itself in the package.
      {L" --backend", "Running backend", "Missing information about initial process", 121},
  };
  for (const auto& c : cases) {
    const base::FilePath log_folder = scratch.GetPath().Append(L"Tarvo Installer");
    base::DeleteFile(log_folder, /*recursive=*/true);
    std::string output;
    int exit_code = -1;
    base::CommandLine command_line = base::CommandLine::FromString(
        L"\"" + package.Append(L"installer.exe").value() + L"\"" + c.switches);
    ASSERT_TRUE(base::GetAppOutputWithTimeout(command_line, &output,
                                              base::TimeDelta::FromSeconds(60), &exit_code));
    EXPECT_EQ(c.exit_code, exit_code);
    base::FileEnumerator logs(log_folder, false, base::FileEnumerator::FILES);
    base::FilePath log = logs.Next();
    ASSERT_FALSE(log.empty());
    std::string text;
    ASSERT_TRUE(base::ReadFileToString(log, &text));
    EXPECT_NE(std::string::npos, text.find("Inside package1"));
    EXPECT_NE(std::string::npos, text.find("Installer architecture: X64"));
    EXPECT_NE(std::string::npos, text.find("Instantiating settings"));
    EXPECT_NE(std::string::npos, text.find("Initializing settings"));
    EXPECT_NE(std::string::npos, text.find("Destroying settings"));
    EXPECT_NE(std::string::npos, text.find(c.role_line)) << text;
    EXPECT_NE(std::string::npos, text.find(c.missing)) << text;
  }
}

// An uninstall takes its experiments from the installation's preferences,
// never from "with-feature:" switches, and goes on to the settings.
TEST_F(InstallerProcessTest, UninstallReadsExperimentsOfTheInstallation) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  const base::FilePath installed = scratch.GetPath().Append(L"Tarvo");
  ASSERT_TRUE(base::CreateDirectory(installed));
  const base::FilePath bin = InstallerExe().DirName();
  ASSERT_TRUE(base::CopyFile(InstallerExe(), installed.Append(L"installer.exe")));
  ASSERT_TRUE(base::CopyFile(bin.Append(L"installer_engine.dll"),
                             installed.Append(L"installer_engine.dll")));
  ASSERT_EQ(1, base::WriteFile(installed.Append(L"tarvo.exe"), "x", 1));
  const std::string prefs = R"({"installer-experiments": ["installer-experiment-test@1"]})";
  ASSERT_TRUE(base::WriteFile(installed.Append(L"installer_prefs.json"), prefs));
  ScopedEnvironmentVariable temp(L"TEMP", scratch.GetPath().value().c_str());
  ScopedEnvironmentVariable tmp(L"TMP", scratch.GetPath().value().c_str());
  ScopedEnvironmentVariable verbosity(L"TARVO_INSTALLER_VERBOSITY", L"2");

  std::string output;
  int exit_code = -1;
  ASSERT_TRUE(base::GetAppOutputWithTimeout(
      base::CommandLine::FromString(L"\"" + installed.Append(L"installer.exe").value() +
                                    L"\" --uninstall --silent --enable-installer-stats=0 "
                                    L"--with-feature:nothing=on"),
      &output, base::TimeDelta::FromSeconds(60), &exit_code));
  // Nothing to uninstall there.
  EXPECT_EQ(102, exit_code);
  base::FileEnumerator logs(scratch.GetPath().Append(L"Tarvo Installer"), false,
                            base::FileEnumerator::FILES, L"*.log");
  base::FilePath log = logs.Next();
  ASSERT_FALSE(log.empty());
  std::string text;
  ASSERT_TRUE(base::ReadFileToString(log, &text));
  EXPECT_NE(std::string::npos, text.find("Retrieved experiment states from installation folder"));
  EXPECT_NE(std::string::npos, text.find("Test experiment is enabled"));
  EXPECT_EQ(std::string::npos, text.find("Obtained experiment states from command line"));
  EXPECT_NE(std::string::npos, text.find("Initializing settings"));
  // No installation there: the backend is refused before it starts.
  EXPECT_NE(std::string::npos, text.find("The settings are not valid")) << text;
}

// The payload appended to installer.exe is read at start-up: tracking data
// reaches the log, a full package counts as present. Headers that cannot be
// true end the run with 118: after a box where someone can answer it, with a
// log line only where nobody could.
TEST_F(InstallerProcessTest, AppendedPayloadIsReadAtStartUp) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  ScopedEnvironmentVariable temp(L"TEMP", scratch.GetPath().value().c_str());
  ScopedEnvironmentVariable tmp(L"TMP", scratch.GetPath().value().c_str());
  const base::FilePath bin = InstallerExe().DirName();
  struct {
    const wchar_t* folder;
    std::string payload;
    const wchar_t* role;
    int exit_code;
    const char* expected;
  } cases[] = {
      {L"tracking", "campaign=spring", L"--silent", 101, "Tracking data: campaign=spring"},
      {L"package", std::string("7z\xBC\xAF\x27\x1C", 6) + "rest", L"--silent", 101,
       "Found full package"},
      {L"corrupt", "", L"--silent", 118, "Corrupted payload"},
      {L"corrupt box", "", L"--language=en", 118, nullptr},
  };
  for (const auto& c : cases) {
    base::FilePath folder = scratch.GetPath().Append(c.folder);
    ASSERT_TRUE(base::CreateDirectory(folder));
    base::FilePath exe = folder.Append(L"installer.exe");
    ASSERT_TRUE(base::CopyFile(InstallerExe(), exe));
    ASSERT_TRUE(base::CopyFile(bin.Append(L"installer_engine.dll"),
                               folder.Append(L"installer_engine.dll")));
    if (c.payload.empty()) {
      // A certificate table past the end of the file.
      std::string image;
      ASSERT_TRUE(base::ReadFileToString(exe, &image));
      ASSERT_EQ(testing_support::kPeOffset, testing_support::GetAt<uint32_t>(image, 0x3C));
      testing_support::SetPeSecurityDirectory(&image, static_cast<uint32_t>(image.size()) + 8, 8);
      ASSERT_TRUE(base::WriteFile(exe, image));
    } else {
      const std::string tail = testing_support::PayloadTail(c.payload);
      ASSERT_TRUE(base::AppendToFile(exe, tail.data(), static_cast<int>(tail.size())));
    }

    // Answers the box, as a person would, once it shows.
    std::atomic<bool> ended{false};
    std::atomic<bool> box_seen{false};
    std::thread answer([&] {
      while (!c.expected && !ended) {
        HWND box = FindWindowW(nullptr, L"Tarvo installer");
        if (box && GetDlgItem(box, IDC_MESSAGE_BOX_BODY)) {
          box_seen = true;
          PostMessageW(box, WM_CLOSE, 0, 0);
          return;
        }
        Sleep(50);
      }
    });
    std::string output;
    int exit_code = -1;
    const bool ran = base::GetAppOutputWithTimeout(
        base::CommandLine::FromString(L"\"" + exe.value() + L"\" " + c.role +
                                      L" --enable-installer-stats=0 "
                                      L"--fix-downloadable-resources \"--installfolder=" +
                                      folder.Append(L"nothing there").value() + L"\""),
        &output, base::TimeDelta::FromSeconds(60), &exit_code);
    ended = true;
    answer.join();
    ASSERT_TRUE(ran) << c.folder;
    EXPECT_EQ(c.exit_code, exit_code) << c.folder;
    base::FileEnumerator logs(scratch.GetPath().Append(L"Tarvo Installer"), false,
                              base::FileEnumerator::FILES);
    std::string text;
    for (base::FilePath log = logs.Next(); !log.empty(); log = logs.Next()) {
      std::string one;
      ASSERT_TRUE(base::ReadFileToString(log, &one));
      text += one;
    }
    if (c.expected) {
      EXPECT_NE(std::string::npos, text.find(c.expected)) << c.expected;
    } else {
      EXPECT_TRUE(box_seen) << text;
      EXPECT_EQ(std::string::npos, text.find("Corrupted payload")) << text;
    }
    ASSERT_TRUE(base::DeleteFile(scratch.GetPath().Append(L"Tarvo Installer"), true));
  }
}

}  // namespace
