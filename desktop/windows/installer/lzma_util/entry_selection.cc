#include "desktop/windows/installer/lzma_util/entry_selection.h"

#include <algorithm>
#include <unordered_set>

#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/relative_path.h"

namespace {

std::wstring WithBackslashes(std::wstring name) {
  std::replace(name.begin(), name.end(), L'/', L'\\');
  return name;
}

// `name` without the leading "." components that tar writers put before
// every name ("./a.txt"); empty for the "." that stands for the root.
std::wstring_view WithoutCurrentFolder(std::wstring_view name) {
  while (!name.empty() && name[0] == L'.' &&
         (name.size() == 1 || base::FilePath::IsSeparator(name[1]))) {
    name.remove_prefix(std::min<size_t>(2, name.size()));
  }
  return name;
}

// `name` as UTF-8 for a log line, its control characters as "<U+XXXX>".
std::string Printable(std::wstring_view name) {
  std::wstring printable;
  for (wchar_t c : name) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
      printable += base::StringPrintf(L"<U+%04X>", static_cast<unsigned>(c));
    else
      printable += c;
  }
  return base::WideToUTF8(printable);
}

// A file or folder an entry writes, or a folder it needs for that.
struct Place {
  std::wstring_view name;
  uint32_t entry;
  enum class Kind { kFile, kFolder, kParent } kind;
};

}  // namespace

EntrySelection::EntrySelection() = default;

EntrySelection::~EntrySelection() = default;

bool EntrySelection::ReadName(const CSzArEx* db, uint32_t index, std::vector<UInt16>* buffer) {
  const size_t length = SzArEx_GetFileNameUtf16(db, index, nullptr);
  if (length == 0)
    return false;
  buffer->resize(length);
  SzArEx_GetFileNameUtf16(db, index, buffer->data());
  names_[index] = WithBackslashes(
      std::wstring(WithoutCurrentFolder(std::wstring_view(
          reinterpret_cast<const wchar_t*>(buffer->data()), length - 1))));
  return true;
}

LzmaUtil::ExtractResult EntrySelection::Select(const CSzArEx* db,
                                               const std::vector<bool>& anti,
                                               const std::set<std::wstring>* filter) {
  DCHECK(db);
  std::set<std::wstring> wanted;
  if (filter) {
    for (const std::wstring& name : *filter)
      wanted.insert(WithBackslashes(name));
  }
  names_.resize(db->NumFiles);
  selected_.assign(db->NumFiles, false);
  same_file_.assign(db->NumFiles, kOwnFile);
  // Names are optional in a 7z header, and the SDK reads them without
  // checking that they are there.
  if (db->NumFiles > 0 && !db->FileNameOffsets) {
    LOG(ERROR) << "The archive's entries have no names";
    return LzmaUtil::kBadEntryName;
  }
  std::vector<UInt16> buffer;
  for (UInt32 i = 0; i < db->NumFiles; ++i) {
    if (!ReadName(db, i, &buffer)) {
      LOG(ERROR) << "Couldn't get file name";
      return LzmaUtil::kBadEntryName;
    }
    const std::wstring& name = names_[i];
    // A deletion marker, or the output folder itself, creates nothing.
    if (anti[i] || (name.empty() && SzArEx_IsDir(db, i)))
      continue;
    ++entries_;
    if (filter && wanted.erase(name) == 0)
      continue;
    selected_[i] = true;
    ++count_;
    if (!IsSafeRelativePath(name)) {
      // As the archive stores it.
      LOG(ERROR) << "Refusing the archive entry \""
                 << Printable(std::wstring(buffer.begin(), buffer.end() - 1))
                 << "\": its name is not a safe relative path";
      return LzmaUtil::kBadEntryName;
    }
  }
  for (const std::wstring& name : wanted)
    LOG(WARNING) << "Not in the archive: " << name;
  return FindSharedNames(db) ? LzmaUtil::kOk : LzmaUtil::kBadEntryName;
}

bool EntrySelection::FindSharedNames(const CSzArEx* db) {
  std::vector<Place> places;
  places.reserve(count_);
  std::unordered_set<std::wstring_view> parents;
  for (uint32_t i = 0; i < names_.size(); ++i) {
    if (!selected_[i])
      continue;
    const std::wstring_view name = names_[i];
    places.push_back({name, i, SzArEx_IsDir(db, i) ? Place::Kind::kFolder : Place::Kind::kFile});
    // A parent already seen came with its own parents.
    for (size_t end = name.rfind(L'\\'); end != std::wstring_view::npos && end > 0;
         end = name.rfind(L'\\', end - 1)) {
      if (!parents.insert(name.substr(0, end)).second)
        break;
      places.push_back({name.substr(0, end), i, Place::Kind::kParent});
    }
  }
  // Stable: places of one name stay in archive order.
  std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
    return base::FilePath::CompareLessIgnoreCase(a.name, b.name);
  });
  for (size_t begin = 0, end = 0; begin < places.size(); begin = end) {
    const Place* file = nullptr;
    const Place* folder = nullptr;
    size_t files = 0;
    for (end = begin; end < places.size() &&
                      base::FilePath::CompareEqualIgnoreCase(places[begin].name, places[end].name);
         ++end) {
      const Place& place = places[end];
      if (place.kind == Place::Kind::kFile) {
        file = file ? file : &place;
        ++files;
      } else if (!folder || folder->kind == Place::Kind::kParent) {
        folder = &place;
      }
    }
    if (file && folder) {
      LOG(ERROR) << "Refusing the archive: the entry \"" << base::WideToUTF8(file->name)
                 << "\" is a file, and the entry \"" << base::WideToUTF8(names_[folder->entry])
                 << (folder->kind == Place::Kind::kFolder ? "\" is a folder" : "\" needs a folder")
                 << " of that name"
                 << (file->name == folder->name ? ""
                                                : " (names that differ only in case name one)");
      return false;
    }
    for (size_t i = begin; files > 1 && i < end; ++i)
      same_file_[places[i].entry] = file->entry;
  }
  return true;
}
