#include "desktop/windows/installer/service/journal_undo_batch.h"

#include <windows.h>

#include <algorithm>

#include "desktop/windows/installer/service/transactions/registry_key_safety.h"

namespace {

constexpr wchar_t kSeparator = L'\\';

// As Windows compares names of files and registry keys: whatever the case.
std::wstring Folded(std::wstring text) {
  std::replace(text.begin(), text.end(), L'/', kSeparator);
  if (!text.empty())
    ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

}  // namespace

JournalUndoBatch::JournalUndoBatch() = default;
JournalUndoBatch::~JournalUndoBatch() = default;

bool JournalUndoBatch::Touches(const UndoRecord& record) const {
  for (const std::wstring& place : PlacesOf(record)) {
    // The place itself or one above it.
    for (size_t end = place.find(kSeparator); ; end = place.find(kSeparator, end + 1)) {
      if (places_.count(place.substr(0, end)))
        return true;
      if (end == std::wstring::npos)
        break;
    }
    // One below it.
    const std::wstring below = place + kSeparator;
    const auto next = places_.lower_bound(below);
    if (next != places_.end() && next->compare(0, below.size(), below) == 0)
      return true;
  }
  return false;
}

void JournalUndoBatch::Add(const UndoRecord& record) {
  for (std::wstring& place : PlacesOf(record))
    places_.insert(std::move(place));
}

// static
std::vector<std::wstring> JournalUndoBatch::PlacesOf(const UndoRecord& record) {
  const std::wstring root = record.root == HKEY_LOCAL_MACHINE ? L"HKLM" : L"HKCU";
  const std::wstring key = L"|" + root + kSeparator + Folded(NormalizeRegistryKeyPath(record.key));
  switch (record.kind) {
    case UndoRecord::Kind::kPutBack:
    case UndoRecord::Kind::kMoveBack:
      return {Folded(record.path.value()), Folded(record.other.value())};
    // Folders are removed up to `other` only while empty: nothing an older
    // line puts there goes.
    case UndoRecord::Kind::kDelete:
    case UndoRecord::Kind::kRemoveFolders:
      return {Folded(record.path.value())};
    case UndoRecord::Kind::kRestoreValue:
      return {key + kSeparator + Folded(record.value_name)};
    case UndoRecord::Kind::kDeleteKey:
    case UndoRecord::Kind::kRestoreKeys:
      return {key};
    case UndoRecord::Kind::kVersionedFolder:
    case UndoRecord::Kind::kNone:
      return {};
  }
  return {};
}
