#include "desktop/windows/installer/steps/firewall/firewall_policy.h"

#include <windows.h>
#include <netfw.h>
#include <oleauto.h>
#include <wrl/client.h>

#include "base/win/scoped_bstr.h"

using Microsoft::WRL::ComPtr;

namespace {

class FirewallRuleHandleImpl : public FirewallRuleHandle {
 public:
  explicit FirewallRuleHandleImpl(ComPtr<INetFwRule> rule) : rule_(std::move(rule)) {}

  bool GetName(std::wstring* name) override { return Read(&INetFwRule::get_Name, name); }
  bool GetApplicationName(std::wstring* path) override {
    return Read(&INetFwRule::get_ApplicationName, path);
  }
  bool SetName(const std::wstring& name) override {
    return SUCCEEDED(rule_->put_Name(base::win::ScopedBstr(name)));
  }

 private:
  bool Read(HRESULT (STDMETHODCALLTYPE INetFwRule::*getter)(BSTR*), std::wstring* value) {
    base::win::ScopedBstr text;
    if (FAILED((rule_.Get()->*getter)(text.Receive())))
      return false;
    value->assign(text.Get() ? text.Get() : L"");
    return true;
  }

  ComPtr<INetFwRule> rule_;
};

class FirewallPolicyImpl : public FirewallPolicy {
 public:
  bool Init() {
    return SUCCEEDED(CoCreateInstance(__uuidof(NetFwPolicy2), nullptr, CLSCTX_ALL,
                                      IID_PPV_ARGS(&policy_))) &&
           SUCCEEDED(policy_->get_Rules(&rules_));
  }

  bool ListRules(std::vector<std::unique_ptr<FirewallRuleHandle>>* rules) override {
    ComPtr<IUnknown> unknown;
    ComPtr<IEnumVARIANT> items;
    if (FAILED(rules_->get__NewEnum(&unknown)) || FAILED(unknown.As(&items)))
      return false;
    for (;;) {
      VARIANT item;
      VariantInit(&item);
      ULONG fetched = 0;
      if (items->Next(1, &item, &fetched) != S_OK || fetched != 1)
        break;
      ComPtr<INetFwRule> rule;
      if ((item.vt == VT_DISPATCH || item.vt == VT_UNKNOWN) && item.punkVal &&
          SUCCEEDED(item.punkVal->QueryInterface(IID_PPV_ARGS(&rule)))) {
        rules->push_back(std::make_unique<FirewallRuleHandleImpl>(std::move(rule)));
      }
      VariantClear(&item);
    }
    return true;
  }

  bool AddRule(const FirewallRuleSpec& spec) override {
    ComPtr<INetFwRule> rule;
    if (FAILED(CoCreateInstance(__uuidof(NetFwRule), nullptr, CLSCTX_ALL, IID_PPV_ARGS(&rule))))
      return false;
    if (FAILED(rule->put_Name(base::win::ScopedBstr(spec.name))) ||
        FAILED(rule->put_Description(base::win::ScopedBstr(spec.description))) ||
        FAILED(rule->put_ApplicationName(base::win::ScopedBstr(spec.application))) ||
        FAILED(rule->put_Protocol(spec.protocol)) ||
        FAILED(rule->put_Direction(static_cast<NET_FW_RULE_DIRECTION>(spec.direction))) ||
        FAILED(rule->put_Enabled(spec.enabled ? VARIANT_TRUE : VARIANT_FALSE)) ||
        FAILED(rule->put_LocalPorts(base::win::ScopedBstr(spec.local_ports))) ||
        FAILED(rule->put_Grouping(base::win::ScopedBstr(spec.grouping))) ||
        FAILED(rule->put_Profiles(spec.profiles)) ||
        FAILED(rule->put_Action(static_cast<NET_FW_ACTION>(spec.action)))) {
      return false;
    }
    return SUCCEEDED(rules_->Add(rule.Get()));
  }

  bool RemoveRule(const std::wstring& name) override {
    return SUCCEEDED(rules_->Remove(base::win::ScopedBstr(name)));
  }

  std::unique_ptr<FirewallRuleHandle> FindRule(const std::wstring& name) override {
    ComPtr<INetFwRule> rule;
    if (FAILED(rules_->Item(base::win::ScopedBstr(name), &rule)) || !rule)
      return nullptr;
    return std::make_unique<FirewallRuleHandleImpl>(std::move(rule));
  }

  bool CountRules(long* count) override { return SUCCEEDED(rules_->get_Count(count)); }

  bool GetCurrentProfileTypes(long* profiles) override {
    return SUCCEEDED(policy_->get_CurrentProfileTypes(profiles));
  }

  bool IsFirewallEnabled(long profile, bool* enabled) override {
    VARIANT_BOOL value = VARIANT_FALSE;
    if (FAILED(policy_->get_FirewallEnabled(static_cast<NET_FW_PROFILE_TYPE2>(profile), &value)))
      return false;
    *enabled = value == VARIANT_TRUE;
    return true;
  }

 private:
  ComPtr<INetFwPolicy2> policy_;
  ComPtr<INetFwRules> rules_;
};

FirewallPolicyFactory g_factory_for_testing = nullptr;

}  // namespace

std::unique_ptr<FirewallPolicy> CreateFirewallPolicy() {
  if (g_factory_for_testing)
    return g_factory_for_testing();
  auto policy = std::make_unique<FirewallPolicyImpl>();
  if (!policy->Init())
    return nullptr;
  return policy;
}

void SetFirewallPolicyFactoryForTesting(FirewallPolicyFactory factory) {
  g_factory_for_testing = factory;
}
