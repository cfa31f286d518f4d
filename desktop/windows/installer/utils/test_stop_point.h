#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_STOP_POINT_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_STOP_POINT_H_

#include <string>

#include <windows.h>

// For the end-to-end tests only: when the hook TARVO_INSTALLER_TEST_STOP_AT
// (test_hooks.h, read once) names `point`, the process logs "Stopped at
// <point> for the test" and holds there until `wake`, when given, is set,
// so that the test can kill every process of the run exactly there, as a
// power cut would, or stop the run there. The hold ends after five minutes
// all the same ("Held too long at <point> for the test"), and the run goes
// on. Without the hook nothing happens. True only when `wake` ended the
// hold.
bool StopHereIfTestAsks(const std::string& point, HANDLE wake = nullptr);

// Whether TARVO_INSTALLER_TEST_STOP_AT names `point`.
bool IsTestStopPoint(const std::string& point);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_STOP_POINT_H_
