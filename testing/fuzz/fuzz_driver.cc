// installer_fuzz.exe: runs the parsers' fuzz targets.
//
//   --target=NAME[,NAME...]|all  --runs=N (mutated inputs per target)
//   --seconds=S (per target, instead of or on top of --runs)
//   --seed=N  --corpus=DIR (DIR\<target>\* are kept inputs, run first)
//   --seed_dir=DIR (more archives for the 7z target)
//   --findings=DIR (DIR\<target>\ receives what fails; default .\findings)
//   --work=DIR (scratch folders)  --time_limit_ms=N  --memory_mb=N  --list
//   --reference (everything but the parser call, for the benchmark)
//
// Exit code 0 when nothing failed; 1 when a check failed; the guard's codes
// when an input crashed, hung or went past the memory cap.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/utf_string_conversions.h"
#include "testing/fuzz/fuzz_guard.h"
#include "testing/fuzz/fuzz_target.h"

namespace fuzz {
namespace {

struct Options {
  std::vector<std::string> targets;
  uint64_t runs = 0;
  double seconds = 0;
  uint64_t seed = 1;
  std::wstring corpus;
  std::wstring seed_dir;
  std::wstring findings = L"findings";
  std::wstring work;
  GuardLimits limits;
  bool list = false;
  // Mutations, guard and checks without calling the parser: the overhead
  // that the benchmark compares each target's rate with.
  bool reference = false;
};

std::wstring Value(const std::wstring& arg, const wchar_t* name) {
  const std::wstring prefix = std::wstring(L"--") + name + L"=";
  return arg.rfind(prefix, 0) == 0 ? arg.substr(prefix.size()) : std::wstring();
}

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    std::wstring v;
    uint64_t number = 0;
    auto as_number = [&](const wchar_t* name) {
      v = Value(arg, name);
      return !v.empty() && base::StringToUint64(base::WideToUTF8(v), &number);
    };
    if (!(v = Value(arg, L"target")).empty()) {
      options->targets = base::SplitString(base::WideToUTF8(v), ",", base::TRIM_WHITESPACE,
                                           base::SPLIT_WANT_NONEMPTY);
    } else if (as_number(L"runs")) {
      options->runs = number;
    } else if (as_number(L"seconds")) {
      options->seconds = static_cast<double>(number);
    } else if (as_number(L"seed")) {
      options->seed = number;
    } else if (as_number(L"time_limit_ms")) {
      options->limits.time_limit_ms = static_cast<unsigned>(number);
    } else if (as_number(L"memory_mb")) {
      options->limits.memory_cap = static_cast<size_t>(number) << 20;
    } else if (!(v = Value(arg, L"corpus")).empty()) {
      options->corpus = v;
    } else if (!(v = Value(arg, L"seed_dir")).empty()) {
      options->seed_dir = v;
    } else if (!(v = Value(arg, L"findings")).empty()) {
      options->findings = v;
    } else if (!(v = Value(arg, L"work")).empty()) {
      options->work = v;
    } else if (arg == L"--reference") {
      options->reference = true;
    } else if (arg == L"--list") {
      options->list = true;
    } else {
      fprintf(stderr, "unknown argument: %ls\n", arg.c_str());
      return false;
    }
  }
  return true;
}

void AddFolder(const std::wstring& folder, std::vector<std::string>* corpus) {
  if (folder.empty())
    return;
  for (const std::wstring& name : ListTree(base::FilePath(folder))) {
    std::string data;
    if (name.back() != L'\\' &&
        base::ReadFileToStringWithMaxSize(base::FilePath(folder).Append(name), &data,
                                          kMaxInputSize)) {
      corpus->push_back(data);
    }
  }
}

class TargetRun {
 public:
  TargetRun(const FuzzTarget& target, const Options& options)
      : target_(target), options_(options) {}

