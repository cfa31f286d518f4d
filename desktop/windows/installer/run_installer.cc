#include <windows.h>

extern "C" __declspec(dllexport) unsigned int RunInstaller() {
  return 101;
}

extern "C" __declspec(dllexport) void* GetHandleVerifier() {
  return nullptr;
}
