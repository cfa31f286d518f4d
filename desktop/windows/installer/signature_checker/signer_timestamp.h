#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNER_TIMESTAMP_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNER_TIMESTAMP_H_

#include <windows.h>

#include <wincrypt.h>

// The signing time that an RFC 3161 timestamp counter-signature of the
// signer `info` vouches for: the authority's signature over its TSTInfo
// verifies, the TSTInfo names the hash of this signer's signature, the time
// is not in the future, and the authority's chain (built by `engine`,
// asking for time stamping) ends at a trusted root without error at that
// time. False when the signer carries no timestamp that passes all of this.
bool GetTimestampedSigningTime(const CMSG_SIGNER_INFO& info,
                               HCERTCHAINENGINE engine,
                               FILETIME* time);

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNER_TIMESTAMP_H_
