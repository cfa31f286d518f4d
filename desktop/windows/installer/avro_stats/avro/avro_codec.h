#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_CODEC_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_CODEC_H_

#include <memory>
#include <string>
#include <string_view>

#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/avro/avro_schema_node.h"

// Turns datums into statistics messages (Avro binary encoding) and back.
// Stateless; byte strings hold raw bytes.
class AvroCodec {
 public:
  // Length of the schema-id header: 0x00 then the id as 4 bytes big-endian.
  static constexpr size_t kSchemaIdHeaderSize = 5;
  static constexpr size_t kSignatureSize = 32;

  AvroCodec();
  AvroCodec(const AvroCodec&) = delete;
  AvroCodec& operator=(const AvroCodec&) = delete;
  virtual ~AvroCodec();

  // The bare binary encoding.
  virtual std::string Encode(const AvroDatum& datum);
  // The 32-byte HMAC-SHA256 signature of the encoding, then the encoding.
  // When no key can be derived the signature is 32 zero bytes (which
  // DecodeSigned never accepts).
  virtual std::string EncodeSigned(const AvroDatum& datum);
  // 0x00, the datum's schema id big-endian, then the encoding: the layout
  // that the statistics service receives.
  virtual std::string EncodeWithSchemaId(const AvroDatum& datum);
  // Null unless |bytes| is exactly one valid encoding of |schema|.
  virtual std::unique_ptr<AvroDatum> Decode(AvroSchemaNode::Ptr schema, std::string_view bytes);
  // Null unless the signature is present, verifiable and matches.
  virtual std::unique_ptr<AvroDatum> DecodeSigned(AvroSchemaNode::Ptr schema,
                                                  std::string_view bytes);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_CODEC_H_
