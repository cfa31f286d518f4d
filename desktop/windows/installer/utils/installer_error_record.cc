#include "desktop/windows/installer/utils/installer_error_record.h"

namespace {

// The thread's slot; the record lives until FreeInstallerErrorRecord.
thread_local InstallerErrorRecord* g_record = nullptr;

}  // namespace

void InitInstallerErrorRecord() {
  delete g_record;
  g_record = new InstallerErrorRecord();
}

void FreeInstallerErrorRecord() {
  delete g_record;
  g_record = nullptr;
}

bool HasInstallerErrorRecord() {
  return g_record != nullptr;
}

bool SetInstallerError(uint32_t code, const std::string& detail, const std::wstring& message) {
  if (g_record) {
    g_record->code = code;
    g_record->detail = detail;
    g_record->message = message;
  }
  return false;
}

bool AppendInstallerError(const std::string& detail, uint32_t code, const std::wstring& message) {
  if (g_record) {
    if (code != 0)
      g_record->code = code;
    if (!message.empty())
      g_record->message = message;
    g_record->detail += "\n";
    g_record->detail += detail;
  }
  return false;
}

void GetInstallerError(uint32_t* code, std::string* detail, std::wstring* message) {
  InstallerErrorRecord empty;
  const InstallerErrorRecord& record = g_record ? *g_record : empty;
  if (code)
    *code = record.code;
  if (detail)
    *detail = record.detail;
  if (message)
    *message = record.message;
}

InstallerResult GetInstallerErrorCode() {
  return g_record ? static_cast<InstallerResult>(g_record->code) : RESULT_SUCCESS;
}

ScopedInstallerErrorKeeper::ScopedInstallerErrorKeeper() {
  GetInstallerError(&code_, &detail_, &message_);
}

ScopedInstallerErrorKeeper::~ScopedInstallerErrorKeeper() {
  SetInstallerError(code_, detail_, message_);
}
