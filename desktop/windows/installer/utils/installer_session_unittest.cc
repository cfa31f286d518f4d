#include "desktop/windows/installer/utils/installer_session.h"

#include <memory>
#include <optional>

#include "base/base64.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/test/scoped_path_override.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/server_tracking_blob.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"

namespace {

std::unique_ptr<InstallerSession> MakeSession(const base::CommandLine& command_line) {
  return std::make_unique<InstallerSession>(&command_line);
}

TEST(ServerTrackingBlobTest, SerializeParseRoundTrip) {
  ServerTrackingBlob blob;
  EXPECT_EQ("", blob.Serialize());
  blob.Set("utm.medium", "cpc");
  blob.Set("uuid", "1234");
  EXPECT_FALSE(blob.HasData());
  std::string text = blob.Serialize();
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(0u, text.size() % 8);

  std::string decoded;
  std::string unpadded = text.substr(0, text.find(' '));
  ASSERT_TRUE(base::Base64Decode(unpadded, &decoded));
  // 64 hex digits of the digest, a colon, then sorted compact JSON.
  EXPECT_EQ(':', decoded[64]);
  EXPECT_EQ(R"({"utm.medium":"cpc","uuid":"1234"})", decoded.substr(65));

  ServerTrackingBlob parsed;
  ASSERT_TRUE(parsed.Parse(text));
  EXPECT_TRUE(parsed.HasData());
  std::string value;
  EXPECT_TRUE(parsed.Get("utm.medium", &value));
  EXPECT_EQ("cpc", value);
}

TEST(ServerTrackingBlobTest, ParseRefusesGarbageAndKeepsData) {
  ServerTrackingBlob blob;
  std::string good;
  base::Base64Encode("abc:{\"a\":\"1\"}", &good);
  ASSERT_TRUE(blob.Parse(good));
  std::string no_brace;
  base::Base64Encode("abc:[1]", &no_brace);
  std::string list_json;
  base::Base64Encode("x{\"a\":1} }", &list_json);
  for (const std::string& bad : {std::string("@@not base64@@"), no_brace, list_json})
    EXPECT_FALSE(blob.Parse(bad)) << bad;
  std::string value;
  EXPECT_TRUE(blob.Get("a", &value));
  EXPECT_EQ("1", value);
}

TEST(InstallerSessionTest, TrackingSwitches) {
  ServerTrackingBlob source;
  source.Set("utm.medium", "from-blob");
  source.Set("utm.source", "blob");
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  command_line.AppendSwitchASCII("server-tracking-blob", source.Serialize());
  command_line.AppendSwitchASCII("otd", "a:1,b:2:3,c");
  command_line.AppendSwitchASCII("medium", "switch");
  std::unique_ptr<InstallerSession> session = MakeSession(command_line);
  ServerTrackingBlob* data = session->GetTrackingData();
  std::string value;
  EXPECT_TRUE(data->Get("a", &value));
  EXPECT_EQ("1", value);
  EXPECT_TRUE(data->Get("b", &value));
  EXPECT_EQ("2:3", value);
  EXPECT_FALSE(data->Get("c", &value));
  EXPECT_TRUE(data->Get("utm.medium", &value));
  EXPECT_EQ("switch", value);

  // The switch also wins in what is handed to the next process.
  ServerTrackingBlob reparsed;
  ASSERT_TRUE(reparsed.Parse(data->Serialize()));
  EXPECT_TRUE(reparsed.Get("utm.medium", &value));
  EXPECT_EQ("switch", value);
  EXPECT_TRUE(reparsed.Get("utm.source", &value));
  EXPECT_EQ("blob", value);
}

TEST(InstallerSessionTest, BackendTakesParentValues) {
  base::CommandLine ui(base::CommandLine::NO_PROGRAM);
  ui.AppendSwitchASCII("wait-for-package", "C:\\pkg dir");
  ui.AppendSwitch("silent");
  std::unique_ptr<InstallerSession> first = MakeSession(ui);
  std::unique_ptr<InstallerSession> second = MakeSession(ui);
  EXPECT_EQ(36u, first->GetSessionGuid().size());
  EXPECT_NE(first->GetSessionGuid(), second->GetSessionGuid());
  EXPECT_TRUE(first->HasPackageDir());

  base::CommandLine backend(base::CommandLine::NO_PROGRAM);
  backend.AppendSwitch("backend");
  first->AppendSwitches(&backend);
  std::unique_ptr<InstallerSession> child = MakeSession(backend);
  EXPECT_EQ(first->GetSessionGuid(), child->GetSessionGuid());
  EXPECT_EQ(L"C:\\pkg dir", child->GetPackageDir().value());
  EXPECT_TRUE(child->HasPackageDir());
  EXPECT_TRUE(child->IsSilentSwitch());
  EXPECT_FALSE(child->IsAutoupdateSwitch());

  base::CommandLine bare_backend(base::CommandLine::NO_PROGRAM);
  bare_backend.AppendSwitch("backend");
  EXPECT_FALSE(MakeSession(bare_backend)->HasPackageDir());
  EXPECT_EQ("", MakeSession(bare_backend)->GetSessionGuid());
}

// The running installer in a scratch folder: "installer.exe" beside the
// browser, with "files_list" when `package` (an unpacked package) and
// without it (an installation folder).
class RunningInFolder {
 public:
  explicit RunningInFolder(bool package) {
    EXPECT_TRUE(dir_.CreateUniqueTempDir());
    EXPECT_TRUE(base::WriteFile(dir_.GetPath().Append(GetBrowserExeName()), "x"));
    if (package) {
      EXPECT_TRUE(base::WriteFile(dir_.GetPath().Append(L"files_list"), "x"));
    }
    exe_dir_.emplace(base::DIR_EXE, dir_.GetPath(), true, false);
    exe_file_.emplace(base::FILE_EXE, dir_.GetPath().Append(L"installer.exe"), true, false);
  }

