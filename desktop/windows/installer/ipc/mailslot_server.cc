#include "desktop/windows/installer/ipc/mailslot_server.h"

#include "base/logging.h"
#include "base/win/kernel_object_security.h"

MailslotServer::MailslotServer() = default;

MailslotServer::~MailslotServer() {
  if (handle_ != INVALID_HANDLE_VALUE)
    CloseHandle(handle_);
}

bool MailslotServer::Create(const std::wstring& full_name, size_t max_message_size,
                            base::TimeDelta read_limit) {
  DCHECK_EQ(INVALID_HANDLE_VALUE, handle_);
  KernelObjectSecurity security;
  SECURITY_ATTRIBUTES* attributes = security.Get(/*inheritable=*/false);
  // Never a mailslot open to everyone.
  if (!attributes) {
    SetLastError(ERROR_INVALID_SECURITY_DESCR);
    return false;
  }
  handle_ = CreateMailslotW(full_name.c_str(), static_cast<DWORD>(max_message_size),
                            static_cast<DWORD>(read_limit.InMilliseconds()), attributes);
  if (handle_ == INVALID_HANDLE_VALUE)
    return false;
  buffer_.resize(max_message_size);
  return true;
}

MailslotServer::ReadResult MailslotServer::Read(std::vector<char>* message) {
  DWORD bytes = 0;
  if (!ReadFile(handle_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &bytes, nullptr)) {
    DWORD error = GetLastError();
    // Wine fails the read of a zero-length message with ERROR_BROKEN_PIPE.
    if (error == ERROR_SEM_TIMEOUT || (error == ERROR_BROKEN_PIPE && bytes == 0))
      return ReadResult::kNothing;
    SetLastError(error);
    return ReadResult::kError;
  }
  if (bytes == 0)
    return ReadResult::kNothing;
  message->assign(buffer_.data(), buffer_.data() + bytes);
  return ReadResult::kMessage;
}

// static
void MailslotServer::WakeReader(const std::wstring& full_name) {
  HANDLE client = CreateFileW(full_name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (client == INVALID_HANDLE_VALUE)
    return;  // The reader's time limit ends its wait instead.
  DWORD written = 0;
  WriteFile(client, "", 0, &written, nullptr);
  CloseHandle(client);
}
