#include "base/win/shortcut.h"

#include <windows.h>

#include <objbase.h>
#include <propidl.h>
#include <propsys.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string.h>

#include "base/win/scoped_propvariant.h"
#include "base/win/windows_version.h"

namespace base {
namespace win {

namespace {

using Microsoft::WRL::ComPtr;

// System.AppUserModel.ID.
constexpr PROPERTYKEY kAppUserModelIdKey = {
    {0x9F4C2855, 0x9F79, 0x4B39, {0xA8, 0xD0, 0xE1, 0xD4, 0x2D, 0xE1, 0xD5, 0xF3}}, 5};

bool FileExists(const FilePath& path) {
  DWORD attributes = GetFileAttributesW(path.value().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A new shell link, loaded from |shortcut| with |mode| when given.
bool InitializeShortcutInterfaces(const wchar_t* shortcut, DWORD mode, ComPtr<IShellLinkW>* link,
                                  ComPtr<IPersistFile>* file) {
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(link->GetAddressOf()))) ||
      FAILED((*link)->QueryInterface(IID_PPV_ARGS(file->GetAddressOf())))) {
    return false;
  }
  if (shortcut && FAILED((*file)->Load(shortcut, mode)))
    return false;
  return true;
}

bool SetAppId(IShellLinkW* link, const std::wstring& app_id) {
  ComPtr<IPropertyStore> store;
  if (FAILED(link->QueryInterface(IID_PPV_ARGS(store.GetAddressOf()))))
    return false;
  ScopedPropVariant value;
  PROPVARIANT* pv = value.Receive();
  size_t bytes = (app_id.size() + 1) * sizeof(wchar_t);
  pv->pwszVal = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
  if (!pv->pwszVal)
    return false;
  memcpy(pv->pwszVal, app_id.c_str(), bytes);
  pv->vt = VT_LPWSTR;
  return SUCCEEDED(store->SetValue(kAppUserModelIdKey, value.get())) &&
         SUCCEEDED(store->Commit());
}

}  // namespace

bool CreateOrUpdateShortcutLink(const FilePath& shortcut_path,
                                const ShortcutProperties& properties,
                                ShortcutOperation operation) {
  if (operation != SHORTCUT_UPDATE_EXISTING &&
      !(properties.options & ShortcutProperties::PROPERTIES_TARGET)) {
    return false;
  }
  bool shortcut_existed = FileExists(shortcut_path);
  if (operation != SHORTCUT_CREATE_ALWAYS && !shortcut_existed)
    return false;

  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  std::wstring old_arguments;
  bool keep_old_arguments = false;
  switch (operation) {
    case SHORTCUT_CREATE_ALWAYS:
      if (!InitializeShortcutInterfaces(nullptr, 0, &link, &file))
        return false;
      break;
    case SHORTCUT_UPDATE_EXISTING:
      if (!InitializeShortcutInterfaces(shortcut_path.value().c_str(), STGM_READWRITE, &link,
                                        &file))
        return false;
      break;
    case SHORTCUT_REPLACE_EXISTING: {
      if (!(properties.options & ShortcutProperties::PROPERTIES_ARGUMENTS)) {
        ShortcutProperties old;
        if (!ResolveShortcutProperties(shortcut_path, ShortcutProperties::PROPERTIES_ARGUMENTS,
                                       &old)) {
          return false;
        }
        old_arguments = old.arguments;
        keep_old_arguments = true;
      }
      if (!InitializeShortcutInterfaces(nullptr, 0, &link, &file))
        return false;
      break;
    }
  }

  const uint32_t options = properties.options;
  if ((options & ShortcutProperties::PROPERTIES_TARGET) &&
      FAILED(link->SetPath(properties.target.value().c_str()))) {
    return false;
  }
  if ((options & ShortcutProperties::PROPERTIES_WORKING_DIR) &&
      FAILED(link->SetWorkingDirectory(properties.working_dir.value().c_str()))) {
    return false;
  }
  if (options & ShortcutProperties::PROPERTIES_ARGUMENTS) {
    if (FAILED(link->SetArguments(properties.arguments.c_str())))
      return false;
  } else if (keep_old_arguments && FAILED(link->SetArguments(old_arguments.c_str()))) {
    return false;
  }
  if ((options & ShortcutProperties::PROPERTIES_DESCRIPTION) &&
      FAILED(link->SetDescription(properties.description.c_str()))) {
    return false;
  }
  if ((options & ShortcutProperties::PROPERTIES_ICON) &&
      FAILED(link->SetIconLocation(properties.icon.value().c_str(), properties.icon_index))) {
    return false;
  }
  if ((options & ShortcutProperties::PROPERTIES_APP_ID) &&
      !SetAppId(link.Get(), properties.app_id)) {
    return false;
  }

  bool saved = SUCCEEDED(file->Save(shortcut_path.value().c_str(), TRUE));
  // Release the link before touching the file again.
  file.Reset();
  link.Reset();
  if (!saved) {
    if (!shortcut_existed)
      DeleteFileW(shortcut_path.value().c_str());
    return false;
  }
  SHChangeNotify(shortcut_existed ? SHCNE_UPDATEITEM : SHCNE_CREATE, SHCNF_PATHW,
                 shortcut_path.value().c_str(), nullptr);
  return true;
}

bool ResolveShortcutProperties(const FilePath& shortcut_path, uint32_t options,
                               ShortcutProperties* properties) {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (!InitializeShortcutInterfaces(shortcut_path.value().c_str(), STGM_READ, &link, &file))
    return false;

  ShortcutProperties result;
  wchar_t buffer[MAX_PATH];
  if (options & ShortcutProperties::PROPERTIES_TARGET) {
    buffer[0] = L'\0';
    if (FAILED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_UNCPRIORITY)))
      return false;
    result.set_target(FilePath(buffer));
  }
  if (options & ShortcutProperties::PROPERTIES_WORKING_DIR) {
    buffer[0] = L'\0';
    if (FAILED(link->GetWorkingDirectory(buffer, MAX_PATH)))
      return false;
    result.set_working_dir(FilePath(buffer));
  }
  if (options & ShortcutProperties::PROPERTIES_ARGUMENTS) {
    // Arguments may be longer than a path.
    wchar_t arguments[INFOTIPSIZE];
    arguments[0] = L'\0';
    if (FAILED(link->GetArguments(arguments, INFOTIPSIZE)))
      return false;
    result.set_arguments(arguments);
  }
  if (options & ShortcutProperties::PROPERTIES_DESCRIPTION) {
    wchar_t description[INFOTIPSIZE];
    description[0] = L'\0';
    if (FAILED(link->GetDescription(description, INFOTIPSIZE)))
      return false;
    result.set_description(description);
  }
  if (options & ShortcutProperties::PROPERTIES_ICON) {
    buffer[0] = L'\0';
    int index = -1;
    if (FAILED(link->GetIconLocation(buffer, MAX_PATH, &index)))
      return false;
    result.set_icon(FilePath(buffer), index);
  }
  if (options & ShortcutProperties::PROPERTIES_APP_ID) {
    ComPtr<IPropertyStore> store;
    if (FAILED(link->QueryInterface(IID_PPV_ARGS(store.GetAddressOf()))))
      return false;
    ScopedPropVariant value;
    if (FAILED(store->GetValue(kAppUserModelIdKey, value.Receive())))
      return false;
    switch (value.get().vt) {
      case VT_EMPTY:
        result.set_app_id(std::wstring());
        break;
      case VT_LPWSTR:
        result.set_app_id(value.get().pwszVal ? value.get().pwszVal : L"");
        break;
      default:
        return false;
    }
  }
  *properties = result;
  return true;
}

