#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_ADDITIONAL_COMPONENT_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_ADDITIONAL_COMPONENT_H_

#include <string>
#include <vector>

namespace base {
class FilePath;
class ListValue;
}  // namespace base

// One file offered beside the package by the download-URL reply.
struct AdditionalComponent {
  std::string type;  // "assistant", "partner_content" or "downloadable_resource".
  std::string location;
  std::string checksum;
  bool archive = false;
  std::string filename;
  // "location", "type", "archive" and "checksum" were given with their
  // types, and "filename" where it is needed.
  bool complete = false;

  // The components of a reply's "components" list the fetcher takes: the
  // assistant only when it has an assistant folder, partner content always,
  // downloadable resources that are needed. Unknown types are left out.
  static std::vector<AdditionalComponent> Choose(const base::ListValue* components,
                                                 bool with_assistant,
                                                 const std::vector<std::string>& needed);
  // The test folder's files that are needed resources, as components with
  // "file:///" locations.
  static std::vector<AdditionalComponent> FromTestFolder(const base::FilePath& folder,
                                                         const std::vector<std::string>& needed);

  // Appends the names, each followed by "\r\n", to |files_list|, creating it
  // when missing; a list without a final line break gets one first.
  static bool AppendToFilesList(const base::FilePath& files_list,
                                const std::vector<std::string>& names);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_ADDITIONAL_COMPONENT_H_
