#include "desktop/windows/installer/service/xml_installation_status_reader.h"

#include <utility>

#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/service/xml_dom_cursor.h"

namespace {

using MoveResult = XmlDomCursor::MoveResult;

struct FileListMessages {
  const char* no_first;
  const char* wrong_name;
  const char* no_text;
  const char* traversal;
  const char* no_parent;
};

const FileListMessages kFilesMessages = {
    "Cannot proceed to the first file on the list", "File element is incorrectly named",
    "Cannot get text content of a file element", "Failed traversing the files list",
    "Cannot get back to the files list"};

const FileListMessages kRootFilesMessages = {
    "Cannot proceed to the first root file", "A root file is incorrectly named",
    "Cannot get text of a root file", "Failed traversing the root files list",
    "Cannot get back to the root files list"};

const char kRegistryTraversalError[] = "Failure while traversing registry keys";

base::FilePath TrimmedPath(const std::string& text) {
  return base::FilePath(base::UTF8ToWide(base::TrimWhitespaceASCII(text, base::TRIM_ALL)));
}

bool NameIs(const XmlDomCursor& cursor, const char* expected) {
  std::string name;
  return cursor.GetNodeName(&name) && name == expected;
}

// Reads the "file" children of the current element into |paths| and returns
// to the element. Null on success, otherwise the failure's message.
const char* ReadFileList(XmlDomCursor* cursor, const FileListMessages& messages,
                         std::vector<base::FilePath>* paths) {
  if (cursor->MoveToFirstChild() != XmlDomCursor::MOVED)
    return messages.no_first;
  while (true) {
    if (!NameIs(*cursor, "file"))
      return messages.wrong_name;
    std::string text;
    if (!cursor->GetText(&text))
      return messages.no_text;
    paths->push_back(TrimmedPath(text));
    MoveResult next = cursor->MoveToNextSibling();
    if (next == XmlDomCursor::NO_ELEMENT)
      break;
    if (next != XmlDomCursor::MOVED)
      return messages.traversal;
  }
  if (cursor->MoveToParent() != XmlDomCursor::MOVED)
    return messages.no_parent;
  return nullptr;
}

bool ReadRegistryValue(XmlDomCursor* cursor, StatusRegistryValue* value) {
  std::string data;
  if (!NameIs(*cursor, "value") || !cursor->GetAttribute(L"name", &value->name) ||
      !cursor->GetAttribute(L"type", &value->type) || !cursor->GetText(&data)) {
    return false;
  }
  value->data = std::string(base::TrimWhitespaceASCII(data, base::TRIM_ALL));
  return true;
}

bool ReadRegistryKey(XmlDomCursor* cursor, StatusRegistryKey* key) {
  std::string clean;
  int clean_value = 0;
  if (!NameIs(*cursor, "key") || !cursor->GetAttribute(L"path", &key->path) ||
      !cursor->GetAttribute(L"clean", &clean) || !base::StringToInt(clean, &clean_value)) {
    return false;
  }
  key->clean = clean_value;
  MoveResult move = cursor->MoveToFirstChild();
  if (move == XmlDomCursor::NO_ELEMENT)
    return true;
  while (move == XmlDomCursor::MOVED) {
    StatusRegistryValue value;
    if (!ReadRegistryValue(cursor, &value))
      return false;
    key->values.push_back(std::move(value));
    move = cursor->MoveToNextSibling();
  }
  return move == XmlDomCursor::NO_ELEMENT && cursor->MoveToParent() == XmlDomCursor::MOVED;
}

bool IsOneOf(const std::string& name, std::initializer_list<const char*> names) {
  for (const char* candidate : names) {
    if (name == candidate)
      return true;
  }
  return false;
}

}  // namespace

XmlInstallationStatusReader::XmlInstallationStatusReader() = default;

XmlInstallationStatusReader::~XmlInstallationStatusReader() = default;

void XmlInstallationStatusReader::Read(std::unique_ptr<InstallationStatus>* status,
                                       const std::string& text,
                                       InstallationStatusSource kind) {
  DCHECK(status);
  status->reset();
  // Balanced when the thread already has COM; the cursor goes first.
  base::win::ScopedCOMInitializer com;
  XmlDomCursor cursor;
  std::string load_error;
  if (!cursor.LoadFromString(text, &load_error)) {
    error_message_ = "Cannot parse the file as XML: " + load_error;
    return;
  }
  auto result = std::make_unique<InstallationStatus>(kind);
  if (!ReadDocument(&cursor, result.get()))
    return;
  std::string field;
  if (HasControlCharacterInNames(*result, &field)) {
    error_message_ = "A control character in " + field;
    return;
  }
  *status = std::move(result);
}

