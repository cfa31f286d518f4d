#include "desktop/windows/installer/lzma_util/entry_writer.h"

#include <algorithm>

#include "base/logging.h"
#include "desktop/windows/installer/lzma_util/folder_tree_maker.h"

EntryWriter::EntryWriter(const base::FilePath& output_folder,
                         FolderTreeMaker* folders,
                         std::vector<base::FilePath>* written_files,
                         std::vector<base::FilePath>* created_folders)
    : output_folder_(output_folder),
      folders_(folders),
      written_files_(written_files),
      created_folders_(created_folders) {
  DCHECK(folders_);
}

EntryWriter::~EntryWriter() {
  Abandon();
}

LzmaUtil::ExtractResult EntryWriter::Begin(const std::wstring& name,
                                           Kind kind,
                                           const FILETIME* modified) {
  DCHECK(!file_.IsValid());
  path_ = output_folder_.Append(name);
  // Most entries share their folder with the one before: looking it up
  // again costs more than writing a small file.
  const base::FilePath folder = kind == Kind::kFolder ? path_ : path_.DirName();
  if (folder != last_folder_) {
    if (!folders_->Create(folder, created_folders_))
      return LzmaUtil::kCreateFileFailed;
    last_folder_ = folder;
  }
  if (kind == Kind::kFolder)
    return LzmaUtil::kOk;
  file_.Set(::CreateFileW(path_.value().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_.IsValid()) {
    PLOG(ERROR) << "Error returned by CreateFile: " << path_;
    return LzmaUtil::kCreateFileFailed;
  }
  if (written_files_)
    written_files_->push_back(path_);
  has_time_ = modified != nullptr;
  if (modified)
    modified_ = *modified;
  return LzmaUtil::kOk;
}

LzmaUtil::ExtractResult EntryWriter::Write(const uint8_t* data, size_t size) {
  DCHECK(file_.IsValid());
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min(size, kMaxWriteSize));
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file_.Get(), data, chunk, &written, nullptr);
    if (!ok || written != chunk) {
      if (ok)
        ::SetLastError(ERROR_WRITE_FAULT);
      PLOG(ERROR) << "Error returned by WriteFile " << path_;
      return LzmaUtil::kWriteFileFailed;
    }
    data += chunk;
    size -= chunk;
  }
  return LzmaUtil::kOk;
}

LzmaUtil::ExtractResult EntryWriter::Finish() {
  DCHECK(file_.IsValid());
  if (has_time_ && !::SetFileTime(file_.Get(), nullptr, nullptr, &modified_)) {
    PLOG(ERROR) << "Error returned by SetFileTime " << path_;
    file_.Close();
    return LzmaUtil::kSetFileTimeFailed;
  }
  if (!::CloseHandle(file_.Take())) {
    PLOG(ERROR) << "Error returned by CloseHandle " << path_;
    return LzmaUtil::kCloseFileFailed;
  }
  return LzmaUtil::kOk;
}

void EntryWriter::Abandon() {
  if (!file_.IsValid())
    return;
  file_.Close();
  if (!::DeleteFileW(path_.value().c_str()))
    PLOG(WARNING) << "Cannot delete the half-written " << path_;
}
