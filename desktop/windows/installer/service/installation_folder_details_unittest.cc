#include "desktop/windows/installer/service/installation_folder_details.h"

#include <memory>

#include "base/bind.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"
#include "gtest/gtest.h"

namespace {

std::unique_ptr<InstallationFolderDetails> MakeFakeWithPath(const wchar_t* path) {
  auto details = std::make_unique<FakeInstallationFolderDetails>();
  details->path = base::FilePath(path);
  return details;
}

TEST(InstallationFolderDetailsFactoryTest, ScopedFactoriesNestAndRestore) {
  {
    ScopedInstallationFolderDetailsFactory outer(base::BindRepeating(&MakeFakeWithPath, L"outer"));
    {
      ScopedInstallationFolderDetailsFactory inner(
          base::BindRepeating(&MakeFakeWithPath, L"inner"));
      EXPECT_EQ(L"inner", CreateInstallationFolderDetails()->GetPath().value());
    }
    EXPECT_EQ(L"outer", CreateInstallationFolderDetails()->GetPath().value());
  }
  // Nothing registered: no details rather than a crash.
  ScopedInstallationFolderDetailsFactory none{InstallationFolderDetailsFactory()};
  EXPECT_EQ(nullptr, CreateInstallationFolderDetails());
}

}  // namespace
