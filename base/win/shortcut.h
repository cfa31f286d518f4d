#ifndef BASE_WIN_SHORTCUT_H_
#define BASE_WIN_SHORTCUT_H_

#include <stdint.h>

#include <string>

#include "base/files/file_path.h"

namespace base {
namespace win {

enum ShortcutOperation {
  // Creates the shortcut, overwriting any existing one.
  SHORTCUT_CREATE_ALWAYS = 0,
  // Overwrites an existing shortcut (fails when there is none). Arguments
  // not given in the new properties are kept from the old shortcut.
  SHORTCUT_REPLACE_EXISTING,
  // Changes only the given properties of an existing shortcut.
  SHORTCUT_UPDATE_EXISTING,
};

// The properties of a shell link; |options| says which ones are set.
struct ShortcutProperties {
  enum IndividualProperties {
    PROPERTIES_TARGET = 1U << 0,
    PROPERTIES_WORKING_DIR = 1U << 1,
    PROPERTIES_ARGUMENTS = 1U << 2,
    PROPERTIES_DESCRIPTION = 1U << 3,
    PROPERTIES_ICON = 1U << 4,
    PROPERTIES_APP_ID = 1U << 5,
    PROPERTIES_BASIC = PROPERTIES_TARGET | PROPERTIES_WORKING_DIR | PROPERTIES_ARGUMENTS |
                       PROPERTIES_DESCRIPTION | PROPERTIES_ICON,
    PROPERTIES_ALL = PROPERTIES_BASIC | PROPERTIES_APP_ID,
  };

  void set_target(const FilePath& target_in) {
    target = target_in;
    options |= PROPERTIES_TARGET;
  }
  void set_working_dir(const FilePath& working_dir_in) {
    working_dir = working_dir_in;
    options |= PROPERTIES_WORKING_DIR;
  }
  void set_arguments(const std::wstring& arguments_in) {
    arguments = arguments_in;
    options |= PROPERTIES_ARGUMENTS;
  }
  void set_description(const std::wstring& description_in) {
    description = description_in;
    options |= PROPERTIES_DESCRIPTION;
  }
  void set_icon(const FilePath& icon_in, int icon_index_in) {
    icon = icon_in;
    icon_index = icon_index_in;
    options |= PROPERTIES_ICON;
  }
  void set_app_id(const std::wstring& app_id_in) {
    app_id = app_id_in;
    options |= PROPERTIES_APP_ID;
  }

  FilePath target;
  FilePath working_dir;
  std::wstring arguments;
  std::wstring description;
  FilePath icon;
  int icon_index = -1;
  std::wstring app_id;
  uint32_t options = 0;
};

// Creates or changes the shortcut at |shortcut_path| (COM must be
// initialized on this thread). Creating requires a target. A shortcut that
// this call created and could not finish is removed again. The shell is told
// about the new or changed file.
bool CreateOrUpdateShortcutLink(const FilePath& shortcut_path,
                                const ShortcutProperties& properties,
                                ShortcutOperation operation);

// Reads the properties named in |options| (ShortcutProperties bits); false
// when the shortcut cannot be loaded or one of them cannot be read. An
// application id that is not set reads as empty.
bool ResolveShortcutProperties(const FilePath& shortcut_path, uint32_t options,
                               ShortcutProperties* properties);

// The target and arguments of a shortcut; either output may be null.
bool ResolveShortcut(const FilePath& shortcut_path, FilePath* target_path, std::wstring* args);

// Whether the shell's "taskbarpin" verb may be used: Windows 7 up to (not
// including) Windows 10, which dropped it for programs.
bool CanPinShortcutToTaskbar();

// Pins or unpins a shortcut through the shell verb; false when it is not
// possible or fails.
bool TaskbarPinShortcutLink(const FilePath& shortcut);
bool TaskbarUnpinShortcutLink(const FilePath& shortcut);

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SHORTCUT_H_
