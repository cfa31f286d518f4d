#include "desktop/windows/installer/checksum_checker/checksum_checker.h"

#include <windows.h>

#include <climits>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/files/file.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/win/scoped_handle.h"
#include "crypto/secure_hash.h"
#include "crypto/sha2.h"

namespace {

// How many bytes of each end of a mismatching file are reported.
constexpr size_t kReportedEdgeBytes = 50;
// Pieces of a few MiB keep the calls into the hash provider few; three of
// them let the reader run a piece ahead of the hasher.
constexpr int kReadChunkBytes = 4 << 20;
constexpr size_t kReadAheadPieces = 3;

base::Value LengthValue(uint64_t length) {
  // Value has no 64-bit integer; a huge length stays exact up to 2^53.
  if (length <= static_cast<uint64_t>(INT_MAX))
    return base::Value(static_cast<int>(length));
  return base::Value(static_cast<double>(length));
}

void FillMismatchDetails(std::string_view expected,
                         const std::string& actual,
                         uint64_t length,
                         const std::string& start,
                         const std::string& end,
                         ChecksumDetails* details) {
  details->clear();
  details->emplace_back("detail", base::Value("Checksum mismatch"));
  details->emplace_back("expected_checksum", base::Value(expected));
  details->emplace_back("actual_checksum", base::Value(actual));
  details->emplace_back("file_length", LengthValue(length));
  details->emplace_back("file_start", base::Value(base::HexEncode(start.data(), start.size())));
  details->emplace_back("file_end", base::Value(base::HexEncode(end.data(), end.size())));
}

void FillReadFailure(ChecksumDetails* details) {
  if (!details)
    return;
  details->clear();
  details->emplace_back("detail", base::Value("Unable to read the file"));
}

// One buffer of kReadChunkBytes and how much of it was read.
struct Piece {
  std::unique_ptr<char[]> data;
  size_t size = 0;
};

// Pieces read ahead by the reader thread, and the buffers it may fill.
struct ReadAhead {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<Piece> read;  // Oldest first.
  std::vector<Piece> free;
  bool done = false;
  bool failed = false;
  bool stop = false;
};

// Reads `file` to its end into the pieces of `ahead`, waiting for a free
// buffer when the hasher lags behind.
void ReadPieces(base::File* file, ReadAhead* ahead) {
  for (;;) {
    Piece piece;
    {
      std::unique_lock<std::mutex> hold(ahead->lock);
      ahead->changed.wait(hold, [&] { return ahead->stop || !ahead->free.empty(); });
      if (ahead->stop)
        return;
      piece = std::move(ahead->free.back());
      ahead->free.pop_back();
    }
    if (!piece.data)
      piece.data = std::make_unique<char[]>(kReadChunkBytes);
    const int count = file->ReadAtCurrentPos(piece.data.get(), kReadChunkBytes);
    std::lock_guard<std::mutex> hold(ahead->lock);
    if (count <= 0) {
      ahead->failed = count < 0;
      ahead->done = true;
      ahead->changed.notify_all();
      return;
    }
    piece.size = static_cast<size_t>(count);
    ahead->read.push_back(std::move(piece));
    ahead->changed.notify_all();
  }
}

struct ReaderArgs {
  base::File* file;
  ReadAhead* ahead;
};

DWORD WINAPI ReaderThread(void* param) {
  const ReaderArgs* args = static_cast<const ReaderArgs*>(param);
  ReadPieces(args->file, args->ahead);
  return 0;
}

// Keeps the first and the last kReportedEdgeBytes bytes seen.
void KeepEdges(std::string_view piece, std::string* start, std::string* end) {
  if (start->size() < kReportedEdgeBytes)
    start->append(piece.substr(0, kReportedEdgeBytes - start->size()));
  if (piece.size() >= kReportedEdgeBytes) {
    end->assign(piece.substr(piece.size() - kReportedEdgeBytes));
    return;
  }
  end->append(piece);
  if (end->size() > kReportedEdgeBytes)
    end->erase(0, end->size() - kReportedEdgeBytes);
}

// The SHA-256 text of the file, read with ReadFile, its length and its
// first and last bytes. A mapping would turn a failing medium, or a file cut
// short while it is read, into an in-page error that ends the process; a
// read only fails. A second thread reads the next pieces while this one
// hashes, so that reading costs about what a mapping's page faults do.
// False when the file cannot be read whole.
bool HashFile(const base::FilePath& path,
              std::string* digest,
              uint64_t* length,
              std::string* start,
              std::string* end) {
  base::File file(path, base::File::FLAG_OPEN | base::File::FLAG_READ |
                            base::File::FLAG_SEQUENTIAL_SCAN);
  if (!file.IsValid())
    return false;
  const int64_t expected_length = file.GetLength();
  std::unique_ptr<crypto::SecureHash> hash =
      crypto::SecureHash::Create(crypto::SecureHash::SHA256);
  if (expected_length < 0 || !hash)
    return false;
  ReadAhead ahead;
  ahead.free.resize(kReadAheadPieces);
  // A thread that cannot start is a failed check, not an exception.
  ReaderArgs args{&file, &ahead};
  base::win::ScopedHandle reader(::CreateThread(nullptr, 0, &ReaderThread, &args, 0, nullptr));
  if (!reader.IsValid()) {
    PLOG(ERROR) << "Cannot start the checksum reader";
    return false;
  }
  uint64_t total = 0;
  bool failed = false;
  for (;;) {
    Piece piece;
    {
      std::unique_lock<std::mutex> hold(ahead.lock);
      ahead.changed.wait(hold, [&] { return ahead.done || !ahead.read.empty(); });
      if (ahead.read.empty()) {
        failed = ahead.failed;
        break;
      }
      piece = std::move(ahead.read.front());
      ahead.read.pop_front();
    }
    hash->Update(piece.data.get(), piece.size);
    KeepEdges(std::string_view(piece.data.get(), piece.size), start, end);
    total += piece.size;
    std::lock_guard<std::mutex> hold(ahead.lock);
    ahead.free.push_back(std::move(piece));
    ahead.changed.notify_all();
  }
  {
    std::lock_guard<std::mutex> hold(ahead.lock);
    ahead.stop = true;
    ahead.changed.notify_all();
  }
  ::WaitForSingleObject(reader.Get(), INFINITE);
  // Cut short (or grown) while it was read: not the file that was asked for.
  if (failed || total != static_cast<uint64_t>(expected_length))
    return false;
  uint8_t bytes[crypto::kSHA256Length];
  if (!hash->Finish(bytes, sizeof(bytes)))
    return false;
  *digest = base::ToLowerASCII(base::HexEncode(bytes, sizeof(bytes)));
  *length = total;
  return true;
}

}  // namespace

std::string ComputeSha256Hex(const void* data, size_t length) {
  std::unique_ptr<crypto::SecureHash> hash =
      crypto::SecureHash::Create(crypto::SecureHash::SHA256);
  if (!hash)
    return std::string();
  hash->Update(data, length);
  uint8_t digest[crypto::kSHA256Length];
  if (!hash->Finish(digest, sizeof(digest)))
    return std::string();
  return base::ToLowerASCII(base::HexEncode(digest, sizeof(digest)));
}

bool VerifyChecksum(const base::FilePath& path,
                    std::string_view expected,
                    ChecksumDetails* details,
                    std::string* actual,
                    uint64_t* length) {
  actual->clear();
  *length = 0;
  std::string digest;
  uint64_t file_length = 0;
  std::string start;
  std::string end;
  if (!HashFile(path, &digest, &file_length, &start, &end)) {
    LOG(ERROR) << "Unable to read " << path;
    FillReadFailure(details);
    return false;
  }
  *actual = digest;
  *length = file_length;
  if (*actual == expected)
    return true;
  if (details)
    FillMismatchDetails(expected, *actual, file_length, start, end, details);
  return false;
}
