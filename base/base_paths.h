#ifndef BASE_BASE_PATHS_H_
#define BASE_BASE_PATHS_H_

// Keys for PathService::Get. Products add their own keys from PATH_END on
// with PathService::RegisterProvider.
namespace base {

enum BasePathKey {
  PATH_START = 0,

  DIR_CURRENT,   // current folder (never cached)
  DIR_EXE,       // folder of the running executable
  DIR_MODULE,    // folder of the module holding this code (the engine DLL)
  DIR_TEMP,      // temporary folder
  DIR_HOME,      // user profile folder
  FILE_EXE,      // path of the running executable
  FILE_MODULE,   // path of the module holding this code

  DIR_WINDOWS,              // C:\Windows
  DIR_SYSTEM,               // C:\Windows\System32
  DIR_PROGRAM_FILES,        // Program Files of this process's bitness
  DIR_PROGRAM_FILESX86,     // 32-bit Program Files
  DIR_PROGRAM_FILES6432,    // 64-bit Program Files on a 64-bit system
  DIR_APP_DATA,             // roaming application data
  DIR_LOCAL_APP_DATA,       // local application data
  DIR_COMMON_APP_DATA,      // ProgramData
  DIR_USER_DESKTOP,         // the user's desktop
  DIR_COMMON_DESKTOP,       // the public desktop
  DIR_START_MENU,           // the user's Start Menu\Programs
  DIR_COMMON_START_MENU,    // all users' Start Menu\Programs
  DIR_USER_QUICK_LAUNCH,    // roaming ...\Internet Explorer\Quick Launch
  DIR_TASKBAR_PINS,         // ...\Quick Launch\User Pinned\TaskBar
  DIR_APP_SHORTCUTS,        // Windows 8+ application shortcuts

  PATH_END
};

}  // namespace base

#endif  // BASE_BASE_PATHS_H_
