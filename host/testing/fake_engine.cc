// A stand-in for installer_engine.dll in the host's tests: records each call
// of RunInstaller in the file named by TARVO_FAKE_ENGINE_CALLS and returns the
// number in TARVO_FAKE_ENGINE_RESULT.

#include <windows.h>

#include <cstdlib>

#if !defined(FAKE_ENGINE_WITHOUT_ENTRY)

extern "C" __declspec(dllexport) unsigned int RunInstaller() {
  wchar_t path[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"TARVO_FAKE_ENGINE_CALLS", path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, "call\n", 5, &written, nullptr);
      CloseHandle(file);
    }
  }
  wchar_t result[32];
  length = GetEnvironmentVariableW(L"TARVO_FAKE_ENGINE_RESULT", result, 32);
  if (length == 0 || length >= 32)
    return 0;
  return static_cast<unsigned int>(wcstoul(result, nullptr, 10));
}

#else

extern "C" __declspec(dllexport) unsigned int SomethingElse() {
  return 0;
}

#endif
