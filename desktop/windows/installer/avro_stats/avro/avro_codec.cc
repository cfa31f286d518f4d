#include "desktop/windows/installer/avro_stats/avro/avro_codec.h"

#include "base/base64.h"
#include "desktop/windows/installer/avro_stats/avro/avro_binary_decoder.h"
#include "desktop/windows/installer/avro_stats/avro/avro_binary_encoder.h"
#include "desktop/windows/installer/avro_stats/avro/message_signature.h"

namespace {

// The raw 32 signature bytes of |payload|; empty when no key can be derived.
std::string SignPayload(std::string_view payload) {
  std::string signature =
      ComputeMessageSignature(GetSigningPassword(), payload, GetSigningSalt());
  std::string raw;
  if (signature.empty() || !base::Base64Decode(signature, &raw) ||
      raw.size() != AvroCodec::kSignatureSize) {
    return std::string();
  }
  return raw;
}

// Compares without an early exit, so the time taken tells nothing about how
// many leading bytes of a forged signature were right.
bool ConstantTimeEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < a.size(); ++i)
    difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

}  // namespace

AvroCodec::AvroCodec() = default;

AvroCodec::~AvroCodec() = default;

std::string AvroCodec::Encode(const AvroDatum& datum) {
  std::string output;
  AppendAvroBinary(datum, &output);
  return output;
}

std::string AvroCodec::EncodeSigned(const AvroDatum& datum) {
  std::string payload = Encode(datum);
  std::string signature = SignPayload(payload);
  if (signature.empty())
    signature.assign(kSignatureSize, '\0');
  return signature + payload;
}

std::string AvroCodec::EncodeWithSchemaId(const AvroDatum& datum) {
  uint32_t id = datum.GetSchema()->GetSchemaId();
  std::string output;
  output.push_back(0);
  for (int shift = 24; shift >= 0; shift -= 8)
    output.push_back(static_cast<char>((id >> shift) & 0xFF));
  AppendAvroBinary(datum, &output);
  return output;
}

std::unique_ptr<AvroDatum> AvroCodec::Decode(AvroSchemaNode::Ptr schema, std::string_view bytes) {
  std::unique_ptr<AvroDatum> datum = AvroDatum::Create(std::move(schema));
  if (!datum)
    return nullptr;
  AvroBinaryDecoder decoder(bytes);
  if (!decoder.Read(datum.get()) || !decoder.AtEnd())
    return nullptr;
  return datum;
}

std::unique_ptr<AvroDatum> AvroCodec::DecodeSigned(AvroSchemaNode::Ptr schema,
                                                   std::string_view bytes) {
  if (bytes.size() < kSignatureSize)
    return nullptr;
  std::string_view payload = bytes.substr(kSignatureSize);
  std::string expected = SignPayload(payload);
  // Without a key nothing can be verified; the zero filler never matches.
  if (expected.empty() || !ConstantTimeEquals(expected, bytes.substr(0, kSignatureSize)))
    return nullptr;
  return Decode(std::move(schema), payload);
}
