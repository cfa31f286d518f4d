// Files the engine opens from places others can write: the installer
// executable with its appended payload, and the 7z package.
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string_view>

#include "base/files/file_util.h"
#include "desktop/windows/installer/common/version_resource.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"
#include "testing/fuzz/fuzz_target.h"
#include "testing/synthetic_pe_image.h"

namespace fuzz {
namespace {

using testing_support::AddPeSection;
using testing_support::kMachineI386;
using testing_support::kPe32Magic;
using testing_support::kPeOptionalHeader;
using testing_support::PayloadTail;
using testing_support::PeHeaders;
using testing_support::PutAt;
using testing_support::SignedPeImage;

std::vector<std::string> PayloadSeeds() {
  const std::string archive("7z\xBC\xAF\x27\x1C" "archive", 13);
  const std::string tracking = "eyJ1dWlkIjoiMSJ9";
  const std::string image = PeHeaders();
  return {image + PayloadTail(archive),
          PeHeaders(kPe32Magic, kMachineI386) + PayloadTail(tracking),
          SignedPeImage(image, PayloadTail(archive), ""),
          SignedPeImage(image, PayloadTail(tracking), "xx"),
          SignedPeImage(image, "", PayloadTail(archive)),
          image,
          image + "TRV" + std::string("\xFF\xFF\xFF\x7F", 4),
          "MZ",
          ""};
}

// No payload: nothing served, nothing written, the old file kept. A
// payload: the file receives exactly what is served.
std::string RunPayload(const std::string& input, const base::FilePath& scratch, bool* accepted) {
  const base::FilePath exe = scratch.Append(L"installer.exe");
  const base::FilePath out = scratch.Append(L"payload.bin");
  if (!base::WriteFile(exe, input) || !base::WriteFile(out, std::string_view("previous")))
    return "cannot write the input";
  PayloadManagerImpl manager(exe);
  const PayloadType type = manager.GetPayloadType();
  const std::string payload = manager.GetPayload();
  const bool written = manager.WritePayloadToFile(out);
  std::string in_file;
  const bool out_exists = base::ReadFileToString(out, &in_file);
  if (type == PAYLOAD_TYPE_NONE || type == PAYLOAD_TYPE_CORRUPTED) {
    if (!payload.empty() || written)
      return "a payload served from a file without one";
    if (out_exists && in_file != "previous")
      return "a file without payload changed the output file";
    return "";
  }
  *accepted = true;
  if (type != PAYLOAD_TYPE_TRACKING_DATA && type != PAYLOAD_TYPE_FULL_PACKAGE)
    return "an unknown payload type";
  if (payload.size() > input.size())
    return "a payload larger than its file";
  if (!written || in_file != payload)
    return "the written payload differs from the one served";
  return "";
}

// One block of a version resource: length, value length, type, key,
// padding, value, padding, children.
std::string VersionBlock(const std::wstring& key, const std::wstring& text,
                         const std::vector<std::string>& children) {
  std::string block(6, '\0');
  for (wchar_t c : key + L'\0')
    block.append({static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)});
  block.resize((block.size() + 3) & ~size_t{3}, '\0');
  if (!text.empty()) {
    for (wchar_t c : text + L'\0')
      block.append({static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)});
    block.resize((block.size() + 3) & ~size_t{3}, '\0');
  }
  for (const std::string& child : children)
    block += child;
  PutAt<uint16_t>(&block, 0, static_cast<uint16_t>(block.size()));
  PutAt<uint16_t>(&block, 2, static_cast<uint16_t>(text.empty() ? 0 : text.size() + 1));
  PutAt<uint16_t>(&block, 4, 1);
  return block;
}

// A PE image whose one section holds a resource directory with a version
// resource (type, name and language levels, then the data entry).
std::string ImageWithVersion(const std::string& version) {
  constexpr uint32_t kSectionAddress = 0x1000;
  constexpr uint32_t kDataOffset = 0x58;
  std::string resources(kDataOffset, '\0');
  const uint32_t entries[][2] = {{16, 0x80000018}, {1, 0x80000030}, {0x409, 0x48}};
  for (uint32_t level = 0; level < 3; ++level) {
    PutAt<uint16_t>(&resources, 0x18 * level + 14, 1);
    PutAt<uint32_t>(&resources, 0x18 * level + 16, entries[level][0]);
    PutAt<uint32_t>(&resources, 0x18 * level + 20, entries[level][1]);
  }
  PutAt<uint32_t>(&resources, 0x48, kSectionAddress + kDataOffset);
  PutAt<uint32_t>(&resources, 0x4C, static_cast<uint32_t>(version.size()));
  resources += version;
  std::string image = PeHeaders();
  PutAt<uint32_t>(&image, kPeOptionalHeader + 112 + 16, kSectionAddress);
  PutAt<uint32_t>(&image, kPeOptionalHeader + 112 + 20, static_cast<uint32_t>(resources.size()));
  const size_t section = kPeOptionalHeader + 0xF0;
  PutAt<uint32_t>(&image, section + 8, static_cast<uint32_t>(resources.size()));
  PutAt<uint32_t>(&image, section + 12, kSectionAddress);
  AddPeSection(&image, resources);
  return image;
}

