#include "desktop/windows/installer/utils/installer_architecture.h"

std::string ArchitectureToString(int architecture) {
  switch (architecture) {
    case INSTALLER_ARCHITECTURE_X86:
      return "X86";
    case INSTALLER_ARCHITECTURE_X64:
      return "X64";
    case INSTALLER_ARCHITECTURE_INVALID:
      return "invalid";
  }
  return std::string();
}

std::wstring ArchitectureToString16(int architecture) {
  std::wstring text;
  for (char c : ArchitectureToString(architecture))
    text += static_cast<wchar_t>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text;
}
