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
// against its length first. Anything after the PE image that is no valid
// payload makes the file "corrupted": a cut or damaged payload never passes
// for none.
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
  struct SecurityDirectory {
    uint32_t offset = 0;
    uint32_t size = 0;
  };

  PayloadType ReadPayload();
  // Whether anything but a signing tool's padding follows the image,
  // before or after the certificate table.
  bool HoldsDataAfterImage(uint64_t image_end, const SecurityDirectory& security) const;
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
