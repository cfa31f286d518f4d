#include "desktop/windows/installer/service/existing_installation_reader.h"

#include <mutex>

#include "desktop/windows/installer/service/existing_installation_reader_impl.h"

namespace {

std::unique_ptr<ExistingInstallationReader> MakeStandardReader() {
  return std::make_unique<ExistingInstallationReaderImpl>();
}

ExistingInstallationReader::Factory g_factory = &MakeStandardReader;
// Set by tests only; wins over the instance the factory made.
ExistingInstallationReader* g_override = nullptr;

}  // namespace

// static
ExistingInstallationReader* ExistingInstallationReader::GetInstance() {
  if (g_override)
    return g_override;
  // Folder details run on a worker, so the first use may come from any
  // thread. The instance is never destroyed: it lives to process exit.
  static ExistingInstallationReader* instance = g_factory().release();
  return instance;
}

// static
void ExistingInstallationReader::SetFactory(Factory factory) {
  g_factory = factory;
}

ScopedExistingInstallationReaderForTesting::ScopedExistingInstallationReaderForTesting(
    ExistingInstallationReader* reader)
    : previous_(g_override) {
  g_override = reader;
}

ScopedExistingInstallationReaderForTesting::~ScopedExistingInstallationReaderForTesting() {
  g_override = previous_;
}
