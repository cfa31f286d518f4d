#include "desktop/windows/installer/service/xml_installation_status_reader.h"

#include <memory>
#include <string>
#include <thread>

#include "base/win/scoped_com_initializer.h"
#include "gtest/gtest.h"

namespace {

const char kFullStatus[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- written by an older installer -->\n"
    "<install_log version=\"50.0.2762.58\" app_id=\"Tarvo.\xc3\xa9\" copy_only=\"False\"\n"
    "             all_users=\"True\">\n"
    "  <path subfolder=\" 50.0.2762.58 \">  C:\\Program Files\\Tarvo  </path>\n"
    "  <files>\n"
    "    <file>tarvo.exe</file>\n"
    "    <!-- a comment between files -->\n"
    "    <file> locales\\d\xc3\xa9.pak </file>\n"
    "  </files>\n"
    "  <root_files><file>Resources.pri</file></root_files>\n"
    "  <registry hive=\"HKLM\">\n"
    "    <key path=\"Software\\Tarvo\" clean=\"2\">\n"
    "      <value name=\"\" type=\"REG_SZ\"> default </value>\n"
    "      <value name=\"flag\" type=\"REG_DWORD\">00000001</value>\n"
    "    </key>\n"
    "    <key path=\"Software\\Empty\" clean=\"-1\"/>\n"
    "  </registry>\n"
    "  <registry hive=\"HKCU\"/>\n"
    "  <registry hive=\"HKLM\"><key path=\"Software\\Second\" clean=\"0\"/></registry>\n"
    "  <shortcut type=\"SC_DEST_COMMON_DESKTOP\">C:\\Users\\Public\\Desktop\\Tarvo.lnk</shortcut>\n"
    "  <shortcut type=\"SC_DEST_QUICK_LAUNCH\">C:\\QL\\Tarvo.lnk</shortcut>\n"
    "  <components>\n"
    "    <component><name>widevine.cdm</name><path> C:\\Tarvo\\cdm </path></component>\n"
    "    <component><name>other</name><path>C:\\Tarvo\\other</path></component>\n"
    "  </components>\n"
    "</install_log>\n";

class XmlInstallationStatusReaderTest : public testing::Test {
 protected:
  std::unique_ptr<InstallationStatus> Read(const std::string& text) {
    std::unique_ptr<InstallationStatus> status;
    reader_.Read(&status, text, INSTALLATION_STATUS_SOURCE_LEGACY_XML);
    return status;
  }

  // A document with the root and the required path and files elements,
  // followed by |rest|.
  std::unique_ptr<InstallationStatus> ReadWithTail(const std::string& rest) {
    return Read(
        "<install_log version=\"1\" copy_only=\"False\" all_users=\"False\">"
        "<path>p</path><files><file>f</file></files>" +
        rest + "</install_log>");
  }

  const std::string& error() const { return reader_.GetErrorMessage(); }

  base::win::ScopedCOMInitializer com_;
  XmlInstallationStatusReader reader_;
};

TEST_F(XmlInstallationStatusReaderTest, ReadsEverySection) {
  std::unique_ptr<InstallationStatus> status = Read(kFullStatus);
  ASSERT_TRUE(status) << error();
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_LEGACY_XML, status->source);
  EXPECT_EQ("50.0.2762.58", status->version);
  EXPECT_EQ(L"Tarvo.\x00e9", status->app_id);
  EXPECT_FALSE(status->copy_only);
  EXPECT_TRUE(status->all_users);
  EXPECT_EQ(L"C:\\Program Files\\Tarvo", status->path.value());
  EXPECT_EQ(L"50.0.2762.58", status->subfolder.value());
  ASSERT_EQ(2u, status->files.size());
  EXPECT_EQ(L"tarvo.exe", status->files[0].value());
  EXPECT_EQ(L"locales\\d\x00e9.pak", status->files[1].value());
  ASSERT_EQ(1u, status->root_files.size());
  EXPECT_EQ(L"Resources.pri", status->root_files[0].value());

  ASSERT_EQ(3u, status->hklm_keys.size());
  EXPECT_EQ((StatusRegistryKey{2,
                               "Software\\Tarvo",
                               {{"REG_SZ", "", "default"}, {"REG_DWORD", "flag", "00000001"}}}),
            status->hklm_keys[0]);
  EXPECT_EQ((StatusRegistryKey{-1, "Software\\Empty", {}}), status->hklm_keys[1]);
  EXPECT_EQ("Software\\Second", status->hklm_keys[2].path);
  EXPECT_TRUE(status->hkcu_keys.empty());

  EXPECT_EQ(L"C:\\Users\\Public\\Desktop\\Tarvo.lnk", status->desktop_shortcut.value());
  EXPECT_EQ(L"C:\\QL\\Tarvo.lnk", status->quick_launch_shortcut.value());
  EXPECT_TRUE(status->start_menu_shortcut.empty());

  ASSERT_EQ(2u, status->components.size());
  EXPECT_EQ("widevine.cdm", status->components[0].name);
  EXPECT_EQ(L"C:\\Tarvo\\cdm", status->components[0].path.value());
  EXPECT_EQ("other", status->components[1].name);
}

TEST_F(XmlInstallationStatusReaderTest, DocumentMayEndAfterFilesOrShortcuts) {
  std::unique_ptr<InstallationStatus> status = ReadWithTail("");
  ASSERT_TRUE(status) << error();
  EXPECT_TRUE(status->subfolder.empty());
  EXPECT_TRUE(status->app_id.empty());
  EXPECT_EQ(1u, status->files.size());

  ASSERT_TRUE(ReadWithTail("<shortcut type=\"SC_DEST_MENU\">m.lnk</shortcut>")) << error();
  ASSERT_TRUE(ReadWithTail("<components><component><name>a</name><path>b</path></component>"
                           "</components>"))
      << error();
  ASSERT_TRUE(ReadWithTail("<root_files><file>r</file></root_files>")) << error();
}

TEST_F(XmlInstallationStatusReaderTest, FlagsAreTrueOnlyForExactTrue) {
  std::unique_ptr<InstallationStatus> status =
      Read("<install_log version=\"1\" copy_only=\"true\" all_users=\"TRUE\">"
           "<path>p</path><files><file>f</file></files></install_log>");
  ASSERT_TRUE(status) << error();
  EXPECT_FALSE(status->copy_only);
  EXPECT_FALSE(status->all_users);
}

TEST_F(XmlInstallationStatusReaderTest, SystemCodePageTextIsAccepted) {
  // Not UTF-8 (a lone 0xE9): taken in the ANSI code page.
  std::unique_ptr<InstallationStatus> status =
      Read("<install_log version=\"1\" copy_only=\"False\" all_users=\"False\">"
           "<path>C:\\Caf\xe9</path><files><file>f</file></files></install_log>");
  ASSERT_TRUE(status) << error();
  EXPECT_EQ(4u + 3u, status->path.value().size());
}

// XML carries tabs and line ends (also as character references) into
// attribute values: a key path or file name holding one is refused.
TEST_F(XmlInstallationStatusReaderTest, ControlCharactersInNamesAreRefused) {
  EXPECT_FALSE(ReadWithTail("<registry hive=\"HKCU\"><key path=\"Software\\Policies&#9;\\x\" "
                            "clean=\"1\"/></registry>"));
  EXPECT_EQ("A control character in a registry key path", error());
  EXPECT_FALSE(ReadWithTail("<registry hive=\"HKCU\"><key path=\"Software\\Tarvo\" clean=\"0\">"
                            "<value name=\"a&#10;b\" type=\"REG_SZ\">d</value></key></registry>"));
  EXPECT_EQ("A control character in a registry value name", error());
  EXPECT_FALSE(Read("<install_log version=\"1\" copy_only=\"False\" all_users=\"False\">"
                    "<path subfolder=\"51&#13;.0\">p</path><files><file>f</file></files>"
                    "</install_log>"));
  EXPECT_EQ("A control character in the subfolder", error());
  // Blanks around a name are trimmed, not refused.
  EXPECT_TRUE(ReadWithTail("<root_files><file>\tResources.pri\n</file></root_files>")) << error();
}

TEST_F(XmlInstallationStatusReaderTest, FailedReadClearsTheSlot) {
  std::unique_ptr<InstallationStatus> status =
      std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_GENERATED);
  reader_.Read(&status, "<install_log/>", INSTALLATION_STATUS_SOURCE_LEGACY_XML);
  EXPECT_FALSE(status);
  EXPECT_EQ("There's no version attribute on the root element", error());
}