const std::string& XmlInstallationStatusReader::GetErrorMessage() const {
  return error_message_;
}

bool XmlInstallationStatusReader::Fail(const char* message) {
  error_message_ = message;
  return false;
}

bool XmlInstallationStatusReader::ReadDocument(XmlDomCursor* cursor,
                                               InstallationStatus* status) {
  if (cursor->MoveToFirstChild() != XmlDomCursor::MOVED)
    return Fail("Cannot proceed to the root element");
  if (!NameIs(*cursor, "install_log"))
    return Fail("The root element's name is invalid");
  if (!ReadRootAttributes(cursor, status) || !ReadPath(cursor, status))
    return false;

  MoveResult move = cursor->MoveToNextSibling();
  if (move != XmlDomCursor::MOVED)
    return Fail("Cannot go to files element");
  if (!NameIs(*cursor, "files"))
    return Fail("Files element is incorrectly named");
  if (const char* error = ReadFileList(cursor, kFilesMessages, &status->files))
    return Fail(error);

  move = cursor->MoveToNextSibling();
  if (move == XmlDomCursor::NO_ELEMENT)
    return true;
  if (move != XmlDomCursor::MOVED)
    return Fail("Cannot proceed to the expected root files list");
  std::string name;
  if (!cursor->GetNodeName(&name))
    return Fail("Cannot get the expected root files list name");
  if (name == "root_files") {
    if (const char* error = ReadFileList(cursor, kRootFilesMessages, &status->root_files))
      return Fail(error);
    move = cursor->MoveToNextSibling();
    if (move == XmlDomCursor::NO_ELEMENT)
      return true;
    if (move != XmlDomCursor::MOVED)
      return Fail("Cannot proceed from the root files list");
    if (!cursor->GetNodeName(&name))
      return Fail("Cannot get root files list successor name");
    if (!IsOneOf(name, {"registry", "shortcut", "components"}))
      return Fail("Invalid successor of root files list");
  } else if (!IsOneOf(name, {"registry", "shortcut", "components"})) {
    return Fail("Invalid element in place of the optional root files list");
  }

  while (name == "registry") {
    if (!ReadRegistry(cursor, status))
      return false;
    move = cursor->MoveToNextSibling();
    if (move == XmlDomCursor::NO_ELEMENT)
      return true;
    if (move != XmlDomCursor::MOVED)
      return Fail(kRegistryTraversalError);
    if (!cursor->GetNodeName(&name) || !IsOneOf(name, {"registry", "shortcut", "components"}))
      return Fail("Invalid successor of the registry element");
  }

  while (name == "shortcut") {
    if (!ReadShortcut(cursor, status))
      return false;
    move = cursor->MoveToNextSibling();
    if (move == XmlDomCursor::NO_ELEMENT)
      return true;
    if (move != XmlDomCursor::MOVED)
      return Fail("Failure while traversing shortcuts");
    if (!cursor->GetNodeName(&name))
      return Fail("Failed getting the shortcut successor element name");
    if (!IsOneOf(name, {"shortcut", "components"}))
      return Fail("Failure trying to proceed to the shortcut successor");
  }

  return ReadComponents(cursor, status);
}

bool XmlInstallationStatusReader::ReadRootAttributes(XmlDomCursor* cursor,
                                                     InstallationStatus* status) {
  if (!cursor->GetAttribute(L"version", &status->version))
    return Fail("There's no version attribute on the root element");
  std::string app_id;
  if (cursor->GetAttribute(L"app_id", &app_id))
    status->app_id = base::UTF8ToWide(app_id);
  std::string flag;
  if (!cursor->GetAttribute(L"copy_only", &flag))
    return Fail("There's no copy_only attribute on the root element");
  status->copy_only = flag == "True";
  if (!cursor->GetAttribute(L"all_users", &flag))
    return Fail("There's no all_users attribute on the root element");
  status->all_users = flag == "True";
  return true;
}

