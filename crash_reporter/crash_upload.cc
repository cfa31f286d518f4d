#include "crash_reporter/crash_upload.h"

#include <windows.h>

#include <memory>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "crash_reporter/crash_environment.h"
#include "crash_reporter/crash_product_values.h"
#include "crash_reporter/http_transport.h"
#include "crash_reporter/multipart_body.h"
#include "crash_reporter/pending_work.h"

namespace crash_reporter {
namespace {

constexpr char kDumpPartName[] = "upload_file_minidump";
constexpr char kDumpContentType[] = "application/octet-stream";
constexpr int kHttpOk = 200;

std::wstring* g_url_for_testing = nullptr;

struct QueuedUpload {
  UploadTask task;
  PendingWork* pending;
};

DWORD WINAPI RunQueuedUpload(void* param) {
  std::unique_ptr<QueuedUpload> upload(static_cast<QueuedUpload*>(param));
  UploadCrashDump(upload->task);
  PendingWork* pending = upload->pending;
  upload.reset();
  pending->Release();
  return 0;
}

bool PostDump(const UploadTask& task) {
  std::string dump;
  if (!base::ReadFileToString(task.dump_path, &dump)) {
    LOG(ERROR) << "Cannot read the dump " << task.dump_path.value();
    return false;
  }
  MultipartBody body(MakeMultipartBoundary(dump));
  for (const auto& [key, value] : task.parameters)
    body.AddField(base::WideToUTF8(key), base::WideToUTF8(value));
  body.AddFile(kDumpPartName, base::WideToUTF8(task.dump_path.BaseName().value()),
               kDumpContentType, dump);

  HttpRequest request;
  request.url = GetCrashServerUrl();
  request.headers = L"Content-Type: " + base::UTF8ToWide(body.GetContentType()) + L"\r\n";
  request.body = body.Finish();
  if (task.gzip) {
    std::string compressed;
    if (!GzipCompress(request.body, &compressed))
      return false;
    request.body.swap(compressed);
    request.headers += L"Content-Encoding: gzip\r\n";
  }
  int status = 0;
  if (!ExecuteHttpRequest(request, &status))
    return false;
  // Anything but 200 (a server error, a redirect, a refusal) is no upload.
  if (status != kHttpOk) {
    LOG(ERROR) << "Crash server answered " << status;
    return false;
  }
  LOG(INFO) << "Uploaded " << task.dump_path.value();
  return true;
}

struct ThreadUpload {
  const UploadTask* task;
  bool uploaded = false;
};

DWORD WINAPI RunThreadUpload(void* param) {
  auto* upload = static_cast<ThreadUpload*>(param);
  upload->uploaded = UploadCrashDump(*upload->task);
  return 0;
}

}  // namespace

bool UploadCrashDumpOnOwnThread(const UploadTask& task) {
  ThreadUpload upload{&task};
  HANDLE thread = CreateThread(nullptr, 0, &RunThreadUpload, &upload, 0, nullptr);
  if (!thread) {
    PLOG(ERROR) << "Cannot start the upload thread";
    if (task.delete_dump)
      base::DeleteFile(task.dump_path, /*recursive=*/false);
    return false;
  }
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return upload.uploaded;
}

bool UploadCrashDump(const UploadTask& task) {
  bool uploaded = PostDump(task);
  if (task.delete_dump)
    base::DeleteFile(task.dump_path, /*recursive=*/false);
  return uploaded;
}

bool QueueCrashUpload(const base::FilePath& dump_path, const CrashParameters& parameters,
                      bool delete_dump, PendingWork* pending) {
  auto upload = std::make_unique<QueuedUpload>();
  upload->task = {parameters, dump_path, /*gzip=*/true, delete_dump};
  upload->pending = pending;
  pending->Add();
  if (QueueUserWorkItem(&RunQueuedUpload, upload.get(), WT_EXECUTELONGFUNCTION)) {
    upload.release();
    return true;
  }
  PLOG(ERROR) << "Cannot queue the upload";
  if (delete_dump)
    base::DeleteFile(dump_path, /*recursive=*/false);
  pending->Release();
  return false;
}

bool UploadCrashDumpSync(const base::FilePath& dump_path, const CrashParameters& parameters,
                         bool gzip) {
  return UploadCrashDump({parameters, dump_path, gzip, /*delete_dump=*/false});
}

std::wstring GetCrashServerUrl() {
  if (g_url_for_testing)
    return *g_url_for_testing;
  static const std::wstring url = [] {
    std::string alternative = GetEnvironmentValue(kAlternativeCrashServerVariable);
    return base::UTF8ToWide(alternative.empty() ? GetCrashProductValues().crash_server_url
                                                : alternative);
  }();
  return url;
}

void SetCrashServerUrlForTesting(const std::wstring& url) {
  delete g_url_for_testing;
  g_url_for_testing = url.empty() ? nullptr : new std::wstring(url);
}

}  // namespace crash_reporter
