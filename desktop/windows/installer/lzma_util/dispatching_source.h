#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_DISPATCHING_SOURCE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_DISPATCHING_SOURCE_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "7z.h"
#include "base/files/file_path.h"
#include "desktop/windows/installer/lzma_util/entry_source.h"

class ArchiveView;
class InMemorySource;
class StreamingSource;
class WholeBlockSource;

// Hands each solid block to the decoder that suits it: a small one is
// decoded whole in memory (InMemorySource); a larger one is streamed where
// FolderStream knows its coders (StreamingSource), and otherwise decoded
// whole by the SDK into a mapped temporary file (WholeBlockSource). Each
// decoder is made when a block first needs it and keeps what it set up
// for the next block it gets.
class DispatchingSource : public EntrySource {
 public:
  // `decoder` (tests only): kAny, or the decoder to use wherever it can.
  // `selected`, `view` and `stream` must outlive this object; `stream`
  // reads the archive file for the SDK's whole-block decoder.
  DispatchingSource(const CSzArEx* db,
                    const std::vector<bool>* selected,
                    const ArchiveView* view,
                    ILookInStreamPtr stream,
                    const base::FilePath& temp_folder,
                    LzmaUtil::DecodedBlockHook hook,
                    uint32_t* last_error_code,
                    LzmaUtil::DecoderForTesting decoder);
  DispatchingSource(const DispatchingSource&) = delete;
  DispatchingSource& operator=(const DispatchingSource&) = delete;
  ~DispatchingSource() override;

  LzmaUtil::ExtractResult Prepare(uint32_t index) override;
  LzmaUtil::ExtractResult NextPiece(Piece* piece) override;
  // Pieces go back to the decoder that lent them, never here.
  void ReleasePiece(const uint8_t* data) override;

  // The decoder of the block prepared last (kAny before any).
  LzmaUtil::DecoderForTesting last_decoder() const { return last_decoder_; }

 private:
  EntrySource* SourceFor(uint32_t folder);

  const CSzArEx* const db_;
  const std::vector<bool>* const selected_;
  const ArchiveView* const view_;
  const ILookInStreamPtr stream_;
  const base::FilePath temp_folder_;
  const LzmaUtil::DecodedBlockHook hook_;
  uint32_t* const last_error_code_;
  const LzmaUtil::DecoderForTesting decoder_;

  std::unique_ptr<InMemorySource> in_memory_;
  std::unique_ptr<StreamingSource> streaming_;
  std::unique_ptr<WholeBlockSource> whole_block_;
  uint32_t folder_;
  EntrySource* current_ = nullptr;
  LzmaUtil::DecoderForTesting last_decoder_ = LzmaUtil::DecoderForTesting::kAny;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_DISPATCHING_SOURCE_H_
