#ifndef DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_CALCULATOR_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_CALCULATOR_H_

#include <cstdint>

class ProgressObserver;

// Turns the installation's progress into one value for the progress bar,
// from 0 to GetMaxProgress. UI thread only.
class ProgressCalculator {
 public:
  virtual ~ProgressCalculator() = default;
  // Not owned; null stops the notifications.
  virtual void SetObserver(ProgressObserver* observer) = 0;
  // Work done in the current phase, of the last total.
  virtual void SetCurrentProgress(uint32_t done) = 0;
  // The amount of work in the current phase; restarts its done count.
  virtual void SetTotalProgress(uint32_t total) = 0;
  virtual uint32_t GetMaxProgress() const = 0;
  // The last value computed.
  virtual uint32_t GetProgress() const = 0;
  // Starts the current phase over and notifies.
  virtual void Refresh() = 0;
  // Enters a phase (0 to 7; others are ignored) and notifies. The backend's
  // phases arrive as InstallerObserver calls; the UI controller enters its
  // own fetch phases through this.
  virtual void OnEnteringPhase(int phase) = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_CALCULATOR_H_
