#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATISTICS_SCHEMA_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATISTICS_SCHEMA_H_

#include <stdint.h>

#include "desktop/windows/installer/avro_stats/avro/avro_schema_node.h"

// The id that every node of the statistics schema carries and that each
// message header repeats.
inline constexpr uint32_t kInstallerSchemaId = 208;

// The process-wide `tarvo_desktop_installer` schema, built on first use.
AvroSchemaNode::Ptr GetInstallerSchema();

// Builds a fresh copy of the schema tree.
AvroSchemaNode::Ptr BuildInstallerSchema();

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATISTICS_SCHEMA_H_
