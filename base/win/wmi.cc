#include "base/win/wmi.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <wbemcli.h>
#include <wrl/client.h>

#include "base/win/scoped_bstr.h"

namespace base {
namespace win {

namespace {

using Microsoft::WRL::ComPtr;

// Defined here rather than taken from wbemuuid, which we do not link.
constexpr CLSID kWbemLocatorClsid = {
    0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

bool ConnectToLocalWmi(ComPtr<IWbemServices>* services) {
  ComPtr<IWbemLocator> locator;
  if (FAILED(CoCreateInstance(kWbemLocatorClsid, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(locator.GetAddressOf())))) {
    return false;
  }
  ScopedBstr resource(L"ROOT\\CIMV2");
  if (FAILED(locator->ConnectServer(resource.Get(), nullptr, nullptr, nullptr, 0, nullptr,
                                    nullptr, services->GetAddressOf()))) {
    return false;
  }
  // The call must impersonate the caller for process creation.
  return SUCCEEDED(CoSetProxyBlanket(services->Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE,
                                     nullptr, RPC_C_AUTHN_LEVEL_CALL,
                                     RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE));
}

// A fresh instance of the in-parameters of |class_name|.|method_name|.
bool CreateMethodParameters(IWbemServices* services, const wchar_t* class_name,
                            const wchar_t* method_name, ComPtr<IWbemClassObject>* instance) {
  ComPtr<IWbemClassObject> class_object;
  ScopedBstr class_bstr(class_name);
  if (FAILED(services->GetObject(class_bstr.Get(), 0, nullptr, class_object.GetAddressOf(),
                                 nullptr))) {
    return false;
  }
  ComPtr<IWbemClassObject> parameters;
  if (FAILED(class_object->GetMethod(method_name, 0, parameters.GetAddressOf(), nullptr)) ||
      !parameters) {
    return false;
  }
  return SUCCEEDED(parameters->SpawnInstance(0, instance->GetAddressOf()));
}

// An integer out-parameter; WMI hands back VT_I4 for both sint32 and uint32.
bool ReadInt(IWbemClassObject* object, const wchar_t* name, int* value) {
  VARIANT variant;
  VariantInit(&variant);
  if (FAILED(object->Get(name, 0, &variant, nullptr, nullptr)))
    return false;
  bool ok = V_VT(&variant) == VT_I4 || V_VT(&variant) == VT_UI4;
  if (ok)
    *value = V_I4(&variant);
  VariantClear(&variant);
  return ok;
}

}  // namespace

bool WmiLaunchProcess(const std::wstring& command_line, int* process_id) {
  ComPtr<IWbemServices> services;
  if (!ConnectToLocalWmi(&services))
    return false;
  constexpr wchar_t kClassName[] = L"Win32_Process";
  constexpr wchar_t kMethodName[] = L"Create";
  ComPtr<IWbemClassObject> parameters;
  if (!CreateMethodParameters(services.Get(), kClassName, kMethodName, &parameters))
    return false;

  VARIANT command;
  VariantInit(&command);
  V_VT(&command) = VT_BSTR;
  V_BSTR(&command) = SysAllocStringLen(command_line.data(),
                                       static_cast<UINT>(command_line.size()));
  if (!V_BSTR(&command))
    return false;
  HRESULT hr = parameters->Put(L"CommandLine", 0, &command, 0);
  VariantClear(&command);
  if (FAILED(hr))
    return false;

  ComPtr<IWbemClassObject> out_parameters;
  ScopedBstr class_bstr(kClassName);
  ScopedBstr method_bstr(kMethodName);
  if (FAILED(services->ExecMethod(class_bstr.Get(), method_bstr.Get(), 0, nullptr,
                                  parameters.Get(), out_parameters.GetAddressOf(), nullptr)) ||
      !out_parameters) {
    return false;
  }
  int return_value = -1;
  if (!ReadInt(out_parameters.Get(), L"ReturnValue", &return_value) || return_value != 0)
    return false;
  int pid = 0;
  if (!ReadInt(out_parameters.Get(), L"ProcessId", &pid) || pid == 0)
    return false;
  if (process_id)
    *process_id = pid;
  return true;
}

}  // namespace win
}  // namespace base
