// The status file, the legacy XML status, the preference files and the
// journal of a running change: all in folders that the user may own.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "base/files/file_util.h"
#include "base/values.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/service/installation_journal.h"
#include "desktop/windows/installer/service/test_support/journal_file.h"
#include "desktop/windows/installer/service/installation_status_reader.h"
#include "desktop/windows/installer/service/json_installation_status_writer.h"
#include "desktop/windows/installer/service/prefs/json_pref_file_reader.h"
#include "testing/fuzz/fuzz_target.h"

namespace fuzz {
namespace {

#define STATUS_HEAD "{\"version\":\"1\",\"copy_only\":false,\"_all_users\":true,\"path\":\"p\""

// A record with every field, as the engine writes it.
std::string WrittenStatus() {
  InstallationStatus status(INSTALLATION_STATUS_SOURCE_GENERATED);
  status.all_users = true;
  status.app_id = L"Tarvo.X";
  status.path = base::FilePath(L"C:\\Program Files\\Tarvo");
  status.subfolder = base::FilePath(L"118.0.5678.12");
  status.version = "118.0.5678.12";
  status.desktop_shortcut = base::FilePath(L"C:\\Users\\Public\\Desktop\\Tarvo.lnk");
  status.files = {base::FilePath(L"tarvo.exe"), base::FilePath(L"locales\\d\u00e9.pak")};
  status.root_files = {base::FilePath(L"Resources.pri")};
  status.components = {{"widevine.cdm", base::FilePath(L"C:\\Tarvo\\cdm")}};
  const DWORD one = 1;
  RecordRegistryValueInStatus(&status.hklm_keys, L"Software\\Tarvo", L"", L"x", REG_SZ, 4, 2);
  RecordRegistryValueInStatus(&status.hkcu_keys, L"Software\\Tarvo", L"flag", &one, REG_DWORD,
                              sizeof(one), 1);
  return SerializeInstallationStatus(status);
}

std::vector<std::string> JsonStatusSeeds() {
  return {WrittenStatus(),
      "{\"_all_users\":false,\"_subfolder\":\"118.0.5678.12\",\"copy_only\":false,"
      "\"files\":[\"tarvo.exe\",\"locales\\\\de.pak\"],\"root_files\":[\"Resources.pri\"],"
      "\"path\":\"C:\\\\Tarvo\",\"registry\":{\"HKLM\":{\"Software\\\\Tarvo\":{\"clean\":2,"
      "\"values\":{\"\":{\"type\":\"REG_SZ\",\"data\":\"x\"}}}}},"
      "\"shortcuts\":{\"SC_DEST_COMMON_DESKTOP\":\"d.lnk\",\"SC_DEST_COMMON_MENU\":\"m.lnk\"},"
      "\"components\":{\"widevine.cdm\":\"C:\\\\Tarvo\\\\cdm\"},\"version\":\"118.0.5678.12\"}",
      STATUS_HEAD ",\"files\":[],\"registry\":{}}",
      STATUS_HEAD ",\"files\":[],\"registry\":{\"HKLM\":5}}",
      STATUS_HEAD ",\"files\":[\"..\\\\..\\\\x\"],\"registry\":{\"HKCU\":{}}}",
      "[]", "{\"version\":1}", "{\"version\":\"1\",\"app_id\":5}", "\xEF\xBB\xBF{}", ""};
}

std::vector<std::string> XmlStatusSeeds() {
  return {
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!-- written by an older installer -->\n"
      "<install_log version=\"50.0.2762.58\" app_id=\"Tarvo.\xc3\xa9\" copy_only=\"False\"\n"
      "             all_users=\"True\">\n"
      "  <path subfolder=\" 50.0.2762.58 \">  C:\\Program Files\\Tarvo  </path>\n"
      "  <files>\n    <file>tarvo.exe</file>\n    <file> locales\\d\xc3\xa9.pak </file>\n"
      "  </files>\n  <root_files><file>Resources.pri</file></root_files>\n"
      "  <registry hive=\"HKLM\">\n    <key path=\"Software\\Tarvo\" clean=\"2\">\n"
      "      <value name=\"\" type=\"REG_SZ\"> default </value>\n"
      "      <value name=\"flag\" type=\"REG_DWORD\">00000001</value>\n    </key>\n"
      "    <key path=\"Software\\Empty\" clean=\"-1\"/>\n  </registry>\n"
      "  <registry hive=\"HKCU\"/>\n"
      "  <shortcut type=\"SC_DEST_COMMON_DESKTOP\">C:\\Users\\Public\\Desktop\\Tarvo.lnk</shortcut>\n"
      "  <components>\n"
      "    <component><name>widevine.cdm</name><path> C:\\Tarvo\\cdm </path></component>\n"
      "  </components>\n</install_log>\n",
      "<install_log version=\"1\" copy_only=\"False\" all_users=\"False\">"
      "<path>p</path><files><file>f</file></files></install_log>",
      "<install_log version=\"1\" copy_only=\"maybe\" all_users=\"False\"><path>p</path></install_log>",
      "<install_log/>", "<x>", ""};
}

// The reader's contract: a record of the asked kind and no error, or no
// record and a reason. An accepted record written again as JSON must read
// back.
std::string CheckStatusRead(InstallationStatusSource kind,
                            const std::string& input,
                            bool* accepted) {
  std::unique_ptr<InstallationStatusReader> reader = CreateInstallationStatusReader(kind);
  // A record already there must go when the input is refused.
  auto status = std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_GENERATED);
  reader->Read(&status, input, kind);
  // A refusal may come without a reason (a hive that is not a list has
  // none), so only the missing record is checked.
  if (!status)
    return "";
  *accepted = true;
  if (status->source != kind)
    return "record of another source";
  if (!reader->GetErrorMessage().empty())
    return "accepted with an error message";
  const std::string json = SerializeInstallationStatus(*status);
  std::unique_ptr<InstallationStatusReader> again =
      CreateInstallationStatusReader(INSTALLATION_STATUS_SOURCE_PRIMARY);
  std::unique_ptr<InstallationStatus> reread;
  again->Read(&reread, json, INSTALLATION_STATUS_SOURCE_PRIMARY);
  if (!reread)
    return "the accepted record written as JSON does not read back: " + again->GetErrorMessage();
  if (SerializeInstallationStatus(*reread) != json)
    return "the accepted record changes when written and read again";
  return "";
}

std::string RunJsonStatus(const std::string& input, const base::FilePath&, bool* accepted) {
  return CheckStatusRead(INSTALLATION_STATUS_SOURCE_PRIMARY, input, accepted);
}

std::string RunXmlStatus(const std::string& input, const base::FilePath&, bool* accepted) {
  static base::win::ScopedCOMInitializer* com = new base::win::ScopedCOMInitializer();
  (void)com;
  return CheckStatusRead(INSTALLATION_STATUS_SOURCE_LEGACY_XML, input, accepted);
}

std::vector<std::string> PrefSeeds() {
  return {"{\"installer\":{\"last_run\":\"13245\",\"flags\":[1,2,3]},\"a.b\":true}",
          "\xEF\xBB\xBF{\"x\":1}", "{}", "[]", "{\"a\":", "{\"a\":\"\\ud800\"}", ""};
}

// The file holds the input; a parse error keeps it whole as ".bad" beside
// it; a value comes only with no error, and is a dictionary.
std::string RunPrefFile(const std::string& input, const base::FilePath& scratch, bool* accepted) {
  const base::FilePath path = scratch.Append(L"installer_prefs.json");
  if (!base::WriteFile(path, input))
    return "cannot write the input";
  std::unique_ptr<JsonPrefStore::ReadResult> result = ReadPrefsFromDisk(path);
  if (!result)
    return "no result";
  if (result->error == PersistentPrefStore::PREF_READ_ERROR_NONE) {
    *accepted = true;
    if (!result->value || !result->value->is_dict())
      return "no error but no dictionary";
  } else if (result->value) {
    return "a value with an error";
  }
  if (result->no_dir)
    return "the existing folder reported missing";
  const bool parse_error = result->error == PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE ||
                           result->error == PersistentPrefStore::PREF_READ_ERROR_JSON_REPEAT;
  std::string kept;
  if (!base::ReadFileToString(parse_error ? scratch.Append(L"installer_prefs.bad") : path, &kept))
    return parse_error ? "a corrupt file was not kept as .bad" : "the file went away";
  if (kept != input)
    return "the file's bytes changed";
  return "";
}

std::vector<std::string> JournalSeeds() {
  return {"tarvo installation journal 1\t1700000000\n"
          "F\t51.0.2802.0\t\n"
          "D\t51.0.2802.0\\launcher.exe\t\n"
          "P\tlauncher.exe\tlauncher.exe.1700000001.old\n"
          "M\tlauncher.exe\t51.0.2802.0\\launcher.exe\n"
          "M\told_status\\installation_status.json.1700000002\tinstallation_status.json\n"
          "V\tHKCU\t256\tSoftware\\Tarvo Software\tLast Install Path\t1\t43003a005c000000\n"
          "V\tHKLM\t0\tSoftware\\Clients\\StartMenuInternet\t\t-\t\n"
          "K\tHKCU\t0\tSoftware\\Classes\\TarvoHTML\\shell\tSoftware\\Classes\\TarvoHTML\n"
          "committing\n",
          "tarvo installation journal 1\t-5\nD\t..\\x\t\nP\ta\\..\\..\\b\tc\n"
          "D\tC:\\Windows\\win.ini\t\nF\t\\\\server\\share\t\nK\tHKCU\t0\tSoftware\n",
          "tarvo installation journal 1\n\n\t\t\n", ""};
}

bool IsInside(const base::FilePath& folder, const base::FilePath& path, bool may_be_folder) {
  return (may_be_folder && path == folder) || folder.IsParent(path);
}

// Whatever the file holds, what is read names only places inside the
// installation folder and keys of the two roots the engine writes, and the
// status file it points to before the run lies inside the folder too.
std::string RunJournal(const std::string& input, const base::FilePath& scratch, bool* accepted) {
  const base::FilePath folder = scratch.Append(L"Tarvo");
  if (!base::CreateDirectory(folder) || !WriteJournalFile(folder, input))
    return "cannot write the input";
  InstallationJournal::Contents contents;
  // Only one with far more lines than a run writes may be refused.
  if (!InstallationJournal::Read(folder, &contents) &&
      std::count(input.begin(), input.end(), '\n') <= 10000) {
    return "a journal of the run's own was not read";
  }
  *accepted = !contents.records.empty();
  for (const UndoRecord& record : contents.records) {
    switch (record.kind) {
      case UndoRecord::Kind::kRestoreValue:
      case UndoRecord::Kind::kDeleteKey:
        if ((record.root != HKEY_LOCAL_MACHINE && record.root != HKEY_CURRENT_USER) ||
            (record.view & ~static_cast<REGSAM>(KEY_WOW64_32KEY | KEY_WOW64_64KEY)) ||
            record.key.empty()) {
          return "a registry change of another root, view or no key";
        }
        break;
      case UndoRecord::Kind::kNone:
        return "a record that undoes nothing";
      default:
        if (!IsInside(folder, record.path, /*may_be_folder=*/false) ||
            !IsInside(folder, record.other, /*may_be_folder=*/true)) {
          return "a file change outside the installation folder";
        }
    }
  }
  base::FilePath earlier;
  if (contents.FindEarlierFile(folder.Append(L"installation_status.json"), &earlier) &&
      !IsInside(folder, earlier, /*may_be_folder=*/false)) {
    return "the earlier status file lies outside the installation folder";
  }
  return "";
}

}  // namespace

FuzzTarget JsonStatusTarget() {
  return {"json_status", InputFormat::kJson, JsonStatusSeeds, RunJsonStatus};
}
FuzzTarget XmlStatusTarget() {
  return {"xml_status", InputFormat::kXml, XmlStatusSeeds, RunXmlStatus};
}
FuzzTarget PrefFileTarget() {
  return {"pref_file", InputFormat::kJson, PrefSeeds, RunPrefFile};
}
FuzzTarget JournalTarget() {
  return {"installation_journal", InputFormat::kBytes, JournalSeeds, RunJournal};
}

}  // namespace fuzz
