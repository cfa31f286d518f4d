#include "desktop/windows/installer/lzma_util/entry_writer.h"

#include "base/logging.h"
#include "desktop/windows/installer/lzma_util/folder_tree_maker.h"

EntryWriter::EntryWriter(const base::FilePath& output_folder,
                         FolderTreeMaker* folders,
                         std::vector<base::FilePath>* written_files,
                         std::vector<base::FilePath>* created_folders,
                         size_t threads,
                         FileWriterPool::ReleaseCallback release)
    : output_folder_(output_folder),
      folders_(folders),
      written_files_(written_files),
      created_folders_(created_folders),
      pool_(threads, release) {
  DCHECK(folders_);
}

EntryWriter::~EntryWriter() {
  if (!completed_)
    Complete(LzmaUtil::kOk);
}

LzmaUtil::ExtractResult EntryWriter::Begin(const std::wstring& name,
                                           Kind kind,
                                           const FILETIME* modified,
                                           uint32_t same_file) {
  DCHECK(!open_);
  const base::FilePath path = output_folder_.Append(name);
  // Most entries share their folder with the one before: looking it up
  // again costs more than writing a small file.
  const base::FilePath folder = kind == Kind::kFolder ? path : path.DirName();
  if (folder != last_folder_) {
    if (!folders_->Create(folder, created_folders_))
      return LzmaUtil::kCreateFileFailed;
    last_folder_ = folder;
  }
  if (kind == Kind::kFolder)
    return LzmaUtil::kOk;
  ++files_;
  open_ = true;
  return pool_.Begin(path, modified, same_file) ? LzmaUtil::kOk : PoolFailure();
}

LzmaUtil::ExtractResult EntryWriter::Write(const uint8_t* data,
                                           size_t size,
                                           void* release_context) {
  DCHECK(open_);
  return pool_.Write(data, size, release_context) ? LzmaUtil::kOk : PoolFailure();
}

LzmaUtil::ExtractResult EntryWriter::Finish() {
  DCHECK(open_);
  open_ = false;
  return pool_.Finish() ? LzmaUtil::kOk : PoolFailure();
}

void EntryWriter::Abandon() {
  if (!open_)
    return;
  open_ = false;
  pool_.Abandon();
}

LzmaUtil::ExtractResult EntryWriter::Complete(LzmaUtil::ExtractResult result) {
  DCHECK(!completed_);
  completed_ = true;
  // The entry the caller was at: the open file, or the next one.
  const size_t at = open_ ? files_ - 1 : files_;
  Abandon();
  size_t failed_file = 0;
  const LzmaUtil::ExtractResult pool_result = pool_.Wait(&failed_file);
  if (written_files_) {
    const std::vector<base::FilePath> created = pool_.CreatedFiles();
    written_files_->insert(written_files_->end(), created.begin(), created.end());
  }
  if (pool_result != LzmaUtil::kOk &&
      (result == LzmaUtil::kOk || refused_ || failed_file < at)) {
    return pool_result;
  }
  return result;
}

LzmaUtil::ExtractResult EntryWriter::PoolFailure() {
  // The pool refuses only after a failure of its own, which Complete
  // reports once it knows the earliest.
  refused_ = true;
  return LzmaUtil::kWriteFileFailed;
}
