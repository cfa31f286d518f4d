#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_TEST_SUPPORT_FAKE_FIREWALL_POLICY_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_TEST_SUPPORT_FAKE_FIREWALL_POLICY_H_

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/steps/firewall/firewall_policy.h"

// A rule collection kept in memory. Removing by name removes every rule of
// that name, which is what makes renaming before removal matter.
class FakeFirewallPolicy : public FirewallPolicy {
 public:
  struct World {
    std::vector<std::shared_ptr<FirewallRuleSpec>> rules;
    bool list_fails = false;
    bool add_fails = false;
    bool create_fails = false;
    // Like Wine's: rules added are accepted and dropped.
    bool drops_added_rules = false;
    bool find_fails = false;
    bool count_fails = false;
    long current_profiles = 0;
    std::map<long, bool> enabled;  // Absent: the read fails.
  };

  // Installs itself as the policy factory while alive.
  explicit FakeFirewallPolicy(World* world) : world_(world) {}

  bool ListRules(std::vector<std::unique_ptr<FirewallRuleHandle>>* rules) override {
    if (world_->list_fails)
      return false;
    for (const auto& rule : world_->rules)
      rules->push_back(std::make_unique<Handle>(rule));
    return true;
  }
  bool AddRule(const FirewallRuleSpec& rule) override {
    if (world_->add_fails)
      return false;
    if (!world_->drops_added_rules)
      world_->rules.push_back(std::make_shared<FirewallRuleSpec>(rule));
    return true;
  }
  std::unique_ptr<FirewallRuleHandle> FindRule(const std::wstring& name) override {
    if (world_->find_fails)
      return nullptr;
    for (const auto& rule : world_->rules) {
      if (rule->name == name)
        return std::make_unique<Handle>(rule);
    }
    return nullptr;
  }
  bool CountRules(long* count) override {
    *count = static_cast<long>(world_->rules.size());
    return !world_->count_fails;
  }
  bool RemoveRule(const std::wstring& name) override {
    auto& rules = world_->rules;
    rules.erase(std::remove_if(rules.begin(), rules.end(),
                               [&](const auto& rule) { return rule->name == name; }),
                rules.end());
    return true;
  }
  bool GetCurrentProfileTypes(long* profiles) override {
    *profiles = world_->current_profiles;
    return true;
  }
  bool IsFirewallEnabled(long profile, bool* enabled) override {
    auto it = world_->enabled.find(profile);
    if (it == world_->enabled.end())
      return false;
    *enabled = it->second;
    return true;
  }

 private:
  class Handle : public FirewallRuleHandle {
   public:
    explicit Handle(std::shared_ptr<FirewallRuleSpec> rule) : rule_(std::move(rule)) {}
    bool GetName(std::wstring* name) override {
      *name = rule_->name;
      return true;
    }
    bool GetApplicationName(std::wstring* path) override {
      *path = rule_->application;
      return true;
    }
    bool SetName(const std::wstring& name) override {
      rule_->name = name;
      return true;
    }

   private:
    std::shared_ptr<FirewallRuleSpec> rule_;
  };

  World* const world_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_TEST_SUPPORT_FAKE_FIREWALL_POLICY_H_
