#include "testing/build_paths.h"

#include "base/logging.h"
#include "base/path_service.h"

namespace testing_support {

base::FilePath BinFolder() {
  base::FilePath bin;
  CHECK(base::PathService::Get(base::DIR_EXE, &bin));
  return bin;
}

base::FilePath BinFile(const wchar_t* folder, const wchar_t* name) {
  return BinFolder().Append(folder).Append(name);
}

base::FilePath BuildFolder() {
  return BinFolder().DirName();
}

base::FilePath BuildFile(const wchar_t* folder, const wchar_t* name) {
  return BuildFolder().Append(folder).Append(name);
}

}  // namespace testing_support
