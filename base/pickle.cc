#include "base/pickle.h"

#include <limits.h>
#include <string.h>

namespace base {

namespace {

constexpr size_t kAlignment = sizeof(uint32_t);
// Lengths travel as int, and the header's size field is 32 bits.
constexpr size_t kMaxPickleSize = INT_MAX;

constexpr size_t AlignUp(size_t n) {
  return (n + kAlignment - 1) & ~(kAlignment - 1);
}

}  // namespace

// PickleIterator --------------------------------------------------------------

PickleIterator::PickleIterator(const Pickle& pickle)
    : payload_(pickle.payload()), read_index_(0), end_index_(pickle.payload_size()) {}

const char* PickleIterator::GetReadPointerAndAdvance(size_t num_bytes) {
  if (num_bytes > end_index_ - read_index_) {
    read_index_ = end_index_;
    return nullptr;
  }
  const char* current = payload_ + read_index_;
  // The last field may lack its padding when the sender trimmed it.
  size_t advance = AlignUp(num_bytes);
  read_index_ = advance > end_index_ - read_index_ ? end_index_ : read_index_ + advance;
  return current;
}

template <typename T>
bool PickleIterator::ReadBuiltinType(T* result) {
  const char* p = GetReadPointerAndAdvance(sizeof(T));
  if (!p)
    return false;
  memcpy(result, p, sizeof(T));
  return true;
}

bool PickleIterator::ReadBool(bool* result) {
  int value;
  if (!ReadInt(&value))
    return false;
  // Anything but 0 or 1 means the bytes are not what the writer wrote.
  if (value != 0 && value != 1)
    return false;
  *result = value == 1;
  return true;
}

bool PickleIterator::ReadInt(int* result) { return ReadBuiltinType(result); }
bool PickleIterator::ReadUInt16(uint16_t* result) { return ReadBuiltinType(result); }
bool PickleIterator::ReadUInt32(uint32_t* result) { return ReadBuiltinType(result); }
bool PickleIterator::ReadInt64(int64_t* result) { return ReadBuiltinType(result); }
bool PickleIterator::ReadUInt64(uint64_t* result) { return ReadBuiltinType(result); }
bool PickleIterator::ReadFloat(float* result) { return ReadBuiltinType(result); }
bool PickleIterator::ReadDouble(double* result) { return ReadBuiltinType(result); }

bool PickleIterator::ReadLength(int* result) {
  int length;
  if (!ReadInt(&length))
    return false;
  if (length < 0) {
    read_index_ = end_index_;
    return false;
  }
  *result = length;
  return true;
}

bool PickleIterator::ReadString(std::string* result) {
  const char* data;
  int length;
  if (!ReadData(&data, &length))
    return false;
  result->assign(data, static_cast<size_t>(length));
  return true;
}

bool PickleIterator::ReadString16(std::wstring* result) {
  static_assert(sizeof(wchar_t) == 2, "UTF-16 wide strings expected");
  int length;
  if (!ReadLength(&length))
    return false;
  const char* data = GetReadPointerAndAdvance(static_cast<size_t>(length) * sizeof(wchar_t));
  if (!data)
    return false;
  std::wstring value(static_cast<size_t>(length), L'\0');
  memcpy(value.data(), data, static_cast<size_t>(length) * sizeof(wchar_t));
  result->swap(value);
  return true;
}

bool PickleIterator::ReadData(const char** data, int* length) {
  int size;
  if (!ReadLength(&size))
    return false;
  if (!ReadBytes(data, size))
    return false;
  *length = size;
  return true;
}

bool PickleIterator::ReadBytes(const char** data, int length) {
  if (length < 0) {
    read_index_ = end_index_;
    return false;
  }
  const char* p = GetReadPointerAndAdvance(static_cast<size_t>(length));
  if (!p)
    return false;
  *data = p;
  return true;
}

bool PickleIterator::SkipBytes(int num_bytes) {
  const char* unused;
  return ReadBytes(&unused, num_bytes);
}

// Pickle ----------------------------------------------------------------------

Pickle::Pickle() : buffer_(sizeof(Header), '\0') {}

Pickle::Pickle(const char* data, size_t data_len) {
  if (!data || data_len < sizeof(Header) || data_len > kMaxPickleSize)
    return;
  Header header;
  memcpy(&header, data, sizeof(header));
  if (header.payload_size != data_len - sizeof(Header))
    return;
  buffer_.assign(data, data + data_len);
}

Pickle::Pickle(Pickle&& other) noexcept : buffer_(std::move(other.buffer_)) {
  other.buffer_.assign(sizeof(Header), '\0');
}

Pickle& Pickle::operator=(Pickle&& other) noexcept {
  if (this != &other) {
    buffer_ = std::move(other.buffer_);
    other.buffer_.assign(sizeof(Header), '\0');
  }
  return *this;
}

const char* Pickle::payload() const {
  return buffer_.empty() ? nullptr : buffer_.data() + sizeof(Header);
}

bool Pickle::WriteString(std::string_view value) {
  if (value.size() > kMaxPickleSize)
    return false;
  return WriteData(value.data(), static_cast<int>(value.size()));
}

bool Pickle::WriteString16(std::wstring_view value) {
  static_assert(sizeof(wchar_t) == 2, "UTF-16 wide strings expected");
  if (value.size() > kMaxPickleSize / sizeof(wchar_t))
    return false;
  if (!IsValid() || buffer_.size() + sizeof(int) + AlignUp(value.size() * sizeof(wchar_t)) >
                        kMaxPickleSize) {
    return false;
  }
  return WriteInt(static_cast<int>(value.size())) &&
         WriteBytes(value.data(), static_cast<int>(value.size() * sizeof(wchar_t)));
}

bool Pickle::WriteData(const char* data, int length) {
  if (length < 0 || (length > 0 && !data))
    return false;
  // Check the whole field first so a failure leaves no half-written field.
  if (!IsValid() ||
      buffer_.size() + sizeof(int) + AlignUp(static_cast<size_t>(length)) > kMaxPickleSize) {
    return false;
  }
  return WriteInt(length) && WriteBytes(data, length);
}

bool Pickle::WriteBytes(const void* data, int length) {
  if (length < 0 || (length > 0 && !data) || !IsValid())
    return false;
  size_t padded = AlignUp(static_cast<size_t>(length));
  if (buffer_.size() + padded > kMaxPickleSize)
    return false;
  size_t offset = buffer_.size();
  buffer_.resize(offset + padded, '\0');
  if (length > 0)
    memcpy(buffer_.data() + offset, data, static_cast<size_t>(length));
  SetPayloadSize();
  return true;
}

void Pickle::SetPayloadSize() {
  Header header{static_cast<uint32_t>(buffer_.size() - sizeof(Header))};
  memcpy(buffer_.data(), &header, sizeof(header));
}

}  // namespace base