bool ResolveShortcut(const FilePath& shortcut_path, FilePath* target_path, std::wstring* args) {
  uint32_t options = 0;
  if (target_path)
    options |= ShortcutProperties::PROPERTIES_TARGET;
  if (args)
    options |= ShortcutProperties::PROPERTIES_ARGUMENTS;
  ShortcutProperties properties;
  if (!ResolveShortcutProperties(shortcut_path, options, &properties))
    return false;
  if (target_path)
    *target_path = properties.target;
  if (args)
    *args = properties.arguments;
  return true;
}

bool CanPinShortcutToTaskbar() {
  Version version = GetVersion();
  return version >= VERSION_WIN7 && version < VERSION_WIN10;
}

namespace {

bool RunShellVerb(const wchar_t* verb, const FilePath& shortcut) {
  if (!CanPinShortcutToTaskbar())
    return false;
  INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, verb, shortcut.value().c_str(), nullptr, nullptr, SW_HIDE));
  return result > 32;
}

}  // namespace

bool TaskbarPinShortcutLink(const FilePath& shortcut) {
  return RunShellVerb(L"taskbarpin", shortcut);
}

bool TaskbarUnpinShortcutLink(const FilePath& shortcut) {
  return RunShellVerb(L"taskbarunpin", shortcut);
}

}  // namespace win
}  // namespace base
