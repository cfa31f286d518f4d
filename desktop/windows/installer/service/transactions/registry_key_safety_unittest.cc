#include "desktop/windows/installer/service/transactions/registry_key_safety.h"

#include "gtest/gtest.h"

TEST(RegistryKeySafetyTest, NormalizationDropsEmptyComponentsAndKeepsSlashes) {
  EXPECT_EQ(NormalizeRegistryKeyPath(L"\\Software\\\\Classes\\x\\"), L"Software\\Classes\\x");
  // "/" belongs to key names such as MIME types.
  EXPECT_EQ(NormalizeRegistryKeyPath(L"MIME\\Database\\Content Type\\text/html\\"),
            L"MIME\\Database\\Content Type\\text/html");
  EXPECT_EQ(NormalizeRegistryKeyPath(L"\\\\"), L"");
}

TEST(RegistryKeySafetyTest, SharedAndShortKeysAreRefusedWhateverTheirSpelling) {
  const wchar_t* refused[] = {
      L"",
      L"\\",
      L"Software",
      L"Software\\Tarvo Software",
      L"SOFTWARE\\classes",
      L"Software\\Classes\\Applications",
      L"software/classes/applications/",
      L"Software\\\\Classes\\Applications",
      L"Software\\Clients\\StartMenuInternet\\",
      L"Software\\RegisteredApplications",
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
      L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths",
      L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
      L"Software\\Classes\\Wow6432Node\\CLSID",
      L"Software\\Classes\\http",
      L"Software\\Classes\\.html",
      // Any extension, and the keys of policies, start-up and logon.
      L"Software\\Classes\\.tarvo-unknown",
      L"Software\\WOW6432Node\\Classes\\.zip",
      L"Software\\Policies\\Tarvo",
      L"Software\\Policies\\Microsoft\\Windows\\System",
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies",
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Tarvo",
      L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\x",
      L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
      L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify",
      // The control set CurrentControlSet links to, in any spelling.
      L"SYSTEM\\ControlSet001\\Services",
      L"system\\controlset002\\services\\",
      L"SYSTEM//ControlSet001//Control",
      L"SYSTEM\\CurrentControlSet\\Services\\Tarvo",
      L"System\\Select\\x",
      // ".." and "." components, which only hide where a path leads.
      L"Software\\Tarvo Software\\Tarvo\\..\\..\\Classes",
      L"Software\\Classes\\TarvoHTML\\..",
      L"Software\\Classes\\.\\TarvoHTML",
  };
  for (const wchar_t* key : refused)
    EXPECT_FALSE(IsRegistryKeySafeToDelete(key)) << key;
}

