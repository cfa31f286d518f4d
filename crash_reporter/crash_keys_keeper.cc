#include "crash_reporter/crash_keys_keeper.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

#include "base/strings/utf_string_conversions.h"
#include "crash_reporter/crash_reporter_client.h"

namespace crash_reporter {
namespace {

std::atomic<CrashKeysKeeper*> g_keeper{nullptr};

void CopyUnits(const std::wstring& text, wchar_t* out) {
  size_t n = std::min<size_t>(text.size(), kCustomInfoUnits - 1);
  std::copy_n(text.data(), n, out);
  std::fill(out + n, out + kCustomInfoUnits, L'\0');
}

}  // namespace

CrashKeysKeeper* CrashKeysKeeper::GetInstance() {
  return g_keeper.load();
}

CrashKeysKeeper* CrashKeysKeeper::Create(const std::string& process_type) {
  if (CrashKeysKeeper* existing = g_keeper.load())
    return existing;
  auto* keeper = new CrashKeysKeeper(process_type);
  CrashKeysKeeper* expected = nullptr;
  if (!g_keeper.compare_exchange_strong(expected, keeper)) {
    delete keeper;
    return expected;
  }
  return keeper;
}

CrashKeysKeeper::CrashKeysKeeper(const std::string& process_type) {
  info_.entries = reinterpret_cast<uintptr_t>(entries_);
  wchar_t exe[MAX_PATH];
  const DWORD exe_length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring product, version, special, channel;
  GetCrashReporterClient()->GetProductNameAndVersion(std::wstring(exe, exe_length), &product,
                                                     &version, &special, &channel);
  AddEntry("ver", version);
  AddEntry("prod", product);
  AddEntry("plat", L"Win32");
  AddEntry("ptype", base::UTF8ToWide(process_type));
  AddEntry("pid", std::to_wstring(GetCurrentProcessId()));
  AddEntry("channel", channel);
  AddEntry("profile-type", std::wstring());
  AddEntry("special", special);
}

bool CrashKeysKeeper::AddEntry(const std::string& name, const std::wstring& value) {
  if (info_.count >= kMaxEntries)
    return false;
  CustomInfoEntry& entry = entries_[info_.count];
  CopyUnits(base::UTF8ToWide(name), entry.name);
  CopyUnits(value, entry.value);
  // The reporter may read the count at any time: the entry is complete
  // before it is counted.
  MemoryBarrier();
  ++info_.count;
  return true;
}

size_t CrashKeysKeeper::RegisterKeys(const std::vector<CrashKey>& keys, size_t reported,
                                     size_t chunk_length) {
  chunk_length_ = std::min<size_t>(chunk_length, kCustomInfoUnits - 1);
  for (size_t i = 0; i < keys.size() && i < reported; ++i) {
    if (slots_.count(keys[i].name))
      continue;
    std::vector<std::string> names = GetChunkedKeyNames(keys[i], chunk_length_);
    if (info_.count + names.size() > kMaxEntries)
      break;
    Slot slot{static_cast<size_t>(info_.count), names.size(), keys[i].max_length};
    for (const std::string& name : names)
      AddEntry(name, std::wstring());
    slots_[keys[i].name] = slot;
  }
  return keys.size();
}

void CrashKeysKeeper::SetKeyValue(const std::string& key, const std::string& value) {
  auto it = slots_.find(key);
  if (it == slots_.end())
    return;
  const Slot& slot = it->second;
  std::wstring wide = base::UTF8ToWide(value);
  if (wide.size() > slot.max_length)
    wide.resize(slot.max_length);
  for (size_t i = 0; i < slot.chunks; ++i) {
    size_t start = std::min(wide.size(), i * chunk_length_);
    CopyUnits(wide.substr(start, chunk_length_), entries_[slot.first_entry + i].value);
  }
}

void CrashKeysKeeper::ClearKeyValue(const std::string& key) {
  SetKeyValue(key, std::string());
}

}  // namespace crash_reporter
