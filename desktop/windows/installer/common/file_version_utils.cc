#include "desktop/windows/installer/common/file_version_utils.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

#include "base/files/memory_mapped_file.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/version_resource.h"
#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_result.h"

namespace {

constexpr wchar_t kStringTable[] = L"000004B0";
constexpr wchar_t kProductVersionKey[] = L"ProductVersion";
constexpr wchar_t kStreamKey[] = L"Stream";

bool Fail(const std::string& text) {
  return SetInstallerError(RESULT_GENERAL_FAILURE, text, std::wstring());
}

// Version resources are a few kilobytes; a bigger one is not read.
constexpr size_t kMaxVersionResourceSize = 64 * 1024;

// The version resource copied out of a mapped file; a page that cannot be
// read ends the copy as a file without one instead of ending the process.
// Nothing here allocates: a fault abandons the copy's stack.
struct GuardedCopy {
  std::string_view image;
  char* buffer = nullptr;
  size_t size = 0;
};

bool InImage(const void* context, const void* address) {
  const std::string_view image = static_cast<const GuardedCopy*>(context)->image;
  const char* at = static_cast<const char*>(address);
  return at >= image.data() && at < image.data() + image.size();
}

void CopyVersionResource(void* argument) {
  auto* copy = static_cast<GuardedCopy*>(argument);
  std::string_view resource;
  if (!FindVersionResource(copy->image, &resource) || resource.size() > kMaxVersionResourceSize)
    return;
  memcpy(copy->buffer, resource.data(), resource.size());
  copy->size = resource.size();
}

}  // namespace

base::Version GetInternalVersionOf(const base::Version& full_version) {
  const std::vector<uint32_t>& numbers = full_version.components();
  if (numbers.size() != 4 && numbers.size() != 5)
    return base::Version();
  return base::Version(std::vector<uint32_t>{numbers[2], numbers[3]});
}

bool ParseProductVersion(const std::wstring& text, base::Version* full_version,
                         base::Version* internal_version) {
  const std::string version_text = base::WideToUTF8(text);
  *full_version = base::Version(version_text);
  if (!full_version->IsValid())
    return Fail("Received an invalid version: " + version_text);
  *internal_version = GetInternalVersionOf(*full_version);
  if (!internal_version->IsValid())
    return Fail("Cannot acquire internal version from the full version: " + version_text);
  return true;
}

bool GetVersionFromOpenFile(const base::File& file, base::Version* full_version,
                            base::Version* internal_version, std::string* stream) {
  base::MemoryMappedFile mapped;
  if (!mapped.Initialize(file.Duplicate()))
    return Fail("Cannot read the file for its version");
  std::string resource(kMaxVersionResourceSize, '\0');
  GuardedCopy copy;
  copy.image = std::string_view(reinterpret_cast<const char*>(mapped.data()), mapped.length());
  copy.buffer = resource.data();
  InPageErrorGuard guard(&InImage, &copy);
  std::map<std::wstring, std::wstring> strings;
  if (!guard.Run(&CopyVersionResource, &copy) || copy.size == 0 ||
      !ReadVersionStrings(std::string_view(resource.data(), copy.size), kStringTable,
                          &strings)) {
    return Fail("No file version in the package");
  }
  const auto version = strings.find(kProductVersionKey);
  if (version == strings.end())
    return Fail("No product version value in the package");
  if (!ParseProductVersion(version->second, full_version, internal_version))
    return false;
  if (!stream)
    return true;
  const auto stream_text = strings.find(kStreamKey);
  if (stream_text == strings.end())
    return Fail("No stream value in the package");
  *stream = base::WideToUTF8(stream_text->second);
  return true;
}
