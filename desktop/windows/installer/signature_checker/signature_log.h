#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNATURE_LOG_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNATURE_LOG_H_

#include <cstdint>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

// Where the signer check explains its decision.
class SignatureLog {
 public:
  virtual ~SignatureLog() = default;
  // Starts a line of nesting `level` ("Level 1: ") and returns the stream
  // that the rest of the line goes to.
  virtual std::ostream& BeginLevel(uint32_t level) = 0;
  virtual void Write(std::string_view text) = 0;
  // Whether the text is kept; costly explanations are skipped otherwise.
  virtual bool IsCollecting() const = 0;
  virtual std::string GetText() const = 0;

  // A log that keeps the text, or one that drops it.
  static std::unique_ptr<SignatureLog> Create(bool collecting);
};

class CollectingSignatureLog : public SignatureLog {
 public:
  std::ostream& BeginLevel(uint32_t level) override;
  void Write(std::string_view text) override;
  bool IsCollecting() const override;
  std::string GetText() const override;

 private:
  std::ostringstream text_;
};

class DiscardingSignatureLog : public SignatureLog {
 public:
  DiscardingSignatureLog();
  std::ostream& BeginLevel(uint32_t level) override;
  void Write(std::string_view text) override;
  bool IsCollecting() const override;
  std::string GetText() const override;

 private:
  // A stream without a buffer drops what is written to it.
  std::ostream sink_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNATURE_LOG_H_
