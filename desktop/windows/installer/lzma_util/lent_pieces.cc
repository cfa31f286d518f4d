#include "desktop/windows/installer/lzma_util/lent_pieces.h"

#include "base/logging.h"

LentPieces::LentPieces() = default;

LentPieces::~LentPieces() {
  DCHECK_EQ(0u, out_);
}

void LentPieces::Lend() {
  base::AutoLock hold(lock_);
  ++out_;
}

void LentPieces::GiveBack() {
  base::AutoLock hold(lock_);
  DCHECK_GT(out_, 0u);
  if (--out_ == 0)
    returned_.Broadcast();
}

void LentPieces::WaitForAll() {
  base::AutoLock hold(lock_);
  while (out_ > 0)
    returned_.Wait();
}
