#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LENT_PIECES_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LENT_PIECES_H_

#include <cstddef>

#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"

// Counts the pieces of a buffer lent to the file writers, which give them
// back on their own threads, so that the buffer is neither freed nor used
// again while one of them still reads it.
class LentPieces {
 public:
  LentPieces();
  LentPieces(const LentPieces&) = delete;
  LentPieces& operator=(const LentPieces&) = delete;
  ~LentPieces();

  void Lend();
  // Called on any thread.
  void GiveBack();
  // Waits until every piece lent is back. The writers give each back once
  // written or dropped, whatever happens to their files.
  void WaitForAll();

 private:
  base::Lock lock_;
  base::ConditionVariable returned_{&lock_};
  // Guarded by lock_.
  size_t out_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LENT_PIECES_H_