TEST_F(XmlInstallationStatusReaderTest, MalformedXmlIsAParseError) {
  EXPECT_FALSE(Read("<install_log version=\"1\""));
  EXPECT_EQ(0u, error().find("Cannot parse the file as XML: Cannot load the document from "
                             "string w/err "))
      << error();
  EXPECT_FALSE(Read(""));
  EXPECT_EQ(0u, error().find("Cannot parse the file as XML: ")) << error();
}

TEST_F(XmlInstallationStatusReaderTest, DocumentTypeDeclarationsAreRefused) {
  // Entities could otherwise expand a small file without bound.
  EXPECT_FALSE(Read("<!DOCTYPE install_log [<!ENTITY v \"50.0\">]>"
                    "<install_log version=\"&v;\" copy_only=\"False\" all_users=\"False\">"
                    "<path>p</path><files><file>f</file></files></install_log>"));
  // MSXML refuses the load; Wine's loads it but shows no root element.
  EXPECT_FALSE(error().empty());
}

TEST_F(XmlInstallationStatusReaderTest, WorksWithoutCallerComInitialisation) {
  std::unique_ptr<InstallationStatus> status;
  std::string error_text;
  std::thread worker([&] {
    XmlInstallationStatusReader reader;
    reader.Read(&status, kFullStatus, INSTALLATION_STATUS_SOURCE_LEGACY_XML_RECOVERED_FROM_OLD_FILES);
    error_text = reader.GetErrorMessage();
  });
  worker.join();
  ASSERT_TRUE(status) << error_text;
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_LEGACY_XML_RECOVERED_FROM_OLD_FILES, status->source);
}

