#include "desktop/windows/installer/utils/installer_session.h"

#include <atomic>

#include "base/command_line.h"
#include "base/guid.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/string_split.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/installer_utils.h"
#include "desktop/windows/installer/utils/server_tracking_blob.h"

namespace {

constexpr char kMediumKey[] = "utm.medium";
constexpr char kUuidKey[] = "uuid";

// A test's replacement of the process-wide session, if any.
std::atomic<InstallerSession*> g_session{nullptr};
// The one the entry point made; lives for the process.
std::atomic<InstallerSession*> g_process_session{nullptr};

}  // namespace

InstallerSession::InstallerSession(const base::CommandLine* command_line)
    : tracking_data_(std::make_unique<ServerTrackingBlob>()), command_line_(command_line) {
  backend_ = command_line_->HasSwitch(switches::kBackend);

  if (command_line_->HasSwitch(switches::kPackageDir)) {
    package_dir_ = command_line_->GetSwitchValuePath(switches::kPackageDir);
  } else if (command_line_->HasSwitch(switches::kWaitForPackage)) {
    package_dir_ = command_line_->GetSwitchValuePath(switches::kWaitForPackage);
  } else if (backend_) {
    base::PathService::Get(base::DIR_EXE, &package_dir_);
  }

  in_package_folder_ = InstallerUtils::IsInsidePackage(IsUninstallSwitch());
  if (backend_) {
    inside_package_ = command_line_->HasSwitch(switches::kInsidePackage);
    session_guid_ = command_line_->GetSwitchValueASCII(switches::kSessionGuid);
  } else {
    inside_package_ = in_package_folder_;
    session_guid_ = base::GenerateGUID();
  }

  if (command_line_->HasSwitch(switches::kServerTrackingBlob))
    tracking_data_->Parse(command_line_->GetSwitchValueASCII(switches::kServerTrackingBlob));
  ReadTrackingSwitches();
}

InstallerSession::~InstallerSession() = default;

InstallerSession* InstallerSession::CreateForProcess(const base::CommandLine* command_line) {
  DCHECK(command_line);
  auto* session = new InstallerSession(command_line);
  InstallerSession* previous = g_process_session.exchange(session, std::memory_order_acq_rel);
  DCHECK(!previous) << "The process session is made once";
  return session;
}

InstallerSession* InstallerSession::GetInstance() {
  if (InstallerSession* replacement = g_session.load(std::memory_order_acquire))
    return replacement;
  if (InstallerSession* session = g_process_session.load(std::memory_order_acquire))
    return session;
  // Code reached before (or without) the entry point sees no switches.
  static const base::CommandLine* const no_switches =
      new base::CommandLine(base::CommandLine::NO_PROGRAM);
  static InstallerSession* const session = new InstallerSession(no_switches);
  return session;
}

void InstallerSession::ReadTrackingSwitches() {
  if (command_line_->HasSwitch(switches::kOtd)) {
    std::string otd = base::WideToUTF8(command_line_->GetSwitchValueNative(switches::kOtd));
    for (const std::string& item :
         base::SplitString(otd, ",", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL)) {
      size_t colon = item.find(':');
      if (colon != std::string::npos)
        tracking_data_->Set(item.substr(0, colon), item.substr(colon + 1));
    }
  }
  std::string medium = base::WideToUTF8(command_line_->GetSwitchValueNative(switches::kMedium));
  if (!medium.empty())
    tracking_data_->Set(kMediumKey, medium);
  std::string niuid = base::WideToUTF8(command_line_->GetSwitchValueNative(switches::kNiuid));
  if (!niuid.empty())
    tracking_data_->Set(kUuidKey, niuid);
}

void InstallerSession::AppendSwitches(base::CommandLine* command_line) const {
  if (HasPackageDir())
    command_line->AppendSwitchPath(switches::kPackageDir, package_dir_);
  if (inside_package_)
    command_line->AppendSwitch(switches::kInsidePackage);
  if (!session_guid_.empty())
    command_line->AppendSwitchASCII(switches::kSessionGuid, session_guid_);
  if (IsFixDownloadableResources())
    command_line->AppendSwitch(switches::kFixDownloadableResources);
  std::string blob = tracking_data_->Serialize();
  if (!blob.empty())
    command_line->AppendSwitchASCII(switches::kServerTrackingBlob, blob);
  if (IsAutoupdateSwitch())
    command_line->AppendSwitch(switches::kAutoupdate);
  if (IsSilentSwitch())
    command_line->AppendSwitch(switches::kSilent);
}

base::FilePath InstallerSession::GetPackageDir() const {
  return package_dir_;
}

std::string InstallerSession::GetSessionGuid() const {
  return session_guid_;
}

bool InstallerSession::IsAutoupdateSwitch() const {
  return command_line_->HasSwitch(switches::kAutoupdate);
}

bool InstallerSession::IsSilentSwitch() const {
  return command_line_->HasSwitch(switches::kSilent);
}

bool InstallerSession::IsUninstallSwitch() const {
  return command_line_->HasSwitch(switches::kUninstall);
}

bool InstallerSession::IsInsidePackage() const {
  return inside_package_;
}

bool InstallerSession::IsOutsidePackage() const {
  return !inside_package_;
}

void InstallerSession::SetPackageDir(const base::FilePath& path) {
  package_dir_ = path;
}

bool InstallerSession::HasPackageDir() const {
  return !backend_ || command_line_->HasSwitch(switches::kPackageDir);
}

bool InstallerSession::IsFixDownloadableResources() const {
  return command_line_->HasSwitch(switches::kFixDownloadableResources);
}

ServerTrackingBlob* InstallerSession::GetTrackingData() const {
  return tracking_data_.get();
}

bool InstallerSession::IsBackendRole() const {
  return backend_ || command_line_->HasSwitch(switches::kRegisterAsProtocolHandler);
}

bool InstallerSession::IsInPackageFolder() const {
  return in_package_folder_;
}

bool InstallerSession::IsRunImmediatelySwitch() const {
  return command_line_->HasSwitch(switches::kRunImmediately);
}

ScopedInstallerSessionForTesting::ScopedInstallerSessionForTesting(
    std::unique_ptr<InstallerSession> session)
    : session_(std::move(session)), previous_(g_session.exchange(session_.get())) {}

ScopedInstallerSessionForTesting::~ScopedInstallerSessionForTesting() {
  g_session.store(previous_);
}

bool IsAutoupdate() {
  return InstallerSession::GetInstance()->IsAutoupdateSwitch();
}

bool IsSilent() {
  return InstallerSession::GetInstance()->IsSilentSwitch();
}

bool IsUninstall() {
  return InstallerSession::GetInstance()->IsUninstallSwitch();
}

ServerTrackingBlob* GetSessionTrackingData() {
  return InstallerSession::GetInstance()->GetTrackingData();
}
