#include "desktop/windows/installer/lzma_util/header_reader.h"

#include <algorithm>

namespace {

// Property ids of the 7z header.
enum : uint64_t {
  kEnd = 0x00,
  kHeader = 0x01,
  kArchiveProperties = 0x02,
  kAdditionalStreamsInfo = 0x03,
  kMainStreamsInfo = 0x04,
  kFilesInfo = 0x05,
  kPackInfo = 0x06,
  kUnpackInfo = 0x07,
  kSubStreamsInfo = 0x08,
  kSize = 0x09,
  kCrc = 0x0A,
  kFolder = 0x0B,
  kCodersUnpackSize = 0x0C,
  kNumUnpackStream = 0x0D,
  kEmptyStream = 0x0E,
  kAnti = 0x10,
  kEncodedHeader = 0x17,
};

// More than any sane header holds; keeps a forged count from allocating.
constexpr uint64_t kMaxCount = 1 << 24;

// Reads forward through the header; once anything does not fit, `ok` is
// false and every read yields zeros.
class Cursor {
 public:
  Cursor(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

  bool ok() const { return ok_; }
  bool Fail() { return ok_ = false; }

  uint8_t Byte() {
    if (!ok_ || p_ == end_)
      return Fail();
    return *p_++;
  }

  // A 7z NUMBER: the leading 1 bits of the first byte count the bytes
  // that follow (little endian); its other bits are the highest.
  uint64_t Number() {
    const uint8_t first = Byte();
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
      const uint8_t mask = 0x80 >> i;
      if (!(first & mask))
        return value | (static_cast<uint64_t>(first & (mask - 1)) << (8 * i));
      value |= static_cast<uint64_t>(Byte()) << (8 * i);
    }
    return value;
  }

  // A count of things that follow, each at least a byte.
  uint64_t Count() {
    const uint64_t count = Number();
    if (count > kMaxCount || count > static_cast<uint64_t>(end_ - p_) * 8 + 8)
      Fail();
    return ok_ ? count : 0;
  }

  void Skip(uint64_t size) { Take(size); }

  // The next `size` bytes, as a cursor of their own.
  Cursor Take(uint64_t size) {
    if (!ok_ || size > static_cast<uint64_t>(end_ - p_)) {
      Fail();
      return Cursor(p_, 0);
    }
    p_ += size;
    return Cursor(p_ - size, static_cast<size_t>(size));
  }

  void Expect(uint64_t id) {
    if (Number() != id)
      Fail();
  }

  // `count` bits, highest first.
  std::vector<bool> Bits(uint64_t count) {
    std::vector<bool> bits(ok_ ? count : 0);
    for (uint64_t i = 0; ok_ && i < count; i += 8) {
      const uint8_t byte = Byte();
      for (uint64_t j = i; j < std::min(count, i + 8); ++j)
        bits[j] = byte & (0x80 >> (j - i));
    }
    return bits;
  }

  // An "all defined" byte, or a bit vector.
  std::vector<bool> Defined(uint64_t count) {
    return Byte() ? std::vector<bool>(count, true) : Bits(count);
  }

  void SkipDigests(uint64_t count) {
    const std::vector<bool> defined = Defined(count);
    Skip(4 * std::count(defined.begin(), defined.end(), true));
  }

