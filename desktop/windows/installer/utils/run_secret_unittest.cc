#include "desktop/windows/installer/utils/run_secret.h"

#include <windows.h>

#include <string>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/handle_text.h"
#include "desktop/windows/installer/utils/process_launcher.h"
#include "gtest/gtest.h"
#include "testing/test_child_process.h"

// Takes the secret as a started installer process does and writes it, in
// hexadecimal, to the file "--out=" names.
TEST_CHILD_ROLE(take_run_secret) {
  const base::CommandLine command_line = base::CommandLine::FromString(GetCommandLineW());
  const RunSecret secret = RunSecret::TakeFromCommandLine(command_line);
  if (secret.empty())
    return 2;
  const std::string hex = base::HexEncode(secret.bytes());
  return base::WriteFile(command_line.GetSwitchValuePath("out"), hex) ? 0 : 3;
}

namespace {

std::string Hex(const RunSecret& secret) {
  return base::HexEncode(secret.bytes());
}

base::CommandLine SwitchesFor(HANDLE shared, base::ProcessId owner) {
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  RunSecret::AppendSwitches(shared, owner, &command_line);
  return command_line;
}

TEST(RunSecretTest, EachRunHasItsOwnSecretAndOnlyItMatches) {
  const RunSecret secret = RunSecret::Generate();
  ASSERT_EQ(RunSecret::kSize, secret.bytes().size());
  EXPECT_NE(secret.bytes(), RunSecret::Generate().bytes());
  EXPECT_TRUE(secret.Matches(secret.bytes()));
  std::string off = secret.bytes();
  off[RunSecret::kSize / 2] ^= 0x10;
  EXPECT_FALSE(secret.Matches(off));
  EXPECT_FALSE(secret.Matches(secret.bytes().substr(1)));
  EXPECT_FALSE(secret.Matches(secret.bytes() + "x"));
  // Without a secret nothing matches, not even nothing.
  EXPECT_FALSE(RunSecret().Matches(""));
  EXPECT_FALSE(RunSecret().Share(/*inheritable=*/false).IsValid());
}

// The elevated copy's way, for real: started through "runas", it copies the
// handle out of this process, which holds it meanwhile.
TEST(RunSecretTest, ElevatedCopyTakesTheSecretFromItsStarter) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  const base::FilePath out = scratch.GetPath().Append(L"secret.txt");
  const RunSecret secret = RunSecret::Generate();
  base::win::ScopedHandle shared = secret.Share(/*inheritable=*/false);
  ASSERT_TRUE(shared.IsValid());
  base::CommandLine child = base::CommandLine::FromString(
      testing_support::GetTestChildCommandLine("take_run_secret",
                                               L"--out=\"" + out.value() + L"\""));
  RunSecret::AppendSwitches(shared.Get(), GetCurrentProcessId(), &child);
  ProcessLauncherImpl launcher;
  DWORD error = 0;
  base::Process process = launcher.Launch(child, LaunchStyle::kElevated, &error);
  ASSERT_TRUE(process.IsValid()) << error;
  int exit_code = -1;
  ASSERT_TRUE(process.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(30), &exit_code));
  EXPECT_EQ(0, exit_code);
  std::string written;
  ASSERT_TRUE(base::ReadFileToString(out, &written));
  EXPECT_EQ(Hex(secret), written);
  // Nothing on the command line tells the secret.
  EXPECT_EQ(std::wstring::npos, child.GetCommandLineString().find(base::ASCIIToWide(Hex(secret))));
}

// What is not the starter's section yields no secret, and a handle of this
// process that the switch names by mistake is left alone.
TEST(RunSecretTest, AnythingButTheSectionYieldsNoSecret) {
  EXPECT_TRUE(RunSecret::TakeFromCommandLine(base::CommandLine(base::CommandLine::NO_PROGRAM))
                  .empty());
  base::CommandLine garbage(base::CommandLine::NO_PROGRAM);
  garbage.AppendSwitchASCII("run-secret-handle", "not hex");
  EXPECT_TRUE(RunSecret::TakeFromCommandLine(garbage).empty());

  base::win::ScopedHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  EXPECT_TRUE(RunSecret::TakeFromCommandLine(SwitchesFor(event.Get(), 0)).empty());
  EXPECT_NE(WAIT_FAILED, WaitForSingleObject(event.Get(), 0)) << "the event was closed";

  base::CommandLine owner_gone = SwitchesFor(event.Get(), 0);
  owner_gone.AppendSwitchASCII("run-secret-owner", "4294967295");
  EXPECT_TRUE(RunSecret::TakeFromCommandLine(owner_gone).empty());

  // The section, inherited: read and then closed.
  const RunSecret secret = RunSecret::Generate();
  HANDLE shared = secret.Share(/*inheritable=*/false).Take();
  EXPECT_EQ(Hex(secret), Hex(RunSecret::TakeFromCommandLine(SwitchesFor(shared, 0))));
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(shared, &flags)) << "the inherited handle stayed open";
}

}  // namespace
