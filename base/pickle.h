#ifndef BASE_PICKLE_H_
#define BASE_PICKLE_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

namespace base {

class Pickle;

// Reads the fields of a Pickle in the order they were written. Every read is
// bounds-checked: a read that does not fit in what is left fails, leaves its
// output untouched and moves the iterator to the end so later reads fail too.
class PickleIterator {
 public:
  PickleIterator() = default;
  explicit PickleIterator(const Pickle& pickle);

  bool ReadBool(bool* result);
  bool ReadInt(int* result);
  bool ReadUInt16(uint16_t* result);
  bool ReadUInt32(uint32_t* result);
  bool ReadInt64(int64_t* result);
  bool ReadUInt64(uint64_t* result);
  bool ReadFloat(float* result);
  bool ReadDouble(double* result);
  bool ReadString(std::string* result);
  bool ReadString16(std::wstring* result);

  // A length-prefixed run of bytes. |data| points into the pickle.
  bool ReadData(const char** data, int* length);
  // |length| raw bytes (no length prefix). |data| points into the pickle.
  bool ReadBytes(const char** data, int length);
  // A non-negative int, as written before a variable-length field.
  bool ReadLength(int* result);
  bool SkipBytes(int num_bytes);

  bool ReachedEnd() const { return read_index_ == end_index_; }

 private:
  // Returns where |num_bytes| bytes can be read and moves past them (and
  // their padding), or nullptr when they do not fit.
  const char* GetReadPointerAndAdvance(size_t num_bytes);
  template <typename T>
  bool ReadBuiltinType(T* result);

  const char* payload_ = nullptr;
  size_t read_index_ = 0;
  size_t end_index_ = 0;
};

// A flat binary message: a 4-byte header holding the payload size, then the
// payload, each field padded with zero bytes to a multiple of 4. Little-endian
// (the machine's order on every Windows target we build for).
class Pickle {
 public:
  struct Header {
    uint32_t payload_size;
  };

  // An empty pickle ready for writing.
  Pickle();
  // A copy of serialized bytes, for reading. When the header's payload size
  // disagrees with |data_len| the pickle is invalid: empty, size() == 0 and
  // every read fails.
  Pickle(const char* data, size_t data_len);
  Pickle(const Pickle& other) = default;
  Pickle& operator=(const Pickle& other) = default;
  Pickle(Pickle&& other) noexcept;
  Pickle& operator=(Pickle&& other) noexcept;
  ~Pickle() = default;

  // False only for a pickle made from bytes that were not a pickle.
  bool IsValid() const { return !buffer_.empty(); }

  // The whole serialized message, header included.
  const void* data() const { return buffer_.empty() ? nullptr : buffer_.data(); }
  size_t size() const { return buffer_.size(); }
  const char* payload() const;
  size_t payload_size() const { return buffer_.empty() ? 0 : buffer_.size() - sizeof(Header); }

  // Writes fail only when the message would pass 2 GB, or on an invalid pickle.
  bool WriteBool(bool value) { return WriteInt(value ? 1 : 0); }
  bool WriteInt(int value) { return WritePOD(value); }
  bool WriteUInt16(uint16_t value) { return WritePOD(value); }
  bool WriteUInt32(uint32_t value) { return WritePOD(value); }
  bool WriteInt64(int64_t value) { return WritePOD(value); }
  bool WriteUInt64(uint64_t value) { return WritePOD(value); }
  bool WriteFloat(float value) { return WritePOD(value); }
  bool WriteDouble(double value) { return WritePOD(value); }
  // Length in bytes (int), then the bytes.
  bool WriteString(std::string_view value);
  // Length in UTF-16 code units (int), then two bytes per unit.
  bool WriteString16(std::wstring_view value);
  // Length (int), then the bytes; a negative length fails.
  bool WriteData(const char* data, int length);
  // The bytes alone, padded; read back with ReadBytes and a known length.
  bool WriteBytes(const void* data, int length);

 private:
  template <typename T>
  bool WritePOD(const T& value) {
    return WriteBytes(&value, sizeof(value));
  }
  void SetPayloadSize();

  // Header and payload. Empty only for an invalid pickle.
  std::vector<char> buffer_;
};

}  // namespace base

#endif  // BASE_PICKLE_H_
