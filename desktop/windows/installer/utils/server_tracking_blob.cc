#include "desktop/windows/installer/utils/server_tracking_blob.h"

#include "base/base64.h"
#include "base/json/json_reader.h"
#include "base/json/json_writer.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/values.h"
#include "crypto/sha2.h"

namespace {
constexpr size_t kSerializedAlignment = 8;
}  // namespace

ServerTrackingBlob::ServerTrackingBlob()
    : received_(std::make_unique<base::DictionaryValue>()),
      set_values_(std::make_unique<base::DictionaryValue>()) {}

ServerTrackingBlob::~ServerTrackingBlob() = default;

bool ServerTrackingBlob::HasData() const {
  return !received_->empty();
}

bool ServerTrackingBlob::Parse(const std::string& text) {
  std::string trimmed;
  base::TrimWhitespaceASCII(text, base::TRIM_TRAILING, &trimmed);
  std::string decoded;
  if (!base::Base64Decode(trimmed, &decoded))
    return false;
  // The digest in front of the JSON is not checked.
  size_t open = decoded.find('{');
  size_t close = decoded.rfind('}');
  if (open == std::string::npos || close == std::string::npos || close < open)
    return false;
  std::unique_ptr<base::DictionaryValue> dictionary =
      base::DictionaryValue::From(base::JSONReader::Read(decoded.substr(open, close - open + 1)));
  if (!dictionary)
    return false;
  received_ = std::move(dictionary);
  return true;
}

std::string ServerTrackingBlob::Serialize() const {
  std::unique_ptr<base::DictionaryValue> merged = received_->CreateDeepCopy();
  merged->MergeDictionary(set_values_.get());
  if (merged->empty())
    return std::string();
  std::string json;
  if (!base::JSONWriter::Write(*merged, &json))
    return std::string();
  std::string digest = base::ToLowerASCII(base::HexEncode(crypto::SHA256HashString(json)));
  std::string serialized;
  base::Base64Encode(digest + ":" + json, &serialized);
  size_t remainder = serialized.size() % kSerializedAlignment;
  if (remainder)
    serialized.append(kSerializedAlignment - remainder, ' ');
  return serialized;
}

void ServerTrackingBlob::Set(const std::string& key, const std::string& value) {
  set_values_->SetStringWithoutPathExpansion(key, value);
}

bool ServerTrackingBlob::Get(const std::string& key, std::string* value) const {
  if (set_values_->GetStringWithoutPathExpansion(key, value))
    return true;
  return received_->GetStringWithoutPathExpansion(key, value);
}
