#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_MANAGER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_MANAGER_IMPL_H_

#include <cstdint>
#include <string>

#include "base/files/file_path.h"
#include "base/files/memory_mapped_file.h"
#include "desktop/windows/installer/package_fetcher/payload_manager.h"

// Reads the tail of an installer executable:
//   "TRV", the payload (L bytes), L (int32, little-endian)
// ending at the end of the file or, in a signed file, right before the
// certificate table. Every header field read from the file is checked
// against its length first. A tail that is no valid payload (bytes some tool
// appended, a payload cut short) is no payload: the installer then runs as
// a plain one. Only unreadable headers or a certificate table past the end
// make the file "corrupted".
class PayloadManagerImpl : public PayloadManager {
 public:
  explicit PayloadManagerImpl(const base::FilePath& executable);
  ~PayloadManagerImpl() override;
  PayloadManagerImpl(const PayloadManagerImpl&) = delete;
  PayloadManagerImpl& operator=(const PayloadManagerImpl&) = delete;

  // PayloadManager.
  PayloadType GetPayloadType() const override;
  std::string GetPayload() const override;
  bool WritePayloadToFile(const base::FilePath& path) const override;
  void SetExternalTrackingData(const std::string& data) override;
  std::string_view GetFullPackage() const override;

 private:
  PayloadType ReadPayload();
  // Looks for a payload whose length field starts at `pos` and whose magic
  // lies at or after `image_end`.
  bool TryPayloadEndingAt(uint64_t pos, uint64_t image_end);
  bool StartsWith7zSignature() const;

  const base::FilePath executable_;
  base::MemoryMappedFile file_;
  std::string external_tracking_data_;
  int64_t payload_length_ = 0;
  uint64_t payload_offset_ = 0;
  PayloadType type_ = PAYLOAD_TYPE_NONE;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_MANAGER_IMPL_H_
