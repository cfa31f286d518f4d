#include "desktop/windows/installer/steps/firewall/firewall_manager.h"

#include <netfw.h>

#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/steps/firewall/browser_name_provider.h"
#include "desktop/windows/installer/steps/firewall/test_support/fake_firewall_policy.h"
#include "gtest/gtest.h"
#include "testing/scoped_log_capture.h"

namespace {

FakeFirewallPolicy::World* g_world = nullptr;

std::unique_ptr<FirewallPolicy> MakeFakePolicy() {
  if (g_world->create_fails)
    return nullptr;
  return std::make_unique<FakeFirewallPolicy>(g_world);
}

class FirewallManagerTest : public testing::Test {
 protected:
  FirewallManagerTest() {
    g_world = &world_;
    SetFirewallPolicyFactoryForTesting(&MakeFakePolicy);
  }
  ~FirewallManagerTest() override {
    SetFirewallPolicyFactoryForTesting(nullptr);
    g_world = nullptr;
  }

  void AddForeign(const std::wstring& name, const std::wstring& application) {
    auto rule = std::make_shared<FirewallRuleSpec>();
    rule->name = name;
    rule->application = application;
    world_.rules.push_back(rule);
  }

  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (const auto& rule : world_.rules)
      names.push_back(rule->name + L" @ " + rule->application);
    return names;
  }

  FakeFirewallPolicy::World world_;
  const base::FilePath browser_{L"C:\\Apps\\Tarvo\\tarvo.exe"};
  const std::wstring mdns_ = L"Tarvo developer Internet Browser (mDNS-In)";
};

TEST_F(FirewallManagerTest, AddingTwiceLeavesOneRuleWithTheMdnsProperties) {
  AddFirewallRule(browser_, FirewallRuleChange::kAdd);
  AddFirewallRule(browser_, FirewallRuleChange::kAdd);
  ASSERT_EQ(1u, world_.rules.size());
  const FirewallRuleSpec& rule = *world_.rules[0];
  EXPECT_EQ(mdns_, rule.name);
  EXPECT_EQ(L"Inbound rule to allow mDNS traffic.", rule.description);
  EXPECT_EQ(browser_.value(), rule.application);
  EXPECT_EQ(17, rule.protocol);
  EXPECT_EQ(L"5353", rule.local_ports);
  EXPECT_EQ(NET_FW_RULE_DIR_IN, rule.direction);
  EXPECT_TRUE(rule.enabled);
  EXPECT_EQ(L"Tarvo developer Internet Browser", rule.grouping);
  EXPECT_EQ(0x7fffffff, rule.profiles);
  EXPECT_EQ(NET_FW_ACTION_ALLOW, rule.action);
}

TEST_F(FirewallManagerTest, RemovalTouchesOnlyThisProgramsRules) {
  // A rule of the same name for another program (another installation).
  AddForeign(mdns_, L"D:\\Other\\tarvo.exe");
  AddForeign(L"Another", L"C:\\APPS\\TARVO\\TARVO.EXE");
  AddForeign(L"Unbound", L"");
  AddFirewallRule(browser_, FirewallRuleChange::kAdd);
  // The same-named rule of the other program survives the replacement.
  EXPECT_EQ(4u, world_.rules.size());

  AddFirewallRule(browser_, FirewallRuleChange::kRemove);
  std::vector<std::wstring> expected = {mdns_ + L" @ D:\\Other\\tarvo.exe", L"Unbound @ "};
  EXPECT_EQ(expected, Names());
}

TEST_F(FirewallManagerTest, FailuresAreReported) {
  world_.create_fails = true;
  EXPECT_FALSE(FirewallManager::Create(BrowserNameProvider::GetInstance(), browser_));
  AddFirewallRule(browser_, FirewallRuleChange::kAdd);  // Logs, no crash.

  world_.create_fails = false;
  world_.add_fails = true;
  auto manager = FirewallManager::Create(BrowserNameProvider::GetInstance(), browser_);
  ASSERT_TRUE(manager);
  EXPECT_FALSE(manager->AddMdnsRule());
}

// A rule the firewall accepts but does not have afterwards is told apart
// by a lookup by name, else by the list, else by a count that did not grow.
TEST_F(FirewallManagerTest, AnAcceptedRuleIsLookedForAfterwards) {
  struct Case {
    bool drops, find_fails, list_fails, count_fails;
    FirewallRuleAddition expected;
  } cases[] = {
      {false, false, false, false, FirewallRuleAddition::kAdded},
      {false, true, true, false, FirewallRuleAddition::kAdded},
      {true, false, false, false, FirewallRuleAddition::kNotKept},
      {true, true, false, false, FirewallRuleAddition::kNotKept},
      {true, true, true, false, FirewallRuleAddition::kNotKept},
      // Nothing tells: taken as kept.
      {true, true, true, true, FirewallRuleAddition::kAdded},
  };
  for (const Case& c : cases) {
    world_ = FakeFirewallPolicy::World();
    // Another program's rule of the same name is no proof.
    AddForeign(mdns_, L"D:\\Other\\tarvo.exe");
    world_.drops_added_rules = c.drops;
    world_.find_fails = c.find_fails;
    world_.list_fails = c.list_fails;
    world_.count_fails = c.count_fails;
    auto manager = FirewallManager::Create(BrowserNameProvider::GetInstance(), browser_);
    ASSERT_TRUE(manager);
    EXPECT_EQ(c.expected, manager->AddCheckedMdnsRule())
        << c.drops << c.find_fails << c.list_fails << c.count_fails;
  }
}

// The system's own firewall: a rule it does not keep (Wine keeps none) is
// never lost silently.
TEST(SystemFirewallTest, ARuleThatIsNotKeptIsLogged) {
  base::win::ScopedCOMInitializer com;
  testing_support::ScopedLogCapture log;
  const base::FilePath program(L"C:\\Tarvo firewall test\\tarvo.exe");
  AddFirewallRule(program, FirewallRuleChange::kAdd);
  auto manager = FirewallManager::Create(BrowserNameProvider::GetInstance(), program);
  ASSERT_TRUE(manager);
  EXPECT_EQ(!manager->AreRulesInPlace(), log.Contains("Cannot add the firewall rule"));
  AddFirewallRule(program, FirewallRuleChange::kRemove);
}

TEST_F(FirewallManagerTest, RulesInPlaceWhenFirewallOffOrRulePresent) {
  auto manager = FirewallManager::Create(BrowserNameProvider::GetInstance(), browser_);
  ASSERT_TRUE(manager);
  world_.current_profiles = NET_FW_PROFILE2_PRIVATE | NET_FW_PROFILE2_PUBLIC;
  world_.enabled = {{NET_FW_PROFILE2_PRIVATE, false}, {NET_FW_PROFILE2_PUBLIC, false}};
  EXPECT_TRUE(manager->AreRulesInPlace());
  world_.enabled[NET_FW_PROFILE2_PUBLIC] = true;
  EXPECT_FALSE(manager->AreRulesInPlace());
  // An unreadable profile counts as on.
  world_.enabled.erase(NET_FW_PROFILE2_PUBLIC);
  EXPECT_FALSE(manager->AreRulesInPlace());
  ASSERT_TRUE(manager->AddMdnsRule());
  EXPECT_TRUE(manager->AreRulesInPlace());
}

}  // namespace
