#include "desktop/windows/installer/service/installation_folder_details.h"

#include <memory>

#include "base/bind.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details_fetcher.h"
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

// Settings tests rely on the fake's answer being dropped after Cancel.
TEST(FakeInstallationFolderDetailsFetcherTest, CancelledFetcherDropsItsAnswer) {
  FakeInstallationFolderDetailsFetcherFactory factory;
  int answers = 0;
  auto count = [](int* answers, std::unique_ptr<InstallationFolderDetails> details) {
    EXPECT_TRUE(details);
    ++*answers;
  };
  base::scoped_refptr<InstallationFolderDetailsFetcher> first =
      factory.GetFactory().Run(base::FilePath(L"C:\\a"), /*recovery=*/true);
  first->FetchStatus(base::BindOnce(count, &answers));
  first->Cancel();
  base::scoped_refptr<InstallationFolderDetailsFetcher> second =
      factory.GetFactory().Run(base::FilePath(L"C:\\b"), /*recovery=*/false);
  second->FetchStatus(base::BindOnce(count, &answers));

  ASSERT_EQ(2u, factory.fetchers().size());
  EXPECT_TRUE(factory.fetchers()[0]->recovery());
  EXPECT_FALSE(factory.fetchers()[0]->Reply(std::make_unique<FakeInstallationFolderDetails>()));
  EXPECT_TRUE(factory.last()->Reply(std::make_unique<FakeInstallationFolderDetails>()));
  EXPECT_FALSE(factory.last()->Reply(std::make_unique<FakeInstallationFolderDetails>()));
  EXPECT_EQ(1, answers);
  EXPECT_EQ(L"C:\\b", factory.last()->folder().value());
}

}  // namespace
