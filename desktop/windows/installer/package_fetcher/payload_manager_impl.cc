#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"

#include <algorithm>
#include <cstring>

#include "base/files/file_util.h"
#include "base/logging.h"

namespace {

constexpr char kMagic[] = "TRV";
constexpr uint64_t kMagicSize = 3;
constexpr uint64_t kLengthSize = 4;
constexpr uint8_t k7zSignature[] = {0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C};

constexpr uint16_t kDosSignature = 0x5A4D;  // "MZ"
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint64_t kLfanewOffset = 0x3C;
constexpr uint64_t kMachineOffset = 4;  // From the PE signature.
constexpr uint16_t kMachineI386 = 0x14C;
// The COFF file header, from the PE signature.
constexpr uint64_t kSectionCountOffset = 6;
constexpr uint64_t kSymbolTableOffset = 12;
constexpr uint64_t kSymbolCountOffset = 16;
constexpr uint64_t kOptionalHeaderSizeOffset = 20;
constexpr uint64_t kOptionalHeaderStart = 24;
// SizeOfHeaders, from the optional header (PE32 and PE32+ alike).
constexpr uint64_t kSizeOfHeadersOffset = 60;
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint64_t kRawDataSizeOffset = 16;  // From a section header.
constexpr uint64_t kRawDataOffset = 20;
constexpr uint64_t kSymbolSize = 18;
// Signing tools start the certificate table on an 8-byte boundary and pad
// with zeros up to it.
constexpr uint64_t kMaxTablePadding = 7;
// Data directory 4 (security), from the PE signature.
constexpr uint64_t kSecurityDirectoryI386 = 0x98;
constexpr uint64_t kSecurityDirectoryOther = 0xA8;

template <typename T>
bool ReadAt(const base::MemoryMappedFile& file, uint64_t offset, T* value) {
  if (offset > file.length() || file.length() - offset < sizeof(T))
    return false;
  memcpy(value, file.data() + offset, sizeof(T));
  return true;
}

// Whether [begin, end) holds anything but the padding a signing tool adds.
bool HoldsData(const base::MemoryMappedFile& file, uint64_t begin, uint64_t end) {
  if (end <= begin)
    return false;
  if (end - begin > kMaxTablePadding)
    return true;
  for (uint64_t i = begin; i < end; ++i) {
    if (file.data()[i] != 0)
      return true;
  }
  return false;
}

}  // namespace

PayloadManagerImpl::PayloadManagerImpl(const base::FilePath& executable)
    : executable_(executable) {
  type_ = ReadPayload();
}

PayloadManagerImpl::~PayloadManagerImpl() = default;

bool PayloadManagerImpl::ReadSecurityDirectory(SecurityDirectory* directory) const {
  uint16_t dos_signature = 0;
  uint32_t pe_offset = 0;
  uint32_t pe_signature = 0;
  uint16_t machine = 0;
  if (!ReadAt(file_, 0, &dos_signature) || dos_signature != kDosSignature ||
      !ReadAt(file_, kLfanewOffset, &pe_offset) || !ReadAt(file_, pe_offset, &pe_signature) ||
      pe_signature != kPeSignature || !ReadAt(file_, pe_offset + kMachineOffset, &machine)) {
    return false;
  }
  const uint64_t entry =
      pe_offset + (machine == kMachineI386 ? kSecurityDirectoryI386 : kSecurityDirectoryOther);
  return ReadAt(file_, entry, &directory->offset) &&
         ReadAt(file_, entry + sizeof(uint32_t), &directory->size);
}

