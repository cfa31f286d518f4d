#include "desktop/windows/installer/avro_stats/avro_request_headers.h"

#include <stdint.h>

#include "base/logging.h"

namespace {

constexpr size_t kMaxLineLength = 48;

// One header line, each byte XOR-ed with a mask that the line's own key
// starts and every position moves on.
struct ScrambledLine {
  uint8_t key;
  uint8_t length;
  uint8_t bytes[kMaxLineLength];
};

constexpr uint8_t Mask(uint8_t key, size_t position) {
  return static_cast<uint8_t>(key + position * 0x1F);
}

// Runs only at compile time, so the plain text never reaches the binary.
template <size_t N>
consteval ScrambledLine Scramble(const char (&text)[N], uint8_t key) {
  static_assert(N - 1 <= kMaxLineLength);
  ScrambledLine line{};
  line.key = key;
  line.length = static_cast<uint8_t>(N - 1);
  for (size_t i = 0; i + 1 < N; ++i)
    line.bytes[i] = static_cast<uint8_t>(static_cast<uint8_t>(text[i]) ^ Mask(key, i));
  return line;
}

constexpr ScrambledLine kHeaderLines[] = {
    Scramble("Content-Type: avro/binary\r\n", 0x5A),
    Scramble("X-Tarvo-Stats: tarvo-desktop-installer\r\n", 0xA7),
};

constexpr size_t TotalLength() {
  size_t total = 0;
  for (const ScrambledLine& line : kHeaderLines)
    total += line.length;
  return total;
}
static_assert(TotalLength() == AvroRequestHeaders::kLength);

}  // namespace

AvroRequestHeaders::AvroRequestHeaders() : text_(new wchar_t[kLength + 1]) {
  wchar_t* out = text_.get();
  for (const ScrambledLine& line : kHeaderLines) {
    for (size_t i = 0; i < line.length; ++i)
      *out++ = static_cast<wchar_t>(line.bytes[i] ^ Mask(line.key, i));
  }
  DCHECK_EQ(kLength, static_cast<size_t>(out - text_.get()));
  *out = L'\0';
}

AvroRequestHeaders::~AvroRequestHeaders() {
  Wipe();
}

void AvroRequestHeaders::Wipe() {
  // Volatile: the stores must not be dropped as dead before the free.
  volatile wchar_t* text = text_.get();
  for (size_t i = 0; i < kLength; ++i)
    text[i] = L'0';
}

std::vector<std::string> AvroRequestHeaders::GetScrambledLinesForTesting() {
  std::vector<std::string> lines;
  for (const ScrambledLine& line : kHeaderLines)
    lines.emplace_back(reinterpret_cast<const char*>(line.bytes), line.length);
  return lines;
}
