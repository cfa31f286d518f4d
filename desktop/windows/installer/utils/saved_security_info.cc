#include "desktop/windows/installer/utils/saved_security_info.h"

SavedSecurityInfo::SavedSecurityInfo(const std::wstring& object_name, SE_OBJECT_TYPE object_type,
                                     PACL old_dacl, PSECURITY_DESCRIPTOR old_descriptor)
    : object_name(object_name),
      object_type(object_type),
      old_dacl(old_dacl),
      old_descriptor(old_descriptor) {}

SavedSecurityInfo::~SavedSecurityInfo() {
  if (old_descriptor) ::LocalFree(old_descriptor);
}
