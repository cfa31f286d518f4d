#include "desktop/windows/installer/signature_checker/signature_log.h"

// static
std::unique_ptr<SignatureLog> SignatureLog::Create(bool collecting) {
  if (collecting)
    return std::make_unique<CollectingSignatureLog>();
  return std::make_unique<DiscardingSignatureLog>();
}

std::ostream& CollectingSignatureLog::BeginLevel(uint32_t level) {
  text_ << "Level " << level << ": ";
  return text_;
}

void CollectingSignatureLog::Write(std::string_view text) { text_ << text; }

bool CollectingSignatureLog::IsCollecting() const { return true; }

std::string CollectingSignatureLog::GetText() const { return text_.str(); }

DiscardingSignatureLog::DiscardingSignatureLog() : sink_(nullptr) {}

std::ostream& DiscardingSignatureLog::BeginLevel(uint32_t) { return sink_; }

void DiscardingSignatureLog::Write(std::string_view) {}

bool DiscardingSignatureLog::IsCollecting() const { return false; }

std::string DiscardingSignatureLog::GetText() const { return std::string(); }
