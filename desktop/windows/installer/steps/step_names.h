#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_STEP_NAMES_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_STEP_NAMES_H_

#include <string>
#include <string_view>

// The names the scheduler reports to the UI process, which weights
// progress by them; they also appear in statistics.
inline constexpr char kCopyFileStepName[] = "copy_file";
inline constexpr char kMoveFileStepName[] = "move_file";
inline constexpr char kDirectUnpackingEventName[] = "direct_unpacking";

// "copy_file:" followed by the relative path (UTF-8).
std::string GetCopyFileStepName(std::string_view relative_path);

// Whether the name contains "copy_file" anywhere.
bool IsCopyFileStepName(std::string_view name);
// Whether the name is exactly "move_file".
bool IsMoveFileStepName(std::string_view name);
// Whether the name is exactly "direct_unpacking", the progress name of
// package preparation.
bool IsDirectUnpackingEvent(std::string_view name);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_STEP_NAMES_H_
