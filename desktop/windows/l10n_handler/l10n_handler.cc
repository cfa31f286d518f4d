#include "desktop/windows/l10n_handler/l10n_handler.h"

#include <mutex>
#include <utility>

#include "desktop/windows/l10n_handler/resource_l10n_handler.h"

namespace {

// Filled with the default factory at static initialisation; the handler it
// makes is released when the slot is destroyed at exit.
class L10nHandlerSlot {
 public:
  L10nHandler* Get() {
    std::lock_guard<std::mutex> hold(lock_);
    if (!handler_ && !made_) {
      made_ = true;
      if (factory_)
        handler_ = factory_();
    }
    return handler_.get();
  }

  L10nHandlerFactory SetFactory(L10nHandlerFactory factory) {
    std::lock_guard<std::mutex> hold(lock_);
    return std::exchange(factory_, factory);
  }

  void Reset() {
    std::unique_ptr<L10nHandler> old;
    {
      std::lock_guard<std::mutex> hold(lock_);
      old = std::move(handler_);
      made_ = false;
    }
  }

 private:
  std::mutex lock_;
  L10nHandlerFactory factory_ = &CreateResourceL10nHandler;
  std::unique_ptr<L10nHandler> handler_;
  bool made_ = false;
};

L10nHandlerSlot g_slot;

}  // namespace

L10nHandler::~L10nHandler() = default;

L10nHandler* GetL10nHandler() {
  return g_slot.Get();
}

L10nHandlerFactory SetL10nHandlerFactory(L10nHandlerFactory factory) {
  return g_slot.SetFactory(factory);
}

void ResetL10nHandlerForTesting() {
  g_slot.Reset();
}

void SelectL10nLanguage(std::wstring* language_code) {
  if (L10nHandler* handler = GetL10nHandler())
    handler->SelectLanguage(language_code);
}

std::wstring GetLocalizedString(int message_id) {
  L10nHandler* handler = GetL10nHandler();
  return handler ? handler->GetString(message_id, {}) : std::wstring();
}

std::wstring GetLocalizedStringWithReplacement(int message_id, const std::wstring& replacement) {
  L10nHandler* handler = GetL10nHandler();
  return handler ? handler->GetString(message_id, {replacement}) : std::wstring();
}

std::wstring GetLocalizedStringWithReplacements(int message_id,
                                                const std::wstring& replacement1,
                                                const std::wstring& replacement2) {
  L10nHandler* handler = GetL10nHandler();
  return handler ? handler->GetString(message_id, {replacement1, replacement2}) : std::wstring();
}