  // False when a check failed.
  bool Run() {
    const std::wstring name = base::UTF8ToWide(target_.name);
    root_ = base::FilePath(options_.work).Append(name);
    scratch_ = root_.Append(L"scratch");
    sentinel_ = root_.Append(L"outside.txt");
    base::DeleteFile(root_, /*recursive=*/true);
    if (!base::CreateDirectory(scratch_) || !base::WriteFile(sentinel_, kSentinel)) {
      fprintf(stderr, "%s: cannot make %ls\n", target_.name, root_.value().c_str());
      return false;
    }
    findings_ = base::FilePath(options_.findings).Append(name).value();
    base::CreateDirectory(base::FilePath(options_.findings));
    InstallGuard(findings_, options_.limits);

    corpus_ = target_.seeds();
    if (!options_.corpus.empty())
      AddFolder(base::FilePath(options_.corpus).Append(name).value(), &corpus_);
    if (target_.format == InputFormat::kSevenZip)
      AddFolder(options_.seed_dir, &corpus_);
    for (const std::string& entry : corpus_)
      known_.insert(entry);

    const auto start = std::chrono::steady_clock::now();
    const size_t kept = corpus_.size();
    for (size_t i = 0; i < kept; ++i)
      RunOne(std::string(corpus_[i]));
    for (uint64_t i = 0;; ++i) {
      const double elapsed =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const bool runs_done = i >= options_.runs;
      const bool time_done = elapsed >= options_.seconds;
      if (runs_done && time_done)
        break;
      Rng rng(IterationSeed(options_.seed, i));
      const std::string& base_input = corpus_[rng.Below(corpus_.size())];
      RunOne(Mutate(base_input, corpus_, target_.format, &rng));
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("%-20s %9llu execs %8.1f s %9.0f exec/s  accepted %llu  corpus %zu  peak heap %.1f MB"
           "  failures %llu\n",
           target_.name, static_cast<unsigned long long>(executions_), elapsed,
           elapsed > 0 ? executions_ / elapsed : 0.0, static_cast<unsigned long long>(accepted_),
           corpus_.size(), peak_heap_ / 1048576.0, static_cast<unsigned long long>(failures_));
    fflush(stdout);
    base::DeleteFile(root_, /*recursive=*/true);
    return failures_ == 0;
  }

 private:
  static constexpr std::string_view kSentinel = "left alone";

  void RunOne(const std::string& input) {
    bool accepted = false;
    BeginInput(input);
    std::string failure =
        options_.reference ? std::string() : target_.run(input, scratch_, &accepted);
    EndInput();
    ++executions_;
    peak_heap_ = std::max(peak_heap_, LastInputPeakHeap());
    if (failure.empty())
      failure = CheckOutsideScratch();
    if (!failure.empty()) {
      ++failures_;
      const std::wstring path = WriteFinding(findings_, "fail", input, failure);
      fprintf(stderr, "FINDING %s: %s -> %ls\n", target_.name, failure.c_str(), path.c_str());
    }
    if (accepted) {
      ++accepted_;
      // Accepted inputs reach further; keeping some of them as bases lets
      // mutations build on what already parses.
      if (input.size() <= 64 * 1024 && corpus_.size() < 4000 && known_.insert(input).second)
        corpus_.push_back(input);
    }
    if (!base::IsDirectoryEmpty(scratch_)) {
      base::DeleteFile(scratch_, /*recursive=*/true);
      base::CreateDirectory(scratch_);
    }
  }

  // The target's folder holds only the scratch folder and the untouched
  // sentinel file.
  std::string CheckOutsideScratch() {
    for (const std::wstring& name : ListTree(root_)) {
      if (name != L"outside.txt" && name.rfind(L"scratch\\", 0) != 0)
        return "written outside the scratch folder: " + base::WideToUTF8(name);
    }
    std::string sentinel;
    if (!base::ReadFileToString(sentinel_, &sentinel) || sentinel != kSentinel)
      return "a file outside the scratch folder changed";
    return "";
  }

  const FuzzTarget& target_;
  const Options& options_;
  base::FilePath root_, scratch_, sentinel_;
  std::wstring findings_;
  std::vector<std::string> corpus_;
  std::set<std::string> known_;
  uint64_t executions_ = 0, accepted_ = 0, failures_ = 0;
  size_t peak_heap_ = 0;
};

int Main(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options))
    return 2;
  if (options.list) {
    for (const FuzzTarget& target : AllFuzzTargets())
      printf("%s\n", target.name);
    return 0;
  }
  if (options.work.empty()) {
    base::FilePath temp;
    base::GetTempDir(&temp);
    options.work = temp.Append(L"tarvo_fuzz_" + std::to_wstring(::GetCurrentProcessId())).value();
  }
  // Parsers log every refusal; at this rate that is all the time spent.
  logging::SetMinLogLevel(logging::LOG_FATAL);
  std::vector<const FuzzTarget*> chosen;
  for (const FuzzTarget& target : AllFuzzTargets()) {
    bool wanted = options.targets.empty();
    for (const std::string& name : options.targets)
      wanted |= name == "all" || name == target.name;
    if (wanted)
      chosen.push_back(&target);
  }
  if (chosen.empty()) {
    fprintf(stderr, "no such target\n");
    return 2;
  }
  bool ok = true;
  for (const FuzzTarget* target : chosen)
    ok &= TargetRun(*target, options).Run();
  base::DeleteFile(base::FilePath(options.work), /*recursive=*/true);
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace fuzz

int wmain(int argc, wchar_t** argv) {
  return fuzz::Main(argc, argv);
}
