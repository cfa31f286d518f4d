// Files the engine opens from places others can write: the installer
// executable with its appended payload, and the 7z package.
#include <algorithm>
#include <cstring>
#include <set>

#include "base/files/file_util.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"
#include "testing/fuzz/fuzz_target.h"

namespace fuzz {
namespace {

constexpr uint32_t kPeOffset = 0x80;

template <typename T>
void Put(std::string* bytes, size_t offset, T value) {
  memcpy(&(*bytes)[offset], &value, sizeof(value));
}

// The headers of a PE image, 0x200 bytes, without sections.
std::string Image(uint16_t machine) {
  std::string image(0x200, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  Put<uint32_t>(&image, 0x3C, kPeOffset);
  memcpy(&image[kPeOffset], "PE\0\0", 4);
  Put<uint16_t>(&image, kPeOffset + 4, machine);
  Put<uint16_t>(&image, kPeOffset + 20, 0xF0);  // SizeOfOptionalHeader
  Put<uint32_t>(&image, kPeOffset + 24 + 60, 0x200);  // SizeOfHeaders
  return image;
}

std::string Tail(const std::string& payload) {
  std::string tail = "TRV" + payload;
  const int32_t length = static_cast<int32_t>(payload.size());
  tail.append(reinterpret_cast<const char*>(&length), 4);
  return tail;
}

// |image| signed with a made-up certificate table after |before|.
std::string Signed(std::string image, const std::string& before, const std::string& after) {
  const std::string table(24, 'C');
  Put<uint32_t>(&image, kPeOffset + 0xA8, static_cast<uint32_t>(image.size() + before.size()));
  Put<uint32_t>(&image, kPeOffset + 0xAC, static_cast<uint32_t>(table.size()));
  return image + before + table + after;
}

std::vector<std::string> PayloadSeeds() {
  const std::string archive("7z\xBC\xAF\x27\x1C" "archive", 13);
  const std::string tracking = "eyJ1dWlkIjoiMSJ9";
  return {Image(0x8664) + Tail(archive), Image(0x14C) + Tail(tracking),
          Signed(Image(0x8664), Tail(archive), ""), Signed(Image(0x8664), Tail(tracking), "xx"),
          Signed(Image(0x8664), "", Tail(archive)), Image(0x8664),
          Image(0x8664) + "TRV" + std::string("\xFF\xFF\xFF\x7F", 4), "MZ", ""};
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
FuzzTarget LzmaUtilTarget() {
  return {"lzma_util", InputFormat::kSevenZip, SevenZipSeeds, RunLzmaUtil};
}

}  // namespace fuzz
