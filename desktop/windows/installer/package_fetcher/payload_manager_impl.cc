#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"

#include <cstring>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/utils/pe_image_layout.h"

namespace {

constexpr char kMagic[] = "TRV";
constexpr uint64_t kMagicSize = 3;
constexpr uint64_t kLengthSize = 4;
constexpr uint8_t k7zSignature[] = {0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C};

template <typename T>
bool ReadAt(const base::MemoryMappedFile& file, uint64_t offset, T* value) {
  if (offset > file.length() || file.length() - offset < sizeof(T))
    return false;
  memcpy(value, file.data() + offset, sizeof(T));
  return true;
}

}  // namespace

PayloadManagerImpl::PayloadManagerImpl(const base::FilePath& executable)
    : executable_(executable) {
  type_ = ReadPayload();
}

PayloadManagerImpl::~PayloadManagerImpl() = default;

PayloadType PayloadManagerImpl::ReadPayload() {
  LOG(INFO) << "Reading Payload";
  if (!file_.Initialize(executable_) || file_.length() == 0) {
    LOG(ERROR) << "Could not initialize memory mapped file";
    return PAYLOAD_TYPE_NONE;
  }
  PeImageLayout layout;
  if (!layout.Parse(file_.data(), file_.length()))
    return PAYLOAD_TYPE_CORRUPTED;
  const uint64_t table_offset = layout.certificate_table_offset();
  const uint64_t table_size = layout.certificate_table_size();
  const bool is_signed = table_size != 0;
  const uint64_t length = file_.length();
  if (table_offset > length || (is_signed && length - table_offset < table_size)) {
    LOG(ERROR) << "Security directory is located past the image file length";
    return PAYLOAD_TYPE_CORRUPTED;
  }
  // Bytes of the image itself, its symbol table included, are never taken
  // for a payload; an image not wholly in the file bounds nothing.
  const uint64_t image_end =
      layout.image_end_with_symbols() ? layout.image_end_with_symbols() : layout.image_end();
  const bool at_end = TryPayloadEndingAt(length - kLengthSize, image_end);
  // A table too close to the start leaves no room for a payload before it.
  if (!at_end &&
      !(is_signed && table_offset >= kMagicSize + kLengthSize &&
        TryPayloadEndingAt(table_offset - kLengthSize, image_end))) {
    LOG(INFO) << "No valid payload found";
    return PAYLOAD_TYPE_NONE;
  }
  if (!StartsWith7zSignature())
    return PAYLOAD_TYPE_TRACKING_DATA;
  if (is_signed && at_end) {
    LOG(WARNING) << "Found full package that is not covered by the signature";
    return PAYLOAD_TYPE_NONE;
  }
  return PAYLOAD_TYPE_FULL_PACKAGE;
}

bool PayloadManagerImpl::TryPayloadEndingAt(uint64_t pos, uint64_t image_end) {
  int32_t length = 0;
  // The magic lies after the image: bytes of the image itself are never
  // taken for a payload.
  if (pos < kMagicSize || !ReadAt(file_, pos, &length) || length < 0 ||
      pos - kMagicSize < static_cast<uint64_t>(length) ||
      pos - kMagicSize - static_cast<uint64_t>(length) < image_end) {
    LOG(INFO) << "Could not find a valid starting position";
    return false;
  }
  const uint64_t magic = pos - kMagicSize - static_cast<uint64_t>(length);
  if (memcmp(file_.data() + magic, kMagic, kMagicSize) != 0) {
    LOG(INFO) << "Payload data invalid";
    return false;
  }
  payload_length_ = length;
  payload_offset_ = pos - static_cast<uint64_t>(length);
  return true;
}

bool PayloadManagerImpl::StartsWith7zSignature() const {
  return payload_length_ >= static_cast<int64_t>(sizeof(k7zSignature)) &&
         memcmp(file_.data() + payload_offset_, k7zSignature, sizeof(k7zSignature)) == 0;
}

PayloadType PayloadManagerImpl::GetPayloadType() const {
  return type_;
}

std::string PayloadManagerImpl::GetPayload() const {
  if (type_ == PAYLOAD_TYPE_NONE || type_ == PAYLOAD_TYPE_CORRUPTED)
    return std::string();
  if (!external_tracking_data_.empty())
    return external_tracking_data_;
  if (!file_.IsValid())
    return std::string();
  return std::string(reinterpret_cast<const char*>(file_.data() + payload_offset_),
                     static_cast<size_t>(payload_length_));
}

bool PayloadManagerImpl::WritePayloadToFile(const base::FilePath& path) const {
  if (type_ == PAYLOAD_TYPE_NONE || type_ == PAYLOAD_TYPE_CORRUPTED)
    return false;
  LOG(INFO) << "Writing payload to file " << path;
  bool written;
  if (type_ == PAYLOAD_TYPE_FULL_PACKAGE) {
    const int size = static_cast<int>(payload_length_);
    written = base::WriteFile(
                  path, reinterpret_cast<const char*>(file_.data() + payload_offset_), size) ==
              size;
  } else {
    written = base::WriteFile(path, GetPayload());
  }
  if (!written) {
    // A cut package would only fail later, further from the cause.
    PLOG(ERROR) << "Cannot write the payload to " << path;
    base::DeleteFile(path, /*recursive=*/false);
  }
  return written;
}

std::string_view PayloadManagerImpl::GetFullPackage() const {
  if (type_ != PAYLOAD_TYPE_FULL_PACKAGE || !file_.IsValid())
    return std::string_view();
  return std::string_view(reinterpret_cast<const char*>(file_.data() + payload_offset_),
                          static_cast<size_t>(payload_length_));
}

void PayloadManagerImpl::SetExternalTrackingData(const std::string& data) {
  external_tracking_data_ = data;
  type_ = PAYLOAD_TYPE_EXTERNAL_TRACKING_DATA;
}
