#include "base/features/feature_registry.h"

#include <atomic>

#include "base/command_line.h"

namespace features {
namespace {

constexpr char kFeatureSwitchPrefix[] = "with-feature:";

std::atomic<FeatureRegistry*> g_registry{nullptr};

}  // namespace

FeatureRegistry::FeatureRegistry() = default;
FeatureRegistry::~FeatureRegistry() = default;

FeatureRegistry* FeatureRegistry::GetInstance() {
  FeatureRegistry* registry = g_registry.load(std::memory_order_acquire);
  if (registry)
    return registry;
  auto* created = new FeatureRegistry();
  if (g_registry.compare_exchange_strong(registry, created, std::memory_order_acq_rel))
    return created;
  delete created;  // Another thread won the race.
  return registry;
}

void FeatureRegistry::RegisterFeature(const std::string& name,
                                      bool enabled_by_default,
                                      bool overridable) {
  features_.push_back({name, enabled_by_default, overridable});
}

bool FeatureRegistry::IsEnabled(const std::string& name) const {
  for (const RegisteredFeature& feature : features_) {
    if (feature.name != name)
      continue;
    if (!feature.overridable)
      return feature.enabled_by_default;
    for (auto it = overrides_.rbegin(); it != overrides_.rend(); ++it) {
      if (it->name() == name)
        return it->enabled();
    }
    return feature.enabled_by_default;
  }
  return false;
}

void FeatureRegistry::AddReader(FeatureReader* reader) {
  initialized_ = true;
  reader->ReadFeatureStates(&overrides_);
}

std::vector<FeatureState> FeatureRegistry::GetFeatureStates() const {
  return overrides_;
}

ScopedFeatureRegistryForTesting::ScopedFeatureRegistryForTesting()
    : registry_(std::make_unique<FeatureRegistry>()),
      previous_(g_registry.exchange(registry_.get())) {}

ScopedFeatureRegistryForTesting::~ScopedFeatureRegistryForTesting() {
  g_registry.store(previous_);
}

bool IsFeatureEnabled(const std::string& name) {
  return FeatureRegistry::GetInstance()->IsEnabled(name);
}

bool IsFeatureEnabledByValue(std::string name) {
  return FeatureRegistry::GetInstance()->IsEnabled(name);
}

std::string GetFeatureSwitchName(const std::string& name) {
  return kFeatureSwitchPrefix + name;
}

void AppendFeatureSwitches(base::CommandLine* command_line) {
  for (const FeatureState& state : FeatureRegistry::GetInstance()->GetFeatureStates())
    command_line->AppendSwitchASCII(GetFeatureSwitchName(state.name()),
                                    state.enabled() ? "on" : "off");
}

}  // namespace features
