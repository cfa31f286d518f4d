#include "desktop/windows/installer/service/os_operations.h"

#include "desktop/windows/installer/service/os_operations_impl.h"
#include "desktop/windows/installer/service/replaceable_instance.h"

namespace {

std::unique_ptr<OSOperations> MakeDefaultOSOperations() {
  return std::make_unique<OSOperationsImpl>();
}

ReplaceableInstance<OSOperations>& GetHolder() {
  static auto* holder = new ReplaceableInstance<OSOperations>(&MakeDefaultOSOperations);
  return *holder;
}

}  // namespace

// static
OSOperations* OSOperations::GetInstance() {
  return GetHolder().Get();
}

// static
void OSOperations::SetFactory(Factory factory) {
  GetHolder().SetFactory(factory);
}

// static
void OSOperations::ResetForTesting() {
  GetHolder().Reset();
}

// static
void OSOperations::SetInstanceForTesting(std::unique_ptr<OSOperations> operations) {
  GetHolder().Set(std::move(operations));
}
