#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_TIMESTAMP_INFO_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_TIMESTAMP_INFO_H_

#include <windows.h>

#include <string>
#include <string_view>

// What an RFC 3161 timestamp authority signed (TSTInfo): the hash of the
// data it saw and the time it saw it.
struct TimestampInfo {
  std::string imprint_algorithm_oid;
  std::string imprint;
  FILETIME time = {};

  // Parses the DER-encoded TSTInfo; false when it is not well formed or its
  // time is no UTC GeneralizedTime ("YYYYMMDDhhmmss[.f]Z").
  bool Parse(std::string_view der);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_TIMESTAMP_INFO_H_