bool XmlInstallationStatusReader::ReadPath(XmlDomCursor* cursor, InstallationStatus* status) {
  if (cursor->MoveToFirstChild() != XmlDomCursor::MOVED)
    return Fail("Cannot proceed to the path");
  if (!NameIs(*cursor, "path"))
    return Fail("The path element is not named correctly");
  std::string text;
  if (!cursor->GetText(&text))
    return Fail("Cannot get text contents of path");
  status->path = TrimmedPath(text);
  std::string subfolder;
  if (cursor->GetAttribute(L"subfolder", &subfolder))
    status->subfolder = TrimmedPath(subfolder);
  return true;
}

bool XmlInstallationStatusReader::ReadRegistry(XmlDomCursor* cursor,
                                               InstallationStatus* status) {
  std::string hive;
  if (!cursor->GetAttribute(L"hive", &hive))
    return Fail("Cannot get the hive attibute of a registry element");
  std::vector<StatusRegistryKey>* keys = nullptr;
  if (hive == "HKLM")
    keys = &status->hklm_keys;
  else if (hive == "HKCU")
    keys = &status->hkcu_keys;
  else
    return Fail("The hive attribute is not HKLM nor HKCU");

  MoveResult move = cursor->MoveToFirstChild();
  if (move == XmlDomCursor::NO_ELEMENT)
    return true;
  while (move == XmlDomCursor::MOVED) {
    StatusRegistryKey key;
    if (!ReadRegistryKey(cursor, &key))
      return Fail(kRegistryTraversalError);
    keys->push_back(std::move(key));
    move = cursor->MoveToNextSibling();
  }
  if (move != XmlDomCursor::NO_ELEMENT || cursor->MoveToParent() != XmlDomCursor::MOVED)
    return Fail(kRegistryTraversalError);
  return true;
}

bool XmlInstallationStatusReader::ReadShortcut(XmlDomCursor* cursor,
                                               InstallationStatus* status) {
  std::string type;
  if (!cursor->GetAttribute(L"type", &type))
    return Fail("A shortcut element doesn't feature a type attribute");
  base::FilePath* field = status->ShortcutForDestination(type);
  if (!field) {
    error_message_ = "Invalid shortcut type " + type;
    return false;
  }
  std::string text;
  if (!cursor->GetText(&text))
    return Fail("Cannot get text of a shortcut element");
  *field = base::FilePath(base::UTF8ToWide(text));
  return true;
}

bool XmlInstallationStatusReader::ReadComponents(XmlDomCursor* cursor,
                                                 InstallationStatus* status) {
  // Only "components" can be here: the callers checked the name.
  if (cursor->MoveToFirstChild() != XmlDomCursor::MOVED)
    return Fail("Failed going to the first component");
  MoveResult move = XmlDomCursor::MOVED;
  while (move == XmlDomCursor::MOVED) {
    if (!NameIs(*cursor, "component"))
      return Fail("A component element is not called component");
    if (cursor->MoveToFirstChild() != XmlDomCursor::MOVED)
      return Fail("Cannot go to first child of a component");
    if (!NameIs(*cursor, "name"))
      return Fail("Component's first child is not called name");
    StatusComponent component;
    if (!cursor->GetText(&component.name))
      return Fail("Cannot get component's name as text");
    if (cursor->MoveToNextSibling() != XmlDomCursor::MOVED)
      return Fail("Cannot go to component.name sibling");
    if (!NameIs(*cursor, "path"))
      return Fail("component.path is not called path");
    std::string path;
    if (!cursor->GetText(&path))
      return Fail("Cannot get the path of a component as text");
    component.path = TrimmedPath(path);
    if (cursor->MoveToNextSibling() != XmlDomCursor::NO_ELEMENT)
      return Fail("A component holds more than its name and path");
    if (cursor->MoveToParent() != XmlDomCursor::MOVED)
      return Fail("Cannot get back to the component's parent element");
    status->components.push_back(std::move(component));
    move = cursor->MoveToNextSibling();
  }
  if (move != XmlDomCursor::NO_ELEMENT)
    return Fail("Failure while traversing components");
  if (cursor->MoveToParent() != XmlDomCursor::MOVED)
    return Fail("Cannot get back to the root of component list");
  if (cursor->MoveToNextSibling() != XmlDomCursor::NO_ELEMENT)
    return Fail("Components are not the last element in status");
  return true;
}
