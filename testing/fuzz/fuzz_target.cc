#include "testing/fuzz/fuzz_target.h"

#include <algorithm>

#include "base/files/file_enumerator.h"

namespace fuzz {

const std::vector<FuzzTarget>& AllFuzzTargets() {
  static const std::vector<FuzzTarget> targets = {
      JsonStatusTarget(),     XmlStatusTarget(),   PrefFileTarget(),
      InstallerMessageTarget(), TrackingBlobTarget(), PayloadTarget(),
      LzmaUtilTarget(),       DownloadUrlReplyTarget(), AvroDecoderTarget(),
      ClientKeysTarget(),     VersionResourceTarget(), JournalTarget()};
  return targets;
}

std::vector<std::wstring> ListTree(const base::FilePath& folder) {
  std::vector<std::wstring> names;
  base::FileEnumerator it(folder, /*recursive=*/true,
                          base::FileEnumerator::FILES | base::FileEnumerator::DIRECTORIES);
  const size_t prefix = folder.value().size() + 1;
  for (base::FilePath path = it.Next(); !path.empty(); path = it.Next()) {
    std::wstring name = path.value().substr(std::min(prefix, path.value().size()));
    if (it.GetInfo().IsDirectory())
      name += L"\\";
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace fuzz
