#include "desktop/windows/installer/service/installation_folder_details.h"

#include <utility>

#include "base/no_destructor.h"

namespace {

// Registered before the first folder is examined and only replaced by
// tests, so reads from the fetcher's worker need no lock.
InstallationFolderDetailsFactory& Factory() {
  static base::NoDestructor<InstallationFolderDetailsFactory> factory;
  return *factory;
}

}  // namespace

std::unique_ptr<InstallationFolderDetails> CreateInstallationFolderDetails() {
  const InstallationFolderDetailsFactory& factory = Factory();
  if (!factory)
    return nullptr;
  return factory.Run();
}

ScopedInstallationFolderDetailsFactory::ScopedInstallationFolderDetailsFactory(
    InstallationFolderDetailsFactory factory)
    : previous_(std::exchange(Factory(), std::move(factory))) {}

ScopedInstallationFolderDetailsFactory::~ScopedInstallationFolderDetailsFactory() {
  Factory() = std::move(previous_);
}
