#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_SERVER_TRACKING_BLOB_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_SERVER_TRACKING_BLOB_H_

#include <memory>
#include <string>

namespace base {
class DictionaryValue;
}

// The tracking-data dictionary (campaign keys, uuid and the like) and its
// serialised form, which travels between the installer's processes and in
// request bodies: base64 of "<sha256 hex>:<json>", padded with blanks to a
// multiple of 8.
class ServerTrackingBlob {
 public:
  ServerTrackingBlob();
  virtual ~ServerTrackingBlob();
  ServerTrackingBlob(const ServerTrackingBlob&) = delete;
  ServerTrackingBlob& operator=(const ServerTrackingBlob&) = delete;

  // Whether anything was received; values set by the program do not count.
  virtual bool HasData() const;
  virtual bool Parse(const std::string& text);
  virtual std::string Serialize() const;
  // Keys are flat: "utm.medium" is one key.
  virtual void Set(const std::string& key, const std::string& value);
  // Set values first, then received ones; false when missing or not a string.
  virtual bool Get(const std::string& key, std::string* value) const;

 private:
  std::unique_ptr<base::DictionaryValue> received_;
  std::unique_ptr<base::DictionaryValue> set_values_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_SERVER_TRACKING_BLOB_H_
