#include "desktop/windows/installer/service/transactions/operation_access.h"

#include "base/logging.h"
#include "desktop/windows/installer/utils/saved_security_info.h"
#include "desktop/windows/installer/utils/security_util.h"

bool EnsureAccess(const AccessNeed& need,
                  LONG open_result,
                  const AccessLogTexts& texts,
                  const std::function<LONG()>& reopen,
                  std::unique_ptr<SavedSecurityInfo>* saved) {
  DCHECK(saved);
  DCHECK(!*saved) << "one temporary grant per object and operation";
  SecurityUtil* security = GetSecurityUtil();
  if (open_result == ERROR_SUCCESS &&
      security->HasAccess(need.object_name, need.object_type, need.required)) {
    return true;
  }
  if (open_result != ERROR_SUCCESS && open_result != ERROR_ACCESS_DENIED) {
    LOG_IF(ERROR, !texts.open_failed.empty()) << texts.open_failed;
    return false;
  }
  VLOG_IF(1, !texts.missing.empty()) << texts.missing;
  if (!security->GrantAccessToCurrentUser(need.object_name, need.object_type, need.granted,
                                          /*permanent=*/false, saved)) {
    LOG_IF(ERROR, !texts.grant_failed.empty()) << texts.grant_failed;
    return false;
  }
  if (reopen && reopen() != ERROR_SUCCESS) {
    LOG_IF(ERROR, !texts.open_failed.empty()) << texts.open_failed;
    return false;
  }
  return true;
}
