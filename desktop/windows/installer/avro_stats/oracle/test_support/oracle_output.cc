#include "desktop/windows/installer/avro_stats/oracle/test_support/oracle_output.h"

#include "base/environment.h"
#include "base/files/file_path.h"
#include "base/strings/utf_string_conversions.h"

bool GetOracleOutputFolder(base::FilePath* folder) {
  std::string path;
  if (!base::Environment::Create()->GetVar(kOracleOutputVariable, &path) || path.empty())
    return false;
  std::wstring wide = base::UTF8ToWide(path);
  if (wide[0] == L'/') {
    for (wchar_t& c : wide) {
      if (c == L'/')
        c = L'\\';
    }
    wide = L"Z:" + wide;
  }
  *folder = base::FilePath(wide);
  return true;
}