struct XmlCase {
  const char* tail;  // After <path> and <files>, inside the root.
  const char* error;
};

class XmlInstallationStatusTailTest : public XmlInstallationStatusReaderTest,
                                      public testing::WithParamInterface<XmlCase> {};

TEST_P(XmlInstallationStatusTailTest, RejectsWithItsMessage) {
  EXPECT_FALSE(ReadWithTail(GetParam().tail));
  EXPECT_EQ(GetParam().error, error());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlInstallationStatusTailTest,
    testing::Values(
        XmlCase{"<other/>", "Invalid element in place of the optional root files list"},
        XmlCase{"<root_files/>", "Cannot proceed to the first root file"},
        XmlCase{"<root_files><file>a</file><dir>b</dir></root_files>",
                "A root file is incorrectly named"},
        XmlCase{"<root_files><file>a</file></root_files><files/>",
                "Invalid successor of root files list"},
        XmlCase{"<registry hive=\"HKCU\"/><root_files><file>r</file></root_files>",
                "Invalid successor of the registry element"},
        XmlCase{"<registry/>", "Cannot get the hive attibute of a registry element"},
        XmlCase{"<registry hive=\"hklm\"/>", "The hive attribute is not HKLM nor HKCU"},
        XmlCase{"<registry hive=\"HKLM\"><key path=\"k\"/></registry>",
                "Failure while traversing registry keys"},
        XmlCase{"<registry hive=\"HKLM\"><key path=\"k\" clean=\"two\"/></registry>",
                "Failure while traversing registry keys"},
        XmlCase{"<registry hive=\"HKLM\"><key clean=\"1\"/></registry>",
                "Failure while traversing registry keys"},
        XmlCase{"<registry hive=\"HKLM\"><value name=\"n\" type=\"REG_SZ\"/></registry>",
                "Failure while traversing registry keys"},
        XmlCase{"<registry hive=\"HKLM\"><key path=\"k\" clean=\"1\"><value type=\"REG_SZ\"/>"
                "</key></registry>",
                "Failure while traversing registry keys"},
        XmlCase{"<registry hive=\"HKLM\"><key path=\"k\" clean=\"1\"><val name=\"n\" "
                "type=\"REG_SZ\"/></key></registry>",
                "Failure while traversing registry keys"},
        XmlCase{"<shortcut>x</shortcut>", "A shortcut element doesn't feature a type attribute"},
        XmlCase{"<shortcut type=\"SC_DEST_STARTUP\">x</shortcut>",
                "Invalid shortcut type SC_DEST_STARTUP"},
        XmlCase{"<shortcut type=\"SC_DEST_MENU\">x</shortcut><registry hive=\"HKLM\"/>",
                "Failure trying to proceed to the shortcut successor"},
        XmlCase{"<components/>", "Failed going to the first component"},
        XmlCase{"<components><item/></components>", "A component element is not called component"},
        XmlCase{"<components><component/></components>", "Cannot go to first child of a component"},
        XmlCase{"<components><component><path>p</path><name>n</name></component></components>",
                "Component's first child is not called name"},
        XmlCase{"<components><component><name>n</name></component></components>",
                "Cannot go to component.name sibling"},
        XmlCase{"<components><component><name>n</name><dir>d</dir></component></components>",
                "component.path is not called path"},
        XmlCase{"<components><component><name>n</name><path>p</path><x/></component>"
                "</components>",
                "A component holds more than its name and path"},
        XmlCase{"<components><component><name>n</name><path>p</path></component></components>"
                "<shortcut type=\"SC_DEST_MENU\">x</shortcut>",
                "Components are not the last element in status"}));

