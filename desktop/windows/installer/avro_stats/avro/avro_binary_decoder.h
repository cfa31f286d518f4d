#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_BINARY_DECODER_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_BINARY_DECODER_H_

#include <stddef.h>
#include <stdint.h>

#include <string_view>

class AvroDatum;

// Reads Avro binary data from a byte string, refusing anything a strict
// reader would: overlong or overflowing varints, ints outside 32 bits,
// boolean bytes other than 0 and 1, indexes out of range, and counts or
// lengths larger than the bytes left.
class AvroBinaryDecoder {
 public:
  explicit AvroBinaryDecoder(std::string_view input) : input_(input) {}

  // Fills |datum| (already created with its schema) from the input.
  bool Read(AvroDatum* datum);
  bool ReadLong(int64_t* value);

  bool AtEnd() const { return position_ == input_.size(); }
  size_t remaining() const { return input_.size() - position_; }

 private:
  bool ReadString(std::string_view* value);
  bool ReadBlockCount(AvroDatum* container, uint64_t* count);

  std::string_view input_;
  size_t position_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_BINARY_DECODER_H_
