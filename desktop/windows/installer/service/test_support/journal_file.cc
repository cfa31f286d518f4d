#include "desktop/windows/installer/service/test_support/journal_file.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/service/installation_journal.h"
#include "desktop/windows/installer/utils/security_util.h"

bool WriteJournalFile(const base::FilePath& folder, const std::string& text,
                      ObjectWriters writers) {
  const base::FilePath path = InstallationJournal::GetPath(folder);
  base::DeleteFile(path, /*recursive=*/false);
  const auto security = MakeRecordSecurity(writers);
  SECURITY_ATTRIBUTES attributes = security->ForCreation();
  base::win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_WRITE, 0, &attributes,
                                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file.IsValid() &&
         ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) &&
         written == text.size();
}
