#include "desktop/windows/installer/service/association_service.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include "base/logging.h"
#include "base/win/scoped_co_mem.h"

using Microsoft::WRL::ComPtr;

namespace association_service {
namespace {

// Ids of our own, so nothing depends on which GUIDs an import library has.
constexpr CLSID kApplicationAssociationRegistrationClass = {
    0x591209C7, 0x767B, 0x42B2, {0x9F, 0xBA, 0x44, 0xEE, 0x46, 0x15, 0xF2, 0xC7}};
constexpr IID kApplicationAssociationRegistrationId = {
    0x4E530B0A, 0xE611, 0x4C77, {0xA3, 0xAC, 0x90, 0x31, 0xD0, 0x22, 0x28, 0x1B}};
constexpr IID kEnumAssocHandlersId = {
    0x973810AE, 0x9599, 0x4B88, {0x9E, 0x4D, 0x6E, 0xE9, 0x8C, 0x95, 0x52, 0xDA}};
constexpr CLSID kApplicationActivationManagerClass = {
    0x45BA127D, 0x10A8, 0x46EA, {0x8A, 0xB7, 0x56, 0xEA, 0x90, 0x78, 0x94, 0x3C}};
constexpr IID kApplicationActivationManagerId = {
    0x2E941141, 0x7F97, 0x4756, {0xBA, 0x1D, 0x9D, 0xEC, 0xDE, 0x89, 0x4A, 0x3D}};

// Undocumented interfaces. Only the slots we call are named; the others
// keep the table's layout and are never called.
constexpr IID kHandlerDefaultId = {
    0xCA635855, 0xB44E, 0x4541, {0x95, 0x91, 0x9F, 0xAA, 0x53, 0x35, 0x4A, 0x53}};
struct IHandlerDefault : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE MakeDefault(int flags) = 0;
};

constexpr IID kExtensionDefaultId = {
    0xFC0BE3A5, 0x6BE4, 0x423C, {0xB2, 0x87, 0x24, 0x89, 0x34, 0xE3, 0x79, 0xC7}};
struct IExtensionDefault : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Reserved0() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetExtensionDefault(LPCWSTR product_name, LPCWSTR extension,
                                                        int flags) = 0;
};

// The older registration interfaces, tried in this order.
constexpr IID kPrivateRegistrationIds[] = {
    {0x5E35B9FB, 0xFB98, 0x4565, {0x8E, 0x0D, 0xB7, 0x46, 0x8D, 0xA3, 0x1B, 0x81}},
    {0x14EBCC88, 0x2831, 0x4FC8, {0xA5, 0xDF, 0x9F, 0x36, 0xA8, 0x1D, 0xB1, 0x2C}},
    {0x1C5C9D10, 0x1225, 0x4C97, {0x8C, 0x51, 0x98, 0xE1, 0xB6, 0xF0, 0xD4, 0xE0}},
    {0x229D59E2, 0xF94A, 0x402E, {0x9A, 0x9F, 0x3B, 0x84, 0xA1, 0xAC, 0xED, 0x77}},
    {0xC7225171, 0xB9A7, 0x4CF7, {0x86, 0x1F, 0x85, 0xAB, 0x7B, 0xA3, 0xC5, 0xB2}},
};
struct IPrivateRegistration : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Reserved0() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved1() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefault(LPCWSTR app_registration_name,
                                               LPCWSTR association, int is_protocol) = 0;
};

// A bound on handler lists: an enumerator that never ends must not hang us.
constexpr int kMaxHandlers = 1000;

using EnumHandlersFunction = HRESULT(WINAPI*)(PCWSTR protocol, REFIID riid, void** enumerator);

HMODULE GetShell32() {
  HMODULE shell32 = ::GetModuleHandleW(L"shell32.dll");
  if (!shell32) shell32 = ::LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return shell32;
}

// Windows 7 and Wine lack this export, so it is never imported.
EnumHandlersFunction GetEnumHandlersFunction() {
  HMODULE shell32 = GetShell32();
  return shell32 ? reinterpret_cast<EnumHandlersFunction>(::GetProcAddress(
                       shell32, "SHAssocEnumHandlersForProtocolByApplication"))
                 : nullptr;
}

ASSOCIATIONTYPE ToAssociationType(AssociationKind kind) {
  switch (kind) {
    case AssociationKind::kFileExtension:
      return AT_FILEEXTENSION;
    case AssociationKind::kUrlProtocol:
      return AT_URLPROTOCOL;
    case AssociationKind::kStartMenuClient:
      return AT_STARTMENUCLIENT;
  }
  return AT_URLPROTOCOL;
}

ComPtr<IApplicationAssociationRegistration> CreateRegistration() {
  ComPtr<IApplicationAssociationRegistration> registration;
  const HRESULT hr = ::CoCreateInstance(kApplicationAssociationRegistrationClass, nullptr,
                                        CLSCTX_INPROC_SERVER,
                                        kApplicationAssociationRegistrationId, &registration);
  if (FAILED(hr)) {
    VLOG(1) << "Association registration unavailable: 0x" << std::hex << hr;
    return nullptr;
  }
  return registration;
}