// The end of the headers, of every section's raw data and of the COFF
// symbol table with its string table: everything the image itself holds.
bool PayloadManagerImpl::ReadImageEnd(uint64_t* end) const {
  uint32_t pe_offset = 0;
  uint16_t sections = 0;
  uint16_t optional_size = 0;
  uint32_t symbol_table = 0;
  uint32_t symbols = 0;
  if (!ReadAt(file_, kLfanewOffset, &pe_offset) ||
      !ReadAt(file_, pe_offset + kSectionCountOffset, &sections) ||
      !ReadAt(file_, pe_offset + kOptionalHeaderSizeOffset, &optional_size) ||
      !ReadAt(file_, pe_offset + kSymbolTableOffset, &symbol_table) ||
      !ReadAt(file_, pe_offset + kSymbolCountOffset, &symbols)) {
    return false;
  }
  const uint64_t optional_header = uint64_t{pe_offset} + kOptionalHeaderStart;
  const uint64_t section_table = optional_header + optional_size;
  *end = section_table + kSectionHeaderSize * sections;
  uint32_t headers_size = 0;
  if (optional_size >= kSizeOfHeadersOffset + sizeof(headers_size) &&
      ReadAt(file_, optional_header + kSizeOfHeadersOffset, &headers_size)) {
    *end = std::max<uint64_t>(*end, headers_size);
  }
  for (uint64_t i = 0; i < sections; ++i) {
    uint32_t raw_size = 0;
    uint32_t raw_offset = 0;
    const uint64_t header = section_table + i * kSectionHeaderSize;
    if (!ReadAt(file_, header + kRawDataSizeOffset, &raw_size) ||
        !ReadAt(file_, header + kRawDataOffset, &raw_offset)) {
      return false;
    }
    if (raw_size != 0)
      *end = std::max<uint64_t>(*end, uint64_t{raw_offset} + raw_size);
  }
  if (symbol_table != 0) {
    const uint64_t strings = uint64_t{symbol_table} + kSymbolSize * symbols;
    uint32_t strings_size = 0;
    // The string table starts with its own size, that field included.
    *end = std::max(*end, strings + (ReadAt(file_, strings, &strings_size)
                                         ? std::max<uint64_t>(strings_size, sizeof(uint32_t))
                                         : 0));
  }
  return true;
}

PayloadType PayloadManagerImpl::ReadPayload() {
  LOG(INFO) << "Reading Payload";
  if (!file_.Initialize(executable_) || file_.length() == 0) {
    LOG(ERROR) << "Could not initialize memory mapped file";
    return PAYLOAD_TYPE_NONE;
  }
  SecurityDirectory security;
  if (!ReadSecurityDirectory(&security))
    return PAYLOAD_TYPE_CORRUPTED;
  const bool is_signed = security.size != 0;
  const uint64_t length = file_.length();
  if (security.offset > length || (is_signed && length - security.offset < security.size)) {
    LOG(ERROR) << "Security directory is located past the image file length";
    return PAYLOAD_TYPE_CORRUPTED;
  }
  uint64_t image_end = 0;
  if (!ReadImageEnd(&image_end) || image_end > length) {
    LOG(ERROR) << "The executable's image is cut short";
    return PAYLOAD_TYPE_CORRUPTED;
  }
  bool at_end = TryPayloadEndingAt(length - kLengthSize, image_end);
  // A table too close to the start leaves no room for a payload before it.
  if (!at_end &&
      !(is_signed && security.offset >= kMagicSize + kLengthSize &&
        TryPayloadEndingAt(security.offset - kLengthSize, image_end))) {
    // Whatever follows the image was put there as a payload: cut short or
    // damaged, it must not turn the installer into another kind of one.
    if (HoldsDataAfterImage(image_end, security)) {
      LOG(ERROR) << "The data after the executable's image is no valid payload";
      return PAYLOAD_TYPE_CORRUPTED;
    }
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

bool PayloadManagerImpl::HoldsDataAfterImage(uint64_t image_end,
                                             const SecurityDirectory& security) const {
  const uint64_t length = file_.length();
  if (security.size == 0)
    return HoldsData(file_, image_end, length);
  const uint64_t table_end = uint64_t{security.offset} + security.size;
  return HoldsData(file_, image_end, security.offset) ||
         HoldsData(file_, std::max(image_end, table_end), length);
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
