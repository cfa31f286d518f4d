#include "desktop/windows/installer/wininet/test_support/scoped_wininet_tasks.h"

#include <atomic>
#include <cstring>

namespace {

using QueueFunction = BOOL(WINAPI*)(LPTHREAD_START_ROUTINE, void*, ULONG);

QueueFunction g_original = nullptr;
std::atomic<int> g_started{0};
std::atomic<int> g_ended{0};

struct Task {
  LPTHREAD_START_ROUTINE function;
  void* context;
};

DWORD WINAPI RunAndCount(void* parameter) {
  Task* task = static_cast<Task*>(parameter);
  task->function(task->context);
  delete task;
  ++g_ended;
  return 0;
}

BOOL WINAPI RunAtOnce(LPTHREAD_START_ROUTINE function, void* context, ULONG /*flags*/) {
  ++g_started;
  function(context);
  ++g_ended;
  return TRUE;
}

BOOL WINAPI QueueCounted(LPTHREAD_START_ROUTINE function, void* context, ULONG flags) {
  ++g_started;
  auto* task = new Task{function, context};
  if (g_original(&RunAndCount, task, flags))
    return TRUE;
  delete task;
  ++g_ended;
  return FALSE;
}

// The import slot of `function` of any module in `module`'s import table.
void** FindImportSlot(HMODULE module, const char* function) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0)
    return nullptr;
  for (auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       descriptor->Name != 0; ++descriptor) {
    if (descriptor->OriginalFirstThunk == 0)
      continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
        continue;
      const auto* name =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(name->Name), function) == 0)
        return reinterpret_cast<void**>(&slots->u1.Function);
    }
  }
  return nullptr;
}

void WriteSlot(void** slot, void* value) {
  DWORD old = 0;
  VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &old);
  *slot = value;
  VirtualProtect(slot, sizeof(*slot), old, &old);
}

}  // namespace

ScopedWininetTasks::ScopedWininetTasks(Mode mode) {
  // The engine loads wininet.dll on first use: load it now to patch it,
  // and keep it loaded while patched.
  wininet_ = LoadLibraryW(L"wininet.dll");
  if (!wininet_)
    return;
  slot_ = FindImportSlot(wininet_, "QueueUserWorkItem");
  if (!slot_)
    return;
  original_ = *slot_;
  g_original = reinterpret_cast<QueueFunction>(original_);
  g_started = 0;
  g_ended = 0;
  WriteSlot(slot_, mode == Mode::kInline ? reinterpret_cast<void*>(&RunAtOnce)
                                          : reinterpret_cast<void*>(&QueueCounted));
}

ScopedWininetTasks::~ScopedWininetTasks() {
  // Tasks still queued keep counting through the original function.
  if (slot_)
    WriteSlot(slot_, original_);
  if (wininet_)
    FreeLibrary(wininet_);
}

int ScopedWininetTasks::started() const {
  return g_started;
}

bool ScopedWininetTasks::WaitForAll(base::TimeDelta limit) const {
  const base::TimeTicks end = base::TimeTicks::Now() + limit;
  while (g_ended < g_started) {
    if (base::TimeTicks::Now() >= end)
      return false;
    Sleep(5);
  }
  return true;
}
