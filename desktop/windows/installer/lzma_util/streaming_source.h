#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_STREAMING_SOURCE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_STREAMING_SOURCE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "7z.h"
#include "base/files/file_path.h"
#include "desktop/windows/installer/lzma_util/entry_source.h"
#include "desktop/windows/installer/lzma_util/folder_pipeline.h"
#include "desktop/windows/installer/lzma_util/stream_resources.h"

class ArchiveView;

// Streams each solid block it is given through a FolderPipeline: decoded
// on several threads where the LZMA2 stream allows, checked, and handed on
// in pieces while the entries before are written. What the pipelines set
// up is kept from block to block (see StreamResources).
class StreamingSource : public EntrySource {
 public:
  // `selected`: which entries are written. `view` must outlive this
  // object. `hook` (tests only, may be null) runs after each decoded block.
  StreamingSource(const CSzArEx* db,
                  const std::vector<bool>* selected,
                  const ArchiveView* view,
                  const base::FilePath& temp_folder,
                  LzmaUtil::DecodedBlockHook hook,
                  uint32_t* last_error_code);
  StreamingSource(const StreamingSource&) = delete;
  StreamingSource& operator=(const StreamingSource&) = delete;
  ~StreamingSource() override;

  LzmaUtil::ExtractResult Prepare(uint32_t index) override;
  LzmaUtil::ExtractResult NextPiece(Piece* piece) override;
  void ReleasePiece(const uint8_t* data) override;

 private:
  // The selected entries of `folder` that take bytes of it, in order.
  std::vector<FolderPipeline::Entry> EntriesOf(uint32_t folder) const;
  LzmaUtil::ExtractResult Convert(FolderPipeline::Status status, uint32_t fault_status);

  const CSzArEx* const db_;
  const std::vector<bool>* const selected_;
  const ArchiveView* const view_;
  const LzmaUtil::DecodedBlockHook hook_;
  uint32_t* const last_error_code_;
  StreamResources resources_;
  uint32_t folder_;
  // The entry prepared last, which failures name.
  uint32_t index_ = 0;
  std::unique_ptr<FolderPipeline> pipeline_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_STREAMING_SOURCE_H_
