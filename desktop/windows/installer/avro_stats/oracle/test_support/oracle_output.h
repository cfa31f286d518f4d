#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_ORACLE_TEST_SUPPORT_ORACLE_OUTPUT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_ORACLE_TEST_SUPPORT_ORACLE_OUTPUT_H_

namespace base {
class FilePath;
}

// The variable that names the folder the oracle's messages are written to.
inline constexpr char kOracleOutputVariable[] = "TARVO_AVRO_ORACLE_DIR";

// The output folder as this (Wine) process sees it: the variable holds a
// Unix path, reached through the Z: drive. False when the variable is unset,
// as in the ordinary test shards.
bool GetOracleOutputFolder(base::FilePath* folder);

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_ORACLE_TEST_SUPPORT_ORACLE_OUTPUT_H_