// The registry ends a path at a NUL: the whole text must be what is checked.
TEST(RegistryKeySafetyTest, ControlCharactersAreRefusedAtAnyDepth) {
  const std::wstring cut(L"Software\\Policies\0\\x", 20);
  EXPECT_FALSE(IsRegistryKeySafeToDelete(cut));
  EXPECT_FALSE(IsRegistryKeySafeToDelete(L"Software\\Tarvo Software\\Tarvo\x01"));
  EXPECT_FALSE(IsRegistryKeySafeToDelete(L"Software\\Tarvo Software\\Tar\tvo"));
  // A NUL would make the write land in the key before it, never compared.
  EXPECT_FALSE(IsRegistryKeySafeToChange(
      std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Run\0x", 48)));
  EXPECT_FALSE(IsRegistryKeySafeToChange(L"Software\\Tarvo Software\\Tar\tvo"));
  std::wstring key;
  EXPECT_FALSE(GetRegistryKeyToClean(cut, 1, &key));
  EXPECT_FALSE(GetRegistryKeyToClean(cut + L"\\sub", 2, &key));
  // Even where the climb leaves the NUL behind: the record is damaged.
  EXPECT_FALSE(
      GetRegistryKeyToClean(std::wstring(L"Software\\Tarvo Software\\Tarvo\\a\0b", 33), 2, &key));
  EXPECT_TRUE(key.empty());
}

TEST(RegistryKeySafetyTest, ProductKeysMayBeDeleted) {
  const wchar_t* allowed[] = {
      L"Software\\Classes\\TarvoHTML",
      L"Software\\Classes\\Applications\\tarvo.exe",
      L"Software\\Clients\\StartMenuInternet\\Tarvo",
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvo",
      L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tarvo.exe",
      L"Software\\Tarvo Software\\Tarvo",
      // Below an extension, and names that merely start like a shared key.
      L"Software\\Classes\\.htm\\OpenWithProgids\\TarvoHTML",
      L"Software\\Microsoft\\Windows\\CurrentVersion\\RunTarvo",
      L"Software\\Policiesx\\Tarvo",
      L"Software\\Tarvo Software\\Tarvo\\...",
  };
  for (const wchar_t* key : allowed)
    EXPECT_TRUE(IsRegistryKeySafeToDelete(key)) << key;
}

TEST(RegistryKeySafetyTest, CleanDepthClimbsAndStopsAtSharedKeys) {
  std::wstring key;
  EXPECT_TRUE(GetRegistryKeyToClean(L"Software\\Classes\\TarvoHTML\\shell\\open", 3, &key));
  EXPECT_EQ(key, L"Software\\Classes\\TarvoHTML");
  EXPECT_TRUE(GetRegistryKeyToClean(L"\\Software\\\\Classes\\TarvoHTML\\", 1, &key));
  EXPECT_EQ(key, L"Software\\Classes\\TarvoHTML");
  // One level more reaches Software\Classes.
  EXPECT_FALSE(GetRegistryKeyToClean(L"Software\\Classes\\TarvoHTML\\shell\\open", 4, &key));
  EXPECT_TRUE(key.empty());
  EXPECT_FALSE(GetRegistryKeyToClean(L"Software\\Classes\\.htm\\OpenWithProgids", 2, &key));
  // Only "\" climbs: "text/html" is one key.
  EXPECT_TRUE(GetRegistryKeyToClean(
      L"Software\\Classes\\MIME\\Database\\Content Type\\text/html", 1, &key));
  EXPECT_EQ(key, L"Software\\Classes\\MIME\\Database\\Content Type\\text/html");
  EXPECT_FALSE(GetRegistryKeyToClean(
      L"Software\\Classes\\MIME\\Database\\Content Type\\text/html", 2, &key));
  // Above the root, and depths that remove nothing.
  EXPECT_FALSE(GetRegistryKeyToClean(L"a\\b\\c", 4, &key));
  EXPECT_FALSE(GetRegistryKeyToClean(L"a\\b\\c", 100, &key));
  EXPECT_FALSE(GetRegistryKeyToClean(L"Software\\Classes\\TarvoHTML", 0, &key));
  EXPECT_FALSE(GetRegistryKeyToClean(L"Software\\Classes\\TarvoHTML", -1, &key));
}

// Values written back from a record on disk: the keys a registration uses
// (shared ones too), never the start-up, policy and logon keys.
TEST(RegistryKeySafetyTest, ValuesAreNeverWrittenBackIntoStartUpOrPolicyKeys) {
  for (const wchar_t* key : {L"Software\\Classes\\.htm\\OpenWithProgIDs",
                             L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvo",
                             L"Software\\Tarvo Software", L"Software\\Clients"}) {
    EXPECT_TRUE(IsRegistryKeySafeToChange(key)) << key;
  }
  for (const wchar_t* key :
       {L"Software", L"", L"\\\\Software\\", L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
        L"software/microsoft/windows/currentversion/runonce\\x",
        L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
        L"Software\\Policies\\Tarvo", L"Software\\Tarvo\\..\\Policies",
        L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
        L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\x",
        L"SYSTEM\\ControlSet001\\Services\\Tarvo", L"Software\\Microsoft\\Command Processor",
        L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx\\0001",
        L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows"}) {
    EXPECT_FALSE(IsRegistryKeySafeToChange(key)) << key;
  }
}