struct XmlDocumentCase {
  const char* document;
  const char* error;
};

class XmlInstallationStatusDocumentTest : public XmlInstallationStatusReaderTest,
                                          public testing::WithParamInterface<XmlDocumentCase> {};

TEST_P(XmlInstallationStatusDocumentTest, RejectsWithItsMessage) {
  EXPECT_FALSE(Read(GetParam().document));
  EXPECT_EQ(GetParam().error, error());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlInstallationStatusDocumentTest,
    testing::Values(
        XmlDocumentCase{"<status version=\"1\"/>", "The root element's name is invalid"},
        XmlDocumentCase{"<Install_Log version=\"1\"/>", "The root element's name is invalid"},
        XmlDocumentCase{"<install_log copy_only=\"True\" all_users=\"True\"/>",
                        "There's no version attribute on the root element"},
        XmlDocumentCase{"<install_log version=\"1\" all_users=\"True\"/>",
                        "There's no copy_only attribute on the root element"},
        XmlDocumentCase{"<install_log version=\"1\" copy_only=\"True\"/>",
                        "There's no all_users attribute on the root element"},
        XmlDocumentCase{"<install_log version=\"1\" copy_only=\"True\" all_users=\"True\">"
                        "  <!-- only a comment --> </install_log>",
                        "Cannot proceed to the path"},
        XmlDocumentCase{"<install_log version=\"1\" copy_only=\"True\" all_users=\"True\">"
                        "<files/><path>p</path></install_log>",
                        "The path element is not named correctly"},
        XmlDocumentCase{"<install_log version=\"1\" copy_only=\"True\" all_users=\"True\">"
                        "<path>p</path></install_log>",
                        "Cannot go to files element"},
        XmlDocumentCase{"<install_log version=\"1\" copy_only=\"True\" all_users=\"True\">"
                        "<path>p</path><file>f</file></install_log>",
                        "Files element is incorrectly named"},
        XmlDocumentCase{"<install_log version=\"1\" copy_only=\"True\" all_users=\"True\">"
                        "<path>p</path><files>  </files></install_log>",
                        "Cannot proceed to the first file on the list"},
        XmlDocumentCase{"<install_log version=\"1\" copy_only=\"True\" all_users=\"True\">"
                        "<path>p</path><files><file>a</file><File>b</File></files>"
                        "</install_log>",
                        "File element is incorrectly named"}));

}  // namespace