 private:
  base::ScopedTempDir dir_;
  std::optional<base::ScopedPathOverride> exe_dir_;
  std::optional<base::ScopedPathOverride> exe_file_;
};

base::CommandLine WithSwitches(std::initializer_list<const char*> names) {
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  for (const char* name : names)
    command_line.AppendSwitch(name);
  return command_line;
}

// "Inside package" of the role flags is the file check in every role; the
// session's IsInsidePackage follows the parent in the backend only.
TEST(InstallerSessionTest, RoleFlagsInAPackageFolder) {
  RunningInFolder package(/*package=*/true);

  base::CommandLine ui = WithSwitches({});
  std::unique_ptr<InstallerSession> session = MakeSession(ui);
  EXPECT_FALSE(session->IsBackendRole());
  EXPECT_TRUE(session->IsInPackageFolder());
  EXPECT_TRUE(session->IsInsidePackage());

  // A backend started without "inside-package" is still in the package.
  base::CommandLine backend = WithSwitches({switches::kBackend});
  session = MakeSession(backend);
  EXPECT_TRUE(session->IsBackendRole());
  EXPECT_TRUE(session->IsInPackageFolder());
  EXPECT_FALSE(session->IsInsidePackage());

  // The protocol-handler registration runs as a backend, with the session
  // values of a first process.
  base::CommandLine handler = WithSwitches({switches::kRegisterAsProtocolHandler});
  session = MakeSession(handler);
  EXPECT_TRUE(session->IsBackendRole());
  EXPECT_TRUE(session->IsInPackageFolder());
  EXPECT_TRUE(session->IsInsidePackage());
  EXPECT_EQ(36u, session->GetSessionGuid().size());
  EXPECT_TRUE(session->HasPackageDir());
}

TEST(InstallerSessionTest, RoleFlagsOfAnUninstall) {
  RunningInFolder installation(/*package=*/false);
  base::CommandLine install = WithSwitches({switches::kSilent});
  std::unique_ptr<InstallerSession> session = MakeSession(install);
  EXPECT_FALSE(session->IsInPackageFolder());
  EXPECT_FALSE(session->IsUninstallSwitch());
  EXPECT_TRUE(session->IsSilentSwitch());

  // An installation folder has no files list; the browser is enough.
  base::CommandLine uninstall = WithSwitches({switches::kUninstall, switches::kRunImmediately});
  session = MakeSession(uninstall);
  EXPECT_TRUE(session->IsUninstallSwitch());
  EXPECT_TRUE(session->IsInPackageFolder());
  EXPECT_TRUE(session->IsRunImmediatelySwitch());
  EXPECT_FALSE(session->IsBackendRole());
  EXPECT_EQ(&uninstall, &session->command_line());
}

TEST(InstallerSessionTest, RoleFlagsOutsideAnyPackage) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  base::ScopedPathOverride exe_dir(base::DIR_EXE, dir.GetPath(), true, false);
  base::ScopedPathOverride exe_file(base::FILE_EXE, dir.GetPath().Append(L"installer.exe"), true,
                                    false);
  base::CommandLine uninstall = WithSwitches({switches::kUninstall});
  EXPECT_FALSE(MakeSession(uninstall)->IsInPackageFolder());
  base::CommandLine backend = WithSwitches({switches::kBackend, switches::kInsidePackage});
  std::unique_ptr<InstallerSession> session = MakeSession(backend);
  EXPECT_FALSE(session->IsInPackageFolder());
  EXPECT_TRUE(session->IsInsidePackage());
}

// Only the entry point gives the process session a command line; before
// that (and in this test program, which has switches of its own) the
// process session sees none, so nothing reads the process's switches by
// way of the session.
TEST(InstallerSessionTest, ProcessSessionBeforeTheEntryPointHasNoSwitches) {
  ASSERT_TRUE(base::CommandLine::ForCurrentProcess());
  InstallerSession* session = InstallerSession::GetInstance();
  EXPECT_TRUE(session->command_line().GetSwitches().empty());
  EXPECT_TRUE(session->command_line().GetProgram().empty());
  EXPECT_FALSE(session->IsBackendRole());
  EXPECT_EQ(session, InstallerSession::GetInstance());

  base::CommandLine mine = WithSwitches({switches::kSilent});
  {
    ScopedInstallerSessionForTesting replaced(MakeSession(mine));
    EXPECT_EQ(&mine, &InstallerSession::GetInstance()->command_line());
    EXPECT_TRUE(IsSilent());
  }
  EXPECT_EQ(session, InstallerSession::GetInstance());
  EXPECT_FALSE(IsSilent());
}

}  // namespace
