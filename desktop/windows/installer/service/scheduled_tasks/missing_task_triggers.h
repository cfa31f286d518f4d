#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_MISSING_TASK_TRIGGERS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_MISSING_TASK_TRIGGERS_H_

// The boot, logon and registration triggers of Task Scheduler 2.0, which
// MinGW-w64's taskschd.h leaves out. Layouts and ids are the system's.

#include <windows.h>
#include <taskschd.h>

MIDL_INTERFACE("2a9c35da-d357-41f4-bbc1-207ac1b1f3cb")
TarvoBootTrigger : public ITrigger {
  virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
};

MIDL_INTERFACE("72dade38-fae4-4b3e-baf4-5d009af02b1c")
TarvoLogonTrigger : public ITrigger {
  virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_UserId(BSTR* user) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) = 0;
};

MIDL_INTERFACE("4c8fec3a-c218-4e0c-b23d-629024db91a2")
TarvoRegistrationTrigger : public ITrigger {
  virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
};

__CRT_UUID_DECL(TarvoBootTrigger, 0x2a9c35da, 0xd357, 0x41f4, 0xbb, 0xc1, 0x20, 0x7a, 0xc1, 0xb1,
                0xf3, 0xcb)
__CRT_UUID_DECL(TarvoLogonTrigger, 0x72dade38, 0xfae4, 0x4b3e, 0xba, 0xf4, 0x5d, 0x00, 0x9a, 0xf0,
                0x2b, 0x1c)
__CRT_UUID_DECL(TarvoRegistrationTrigger, 0x4c8fec3a, 0xc218, 0x4e0c, 0xb2, 0x3d, 0x62, 0x90, 0x24,
                0xdb, 0x91, 0xa2)

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_MISSING_TASK_TRIGGERS_H_
