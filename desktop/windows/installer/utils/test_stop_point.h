#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_STOP_POINT_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_STOP_POINT_H_

#include <string>

// For the end-to-end tests only: when the environment variable
// TARVO_INSTALLER_TEST_STOP_AT (read once) names `point`, the process logs
// "Stopped at <point> for the test" and waits for ever, so that the test can
// kill every process of the run exactly there, as a power cut would. Without
// the variable nothing happens.
void StopHereIfTestAsks(const std::string& point);

// Whether TARVO_INSTALLER_TEST_STOP_AT names `point`.
bool IsTestStopPoint(const std::string& point);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_STOP_POINT_H_