 private:
  const uint8_t* p_;
  const uint8_t* const end_;
  bool ok_ = true;
};

// One folder's coders: the method ids seen go to `methods`; `*outputs`
// receives its count of coder outputs (of unpack sizes).
void SkipFolder(Cursor* c, std::vector<uint64_t>* methods, uint64_t* outputs) {
  const uint64_t coders = c->Count();
  uint64_t inputs = 0;
  *outputs = 0;
  for (uint64_t i = 0; c->ok() && i < coders; ++i) {
    const uint8_t flags = c->Byte();
    uint64_t method = 0;
    for (int j = 0; j < (flags & 0x0F); ++j)
      method = (method << 8) | c->Byte();
    methods->push_back(method);
    const bool complex = flags & 0x10;
    inputs += complex ? c->Count() : 1;
    *outputs += complex ? c->Count() : 1;
    if (flags & 0x20)
      c->Skip(c->Number());
  }
  if (*outputs == 0 || inputs + 1 < *outputs)
    c->Fail();
  const uint64_t bonds = *outputs - 1;
  for (uint64_t i = 0; c->ok() && i < 2 * bonds; ++i)
    c->Number();
  const uint64_t packed = inputs - bonds;
  for (uint64_t i = 0; c->ok() && packed > 1 && i < packed; ++i)
    c->Number();
}

// Pack info, coders and sub-streams, up to and with their end.
void SkipStreamsInfo(Cursor* c, std::vector<uint64_t>* methods) {
  uint64_t id = c->Number();
  if (id == kPackInfo) {
    c->Number();  // Position.
    const uint64_t streams = c->Count();
    for (id = c->Number(); c->ok() && id != kEnd; id = c->Number()) {
      if (id == kSize) {
        for (uint64_t i = 0; i < streams; ++i)
          c->Number();
      } else if (id == kCrc) {
        c->SkipDigests(streams);
      } else {
        c->Fail();
      }
    }
    id = c->Number();
  }
  std::vector<bool> folder_crcs;
  if (id == kUnpackInfo) {
    c->Expect(kFolder);
    const uint64_t folders = c->Count();
    if (c->Byte() != 0)  // Folders stored elsewhere: not in any 7z we read.
      c->Fail();
    uint64_t outputs = 0;
    for (uint64_t i = 0; c->ok() && i < folders; ++i) {
      uint64_t folder_outputs;
      SkipFolder(c, methods, &folder_outputs);
      outputs += folder_outputs;
    }
    c->Expect(kCodersUnpackSize);
    for (uint64_t i = 0; c->ok() && i < outputs; ++i)
      c->Number();
    folder_crcs.assign(folders, false);
    for (id = c->Number(); c->ok() && id != kEnd; id = c->Number()) {
      if (id != kCrc)
        c->Fail();
      folder_crcs = c->Defined(folders);
      for (bool defined : folder_crcs)
        c->Skip(defined ? 4 : 0);
    }
    id = c->Number();
  }
  if (id == kSubStreamsInfo) {
    std::vector<uint64_t> streams(folder_crcs.size(), 1);
    for (id = c->Number(); c->ok() && id != kEnd; id = c->Number()) {
      if (id == kNumUnpackStream) {
        for (uint64_t& count : streams)
          count = c->Count();
      } else if (id == kSize) {
        for (uint64_t count : streams) {
          for (uint64_t i = 1; c->ok() && i < count; ++i)
            c->Number();
        }
      } else if (id == kCrc) {
        uint64_t digests = 0;
        for (size_t i = 0; i < streams.size(); ++i)
          digests += streams[i] == 1 && folder_crcs[i] ? 0 : streams[i];
        c->SkipDigests(digests);
      } else {
        c->Fail();
      }
    }
    id = c->Number();
  }
  if (id != kEnd)
    c->Fail();
}

}  // namespace

// static
bool HeaderReader::ReadAntiItems(const uint8_t* header,
                                 size_t size,
                                 uint32_t file_count,
                                 std::vector<bool>* anti) {
  anti->assign(file_count, false);
  Cursor c(header, size);
  c.Expect(kHeader);
  uint64_t id = c.Number();
  if (id == kArchiveProperties) {
    for (id = c.Number(); c.ok() && id != kEnd; id = c.Number())
      c.Skip(c.Number());
    id = c.Number();
  }
  std::vector<uint64_t> methods;
  if (id == kAdditionalStreamsInfo) {
    SkipStreamsInfo(&c, &methods);
    id = c.Number();
  }
  if (id == kMainStreamsInfo) {
    SkipStreamsInfo(&c, &methods);
    id = c.Number();
  }
  if (id == kEnd)
    return c.ok() && file_count == 0;
  if (id != kFilesInfo || c.Number() != file_count)
    return false;
  std::vector<bool> empty(file_count, false);
  for (id = c.Number(); c.ok() && id != kEnd; id = c.Number()) {
    Cursor property = c.Take(c.Number());
    if (id == kEmptyStream) {
      empty = property.Bits(file_count);
    } else if (id == kAnti) {
      const std::vector<bool> flags = property.Bits(std::count(empty.begin(), empty.end(), true));
      size_t next = 0;
      for (uint32_t i = 0; i < file_count; ++i) {
        if (empty[i])
          (*anti)[i] = flags[next++];
      }
    }
    if (!property.ok())
      return false;
  }
  return c.ok();
}

// static
bool HeaderReader::ReadHeaderMethods(const uint8_t* next_header,
                                     size_t size,
                                     std::vector<uint64_t>* methods) {
  Cursor c(next_header, size);
  c.Expect(kEncodedHeader);
  std::vector<uint64_t> read;
  SkipStreamsInfo(&c, &read);
  if (!c.ok())
    return false;
  methods->insert(methods->end(), read.begin(), read.end());
  return true;
}