std::vector<std::string> VersionResourceSeeds() {
  const std::string strings = VersionBlock(
      L"StringFileInfo", L"",
      {VersionBlock(L"000004B0", L"",
                    {VersionBlock(L"ProductVersion", L"51.0.2802.0", {}),
                     VersionBlock(L"Stream", L"developer", {})})});
  return {ImageWithVersion(VersionBlock(L"VS_VERSION_INFO", L"", {strings})),
          ImageWithVersion(VersionBlock(L"VS_VERSION_INFO", L"", {})), PeHeaders()};
}

// Whatever the bytes: the resource found lies inside them, and its strings
// are read without a fault.
std::string RunVersionResource(const std::string& input, const base::FilePath& /*scratch*/,
                               bool* accepted) {
  std::string_view resource;
  if (!FindVersionResource(input, &resource))
    return "";
  if (resource.data() < input.data() ||
      resource.data() + resource.size() > input.data() + input.size()) {
    return "a version resource outside the file";
  }
  std::map<std::wstring, std::wstring> strings;
  *accepted = ReadVersionStrings(resource, L"000004B0", &strings);
  return "";
}

std::vector<std::string> SevenZipSeeds() {
  return {};  // from the corpus folder and the tests' archives (--seed_dir)
}

bool Contains(const std::vector<base::FilePath>& paths, const base::FilePath& path) {
  return std::any_of(paths.begin(), paths.end(), [&](const base::FilePath& p) {
    return base::FilePath::CompareEqualIgnoreCase(p.value(), path.value());
  });
}

// Only the archive and the output folder; below it only what the
// extraction reported (files it wrote, folders it made), and every file it
// reports written still there after a success.
std::string CheckOutput(const base::FilePath& scratch, const base::FilePath& out, uint32_t result,
                        const std::vector<base::FilePath>& written,
                        const std::vector<base::FilePath>& created) {
  for (const std::wstring& name : ListTree(scratch)) {
    if (name == L"package.7z" || name == L"out\\")
      continue;
    if (name.rfind(L"out\\", 0) != 0)
      return "a file written beside the output folder";
    const bool folder = name.back() == L'\\';
    const base::FilePath path = scratch.Append(folder ? name.substr(0, name.size() - 1) : name);
    if (!Contains(folder ? created : written, path))
      return folder ? "a folder left that was not reported" : "a file left that was not reported";
  }
  if (result == LzmaUtil::kOk) {
    for (const base::FilePath& file : written) {
      if (!base::PathExists(file))
        return "a reported file is missing after a success";
    }
  }
  for (const base::FilePath& file : written) {
    if (!out.IsParent(file))
      return "a file reported outside the output folder";
  }
  return "";
}

std::string RunLzmaUtil(const std::string& input, const base::FilePath& scratch, bool* accepted) {
  const base::FilePath archive = scratch.Append(L"package.7z");
  const base::FilePath out = scratch.Append(L"out");
  if (!base::WriteFile(archive, input))
    return "cannot write the input";
  LzmaUtil lzma;
  std::vector<base::FilePath> written, created;
  if (lzma.Open(archive) != LzmaUtil::kOpenOk) {
    const LzmaUtil::ExtractResult result =
        lzma.Extract(out, nullptr, nullptr, &written, &created);
    if (result != LzmaUtil::kNoArchiveOpen || !written.empty() || base::PathExists(out))
      return "an archive that did not open was extracted";
    return "";
  }
  const LzmaUtil::ExtractResult result = lzma.Extract(out, nullptr, nullptr, &written, &created);
  lzma.Close();
  *accepted = result == LzmaUtil::kOk;
  static const std::set<uint32_t> kResults = {
      LzmaUtil::kOk, LzmaUtil::kArchiveOpenFailed, LzmaUtil::kDecodeFailed,
      LzmaUtil::kInPageError, LzmaUtil::kBadEntryName, LzmaUtil::kCreateFileFailed,
      LzmaUtil::kWriteFileFailed, LzmaUtil::kSetFileTimeFailed, LzmaUtil::kCloseFileFailed,
      LzmaUtil::kNoSignature};
  if (!kResults.count(result))
    return "an unknown extraction result " + std::to_string(result);
  if (result == LzmaUtil::kInPageError)
    return "an in-page error on a local file";
  return CheckOutput(scratch, out, result, written, created);
}

}  // namespace

FuzzTarget PayloadTarget() {
  return {"payload", InputFormat::kBytes, PayloadSeeds, RunPayload};
}
FuzzTarget VersionResourceTarget() {
  return {"version_resource", InputFormat::kBytes, VersionResourceSeeds, RunVersionResource};
}
FuzzTarget LzmaUtilTarget() {
  return {"lzma_util", InputFormat::kSevenZip, SevenZipSeeds, RunLzmaUtil};
}

}  // namespace fuzz
