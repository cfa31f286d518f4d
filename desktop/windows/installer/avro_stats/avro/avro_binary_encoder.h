#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_BINARY_ENCODER_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_BINARY_ENCODER_H_

#include <stdint.h>

#include <string>

class AvroDatum;

// Appends the Avro binary encoding of |datum|, reading the value slot that
// its schema type names. Arrays and maps are written as one block.
void AppendAvroBinary(const AvroDatum& datum, std::string* output);

// Zig-zag varint, as Avro writes int and long.
void AppendAvroLong(int64_t value, std::string* output);

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_AVRO_BINARY_ENCODER_H_
