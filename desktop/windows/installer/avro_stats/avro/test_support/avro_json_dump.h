#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_TEST_SUPPORT_AVRO_JSON_DUMP_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_TEST_SUPPORT_AVRO_JSON_DUMP_H_

#include <string>

class AvroDatum;
class AvroSchemaNode;

// The schema tree in Avro's JSON schema form, every named type written out
// in full where it occurs, so that another Avro library can compare it.
std::string AvroSchemaToJson(const AvroSchemaNode& schema);

// The datum as a generic Avro reader returns it: unions as their branch's
// value, enums as symbols, records and maps as objects (in field and key
// order), longs as exact integers.
std::string AvroDatumToJson(const AvroDatum& datum);

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_TEST_SUPPORT_AVRO_JSON_DUMP_H_
