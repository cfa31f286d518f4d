#ifndef DESKTOP_WINDOWS_INSTALLER_CRASH_PRODUCT_SETUP_H_
#define DESKTOP_WINDOWS_INSTALLER_CRASH_PRODUCT_SETUP_H_

// Hands crash reporting the product's values (names, version, build,
// channel, company and crash server) from the product information.
void InitCrashProductValues();

#endif  // DESKTOP_WINDOWS_INSTALLER_CRASH_PRODUCT_SETUP_H_
