#ifndef TESTING_FUZZ_FUZZ_TARGET_H_
#define TESTING_FUZZ_FUZZ_TARGET_H_

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "testing/fuzz/fuzz_mutator.h"

namespace fuzz {

// One parser under the fuzzer, called through the entry point the engine
// itself calls.
struct FuzzTarget {
  const char* name;
  InputFormat format;
  // Valid and hostile inputs made the way the unit tests make them; the
  // target's corpus folder adds to them.
  std::vector<std::string> (*seeds)();
  // Runs one input with |scratch| as the only folder it may write in (empty
  // on entry). Returns "" when every check held, else what failed; sets
  // |*accepted| when the parser took the input as valid.
  std::string (*run)(const std::string& input, const base::FilePath& scratch, bool* accepted);
};

const std::vector<FuzzTarget>& AllFuzzTargets();

// The targets, one per parser.
FuzzTarget JsonStatusTarget();
FuzzTarget XmlStatusTarget();
FuzzTarget PrefFileTarget();
FuzzTarget JournalTarget();
FuzzTarget InstallerMessageTarget();
FuzzTarget TrackingBlobTarget();
FuzzTarget PayloadTarget();
FuzzTarget LzmaUtilTarget();
FuzzTarget VersionResourceTarget();
FuzzTarget DownloadUrlReplyTarget();
FuzzTarget AvroDecoderTarget();
FuzzTarget ClientKeysTarget();

// Every file below |folder| (relative names, folders ending in "\"), sorted.
std::vector<std::wstring> ListTree(const base::FilePath& folder);

}  // namespace fuzz

#endif  // TESTING_FUZZ_FUZZ_TARGET_H_