// The first handler of `protocol` whose display name contains `name` and
// that answers the handler-default interface.
ComPtr<IHandlerDefault> FindProtocolHandler(const wchar_t* protocol, const std::wstring& name) {
  EnumHandlersFunction enum_handlers = GetEnumHandlersFunction();
  if (!enum_handlers || name.empty()) return nullptr;
  ComPtr<IEnumAssocHandlers> handlers;
  if (FAILED(enum_handlers(protocol, kEnumAssocHandlersId, &handlers)) || !handlers)
    return nullptr;
  for (int i = 0; i < kMaxHandlers; ++i) {
    ComPtr<IAssocHandler> handler;
    ULONG fetched = 0;
    if (handlers->Next(1, &handler, &fetched) != S_OK || fetched != 1 || !handler) break;
    base::win::ScopedCoMem<wchar_t> ui_name;
    if (FAILED(handler->GetUIName(&ui_name)) || !ui_name) continue;
    if (std::wstring_view(ui_name.get()).find(name) == std::wstring_view::npos) continue;
    ComPtr<IHandlerDefault> handler_default;
    if (SUCCEEDED(handler->QueryInterface(kHandlerDefaultId, &handler_default)))
      return handler_default;
  }
  return nullptr;
}

ComPtr<IExtensionDefault> GetExtensionDefault() {
  ComPtr<IApplicationAssociationRegistration> registration = CreateRegistration();
  ComPtr<IExtensionDefault> extension_default;
  if (!registration ||
      FAILED(registration->QueryInterface(kExtensionDefaultId, &extension_default))) {
    return nullptr;
  }
  return extension_default;
}

ComPtr<IPrivateRegistration> GetPrivateRegistration() {
  ComPtr<IApplicationAssociationRegistration> registration = CreateRegistration();
  if (!registration) return nullptr;
  for (const IID& id : kPrivateRegistrationIds) {
    ComPtr<IPrivateRegistration> private_registration;
    if (SUCCEEDED(registration->QueryInterface(id, &private_registration)))
      return private_registration;
  }
  return nullptr;
}

}  // namespace

bool IsInternetExplorerAvailable(int windows_build) {
  if (windows_build >= kHandlerRouteMinBuild)
    return FindProtocolHandler(L"http", L"Internet Explorer") && GetExtensionDefault();
  return GetPrivateRegistration() != nullptr;
}

bool SetDefaultAssociation(int windows_build, const std::wstring& app_registration_name,
                           const std::wstring& product_name, const std::wstring& association) {
  const bool protocol = association.empty() || association[0] != L'.';
  HRESULT hr = E_NOINTERFACE;
  if (windows_build >= kHandlerRouteMinBuild) {
    if (protocol) {
      ComPtr<IHandlerDefault> handler =
          FindProtocolHandler(association.c_str(), app_registration_name);
      if (handler) hr = handler->MakeDefault(0);
    } else {
      ComPtr<IExtensionDefault> extension_default = GetExtensionDefault();
      if (extension_default)
        hr = extension_default->SetExtensionDefault(product_name.c_str(), association.c_str(), 0);
    }
  } else {
    ComPtr<IPrivateRegistration> registration = GetPrivateRegistration();
    if (registration) {
      hr = registration->SetDefault(app_registration_name.c_str(), association.c_str(),
                                    protocol ? 1 : 0);
    }
  }
  if (FAILED(hr)) VLOG(1) << "Setting the default association failed: 0x" << std::hex << hr;
  return SUCCEEDED(hr);
}

bool QueryAppIsDefault(const std::wstring& app_registration_name,
                       const std::wstring& association, AssociationKind kind) {
  ComPtr<IApplicationAssociationRegistration> registration = CreateRegistration();
  if (!registration) return false;
  BOOL is_default = FALSE;
  const HRESULT hr =
      registration->QueryAppIsDefault(association.c_str(), ToAssociationType(kind),
                                      AL_EFFECTIVE, app_registration_name.c_str(), &is_default);
  if (FAILED(hr)) {
    VLOG(1) << "QueryAppIsDefault failed: 0x" << std::hex << hr;
    return false;
  }
  return is_default != FALSE;
}

bool SetAppAsDefault(const std::wstring& app_registration_name, const std::wstring& association,
                     AssociationKind kind) {
  ComPtr<IApplicationAssociationRegistration> registration = CreateRegistration();
  if (!registration) return false;
  const HRESULT hr = registration->SetAppAsDefault(app_registration_name.c_str(),
                                                   association.c_str(), ToAssociationType(kind));
  if (FAILED(hr)) LOG(WARNING) << "SetAppAsDefault failed: 0x" << std::hex << hr;
  return SUCCEEDED(hr);
}

bool ShowOpenWithDialog(const std::wstring& association) {
  using OpenWithFunction = HRESULT(WINAPI*)(HWND, const OPENASINFO*);
  HMODULE shell32 = GetShell32();
  auto open_with = shell32 ? reinterpret_cast<OpenWithFunction>(
                                 ::GetProcAddress(shell32, "SHOpenWithDialog"))
                           : nullptr;
  if (!open_with) return false;
  OPENASINFO info = {};
  info.pcszFile = association.c_str();
  info.oaifInFlags = static_cast<OPEN_AS_INFO_FLAGS>(OAIF_URL_PROTOCOL | OAIF_FORCE_REGISTRATION |
                                                     OAIF_REGISTER_EXT);
  return SUCCEEDED(open_with(nullptr, &info));
}

bool ActivateApplication(const std::wstring& app_id, const std::wstring& arguments) {
  ComPtr<IApplicationActivationManager> manager;
  HRESULT hr = ::CoCreateInstance(kApplicationActivationManagerClass, nullptr, CLSCTX_ALL,
                                  kApplicationActivationManagerId, &manager);
  if (FAILED(hr)) {
    VLOG(1) << "Activation manager unavailable: 0x" << std::hex << hr;
    return false;
  }
  ::CoAllowSetForegroundWindow(manager.Get(), nullptr);
  DWORD process_id = 0;
  hr = manager->ActivateApplication(app_id.c_str(), arguments.c_str(), AO_NONE, &process_id);
  if (FAILED(hr)) LOG(WARNING) << "Activating " << app_id << " failed: 0x" << std::hex << hr;
  return SUCCEEDED(hr);
}

}  // namespace association_service
