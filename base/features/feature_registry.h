#ifndef BASE_FEATURES_FEATURE_REGISTRY_H_
#define BASE_FEATURES_FEATURE_REGISTRY_H_

#include <memory>
#include <string>
#include <vector>

#include "base/features/feature_state.h"

namespace base {
class CommandLine;
}

namespace features {

// The process-wide table of registered features with their defaults, and the
// overrides the readers of this run produced.
class FeatureRegistry {
 public:
  FeatureRegistry();
  ~FeatureRegistry();
  FeatureRegistry(const FeatureRegistry&) = delete;
  FeatureRegistry& operator=(const FeatureRegistry&) = delete;

  // Made on first use, never destroyed.
  static FeatureRegistry* GetInstance();

  void RegisterFeature(const std::string& name, bool enabled_by_default, bool overridable);

  // Unregistered names answer false; a feature that may not be overridden
  // answers its default; otherwise the newest override wins.
  bool IsEnabled(const std::string& name) const;

  void AddReader(FeatureReader* reader);
  std::vector<FeatureState> GetFeatureStates() const;
  bool initialized() const { return initialized_; }

 private:
  struct RegisteredFeature {
    std::string name;
    bool enabled_by_default;
    bool overridable;
  };

  std::vector<RegisteredFeature> features_;
  std::vector<FeatureState> overrides_;
  bool initialized_ = false;
};

// Gives the process a fresh, empty registry for a test's lifetime.
class ScopedFeatureRegistryForTesting {
 public:
  ScopedFeatureRegistryForTesting();
  ~ScopedFeatureRegistryForTesting();
  ScopedFeatureRegistryForTesting(const ScopedFeatureRegistryForTesting&) = delete;
  ScopedFeatureRegistryForTesting& operator=(const ScopedFeatureRegistryForTesting&) = delete;

 private:
  std::unique_ptr<FeatureRegistry> registry_;
  FeatureRegistry* previous_;
};

bool IsFeatureEnabled(const std::string& name);
bool IsFeatureEnabledByValue(std::string name);

// "with-feature:" followed by the name.
std::string GetFeatureSwitchName(const std::string& name);

// One switch per override of this run, in order, valued "on" or "off".
void AppendFeatureSwitches(base::CommandLine* command_line);

}  // namespace features

#endif  // BASE_FEATURES_FEATURE_REGISTRY_H_
