#include "desktop/windows/installer/steps/step_names.h"

std::string GetCopyFileStepName(std::string_view relative_path) {
  return std::string(kCopyFileStepName) + ":" + std::string(relative_path);
}

bool IsCopyFileStepName(std::string_view name) {
  return name.find(kCopyFileStepName) != std::string_view::npos;
}

bool IsMoveFileStepName(std::string_view name) {
  return name == kMoveFileStepName;
}

bool IsDirectUnpackingEvent(std::string_view name) {
  return name == kDirectUnpackingEventName;
}
