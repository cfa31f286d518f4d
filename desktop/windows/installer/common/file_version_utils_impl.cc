#include "desktop/windows/installer/common/file_version_utils_impl.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/app_output_runner.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/installer_switches.h"

namespace {

constexpr wchar_t kProductVersionKey[] = L"\\StringFileInfo\\000004B0\\ProductVersion";
constexpr wchar_t kStreamKey[] = L"\\StringFileInfo\\000004B0\\Stream";

bool Fail(const std::string& text) {
  return SetInstallerError(RESULT_GENERAL_FAILURE, text, std::wstring());
}

// A string value of the version resource in `data`, or false.
bool QueryString(std::vector<char>* data, const wchar_t* key, std::wstring* value) {
  void* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data->data(), key, &text, &length) || !text)
    return false;
  // `length` counts characters, the terminating zero included.
  const wchar_t* chars = static_cast<const wchar_t*>(text);
  const char* end = data->data() + data->size();
  size_t count = 0;
  while (count < length && reinterpret_cast<const char*>(chars + count + 1) <= end &&
         chars[count] != L'\0') {
    ++count;
  }
  value->assign(chars, count);
  return true;
}

}  // namespace

FileVersionUtilsImpl::FileVersionUtilsImpl(std::unique_ptr<AppOutputRunner> runner)
    : runner_(std::move(runner)) {}

FileVersionUtilsImpl::~FileVersionUtilsImpl() = default;

bool FileVersionUtilsImpl::GetVersionFromResources(const base::FilePath& path,
                                                   base::Version* full_version,
                                                   base::Version* internal_version,
                                                   std::string* stream) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.value().c_str(), &handle);
  if (!size)
    return Fail("Cannot get the size of file version info");
  std::vector<char> data(size);
  if (!GetFileVersionInfoW(path.value().c_str(), 0, size, data.data()))
    return Fail("No file version in the package");
  std::wstring text;
  if (!QueryString(&data, kProductVersionKey, &text))
    return Fail("No product version value in the package");
  if (!ParseProductVersion(text, full_version, internal_version))
    return false;
  if (!stream)
    return true;
  if (!QueryString(&data, kStreamKey, &text))
    return Fail("No stream value in the package");
  *stream = base::WideToUTF8(text);
  return true;
}

bool FileVersionUtilsImpl::RunWithSwitch(const base::FilePath& path, const char* switch_name,
                                         std::string* output) {
  base::CommandLine command_line(path);
  command_line.AppendSwitch(switch_name);
  if (!runner_->Run(command_line, output))
    return false;
  // A program may end its answer with a line end.
  base::TrimString(*output, base::kWhitespaceASCII, output);
  return true;
}

bool FileVersionUtilsImpl::GetVersionFromExeOutput(const base::FilePath& path,
                                                   base::Version* full_version,
                                                   base::Version* internal_version,
                                                   std::string* stream) {
  std::string output;
  if (!RunWithSwitch(path, switches::kVersion, &output))
    return AppendInstallerError("Cannot get exe output: version");
  LOG(INFO) << "Downloaded item version: " << output;
  *full_version = base::Version(output);
  *internal_version = GetInternalVersionOf(*full_version);
  if (!full_version->IsValid() || !internal_version->IsValid())
    return Fail("Invalid version from exe: " + output);
  if (stream && !RunWithSwitch(path, switches::kStream, stream))
    return AppendInstallerError("Cannot get exe output: stream");
  return true;
}
