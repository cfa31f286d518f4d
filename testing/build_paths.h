#ifndef TESTING_BUILD_PATHS_H_
#define TESTING_BUILD_PATHS_H_

#include "base/files/file_path.h"

namespace testing_support {

// The tests' own folder, bin/ of the build: the engine, installer.exe and
// the test data copied beside the test executable.
base::FilePath BinFolder();
// `name` in bin/'s subfolder `folder`.
base::FilePath BinFile(const wchar_t* folder, const wchar_t* name);

// The build folder, bin/'s parent: the programs and packages built for the
// tests, each in a folder of its own.
base::FilePath BuildFolder();
// `name` in the build folder's subfolder `folder`.
base::FilePath BuildFile(const wchar_t* folder, const wchar_t* name);

}  // namespace testing_support

#endif  // TESTING_BUILD_PATHS_H_
