#include "crash_reporter/crash_upload.h"

#include <atomic>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "crash_reporter/multipart_body.h"
#include "crash_reporter/test_support/crash_upload_test_support.h"
#include "base/logging.h"
#include "gtest/gtest.h"

namespace crash_reporter {
namespace {

constexpr base::TimeDelta kWait = base::TimeDelta::FromSeconds(20);

TEST(MultipartBodyTest, FieldsFileAndGzip) {
  MultipartBody body("BOUNDARY");
  body.AddField("prod", "Tarvo");
  body.AddField("odd\"name", "v");
  body.AddFile("upload_file_minidump", "a.dmp", "application/octet-stream", std::string("M\0D", 3));
  std::string text = body.Finish();
  EXPECT_EQ(std::string("--BOUNDARY\r\nContent-Disposition: form-data; name=\"prod\"\r\n\r\n"
                        "Tarvo\r\n"
                        "--BOUNDARY\r\nContent-Disposition: form-data; name=\"odd%22name\"\r\n\r\n"
                        "v\r\n"
                        "--BOUNDARY\r\nContent-Disposition: form-data; "
                        "name=\"upload_file_minidump\"; filename=\"a.dmp\"\r\n"
                        "Content-Type: application/octet-stream\r\n\r\nM\0D\r\n"
                        "--BOUNDARY--\r\n",
                        text.size()),
            text);
  EXPECT_EQ("multipart/form-data; boundary=BOUNDARY", body.GetContentType());
  std::string compressed;
  ASSERT_TRUE(GzipCompress(text, &compressed));
  EXPECT_EQ(text, Gunzip(compressed));
  EXPECT_EQ(std::string::npos, MakeMultipartBoundary(text).find("BOUNDARY\r"));
}

class CrashUploadTest : public testing::Test {
 protected:
  void SetUp() override {
    SetTestCrashProductValues();
    ASSERT_TRUE(scratch_.CreateUniqueTempDir());
    dump_ = scratch_.GetPath().Append(L"tarvo-crashlog-1-1.dmp");
    ASSERT_TRUE(base::WriteFile(dump_, std::string("MDMP\0dump", 9)));
  }

  void TearDown() override { SetCrashServerUrlForTesting(std::wstring()); }

  bool Upload(LoopbackHttpServer* server, bool gzip, bool delete_dump) {
    SetCrashServerUrlForTesting(CrashServerUrl(*server));
    return UploadCrashDump(
        {{{L"prod", L"TarvoInstaller"}, {L"ptype", L"installer"}}, dump_, gzip, delete_dump});
  }

  base::ScopedTempDir scratch_;
  base::FilePath dump_;
};

TEST_F(CrashUploadTest, GzipMultipartPostSucceedsOnlyWithOk) {
  LoopbackHttpServer ok;
  ASSERT_TRUE(StartCrashServer(&ok, 200));
  EXPECT_TRUE(Upload(&ok, /*gzip=*/true, /*delete_dump=*/false));
  ok.WaitForRequests(1, kWait);
  std::vector<LoopbackHttpServer::Request> requests = ok.requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ(0u, requests[0].headers.find("POST /submit HTTP/1.1"));
  EXPECT_NE(std::string::npos, requests[0].headers.find("Content-Encoding: gzip"));
  EXPECT_NE(std::string::npos, requests[0].headers.find("multipart/form-data; boundary="));
  std::string body = Gunzip(requests[0].body);
  EXPECT_NE(std::string::npos, body.find("name=\"ptype\"\r\n\r\ninstaller\r\n"));
  EXPECT_NE(std::string::npos,
            body.find("name=\"upload_file_minidump\"; filename=\"tarvo-crashlog-1-1.dmp\""));
  EXPECT_NE(std::string::npos, body.find(std::string("MDMP\0dump", 9)));
  EXPECT_TRUE(base::PathExists(dump_));

  // A server error is no upload; the dump still goes when asked.
  LoopbackHttpServer failing;
  ASSERT_TRUE(StartCrashServer(&failing, 500));
  EXPECT_FALSE(Upload(&failing, /*gzip=*/false, /*delete_dump=*/true));
  failing.WaitForRequests(1, kWait);
  requests = failing.requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ(std::string::npos, requests[0].headers.find("Content-Encoding"));
  EXPECT_NE(std::string::npos, requests[0].body.find("name=\"prod\"\r\n\r\nTarvoInstaller"));
  EXPECT_FALSE(base::PathExists(dump_));
}

// The thread whose log line reported the upload.
std::atomic<DWORD> g_uploading_thread{0};
bool RecordUploadingThread(int, const char*, int, size_t message_start, const std::string& line) {
  if (line.compare(message_start, 9, "Uploaded ") == 0)
    g_uploading_thread = GetCurrentThreadId();
  return false;
}

// The upload of a crashed reporter runs on a thread of its own, which the
// caller waits for.
TEST_F(CrashUploadTest, OwnThreadUploadRunsOffTheCallersThread) {
  LoopbackHttpServer ok;
  ASSERT_TRUE(StartCrashServer(&ok, 200));
  SetCrashServerUrlForTesting(CrashServerUrl(ok));
  logging::LogMessageHandlerFunction previous = logging::GetLogMessageHandler();
  logging::SetLogMessageHandler(&RecordUploadingThread);
  g_uploading_thread = 0;
  const bool uploaded =
      UploadCrashDumpOnOwnThread({{{L"ptype", L"crash_reporter"}}, dump_, /*gzip=*/false,
                                  /*delete_dump=*/true});
  logging::SetLogMessageHandler(previous);
  EXPECT_TRUE(uploaded);
  EXPECT_NE(0u, g_uploading_thread.load());
  EXPECT_NE(GetCurrentThreadId(), g_uploading_thread.load());
  ok.WaitForRequests(1, kWait);
  EXPECT_EQ(1u, ok.request_count());
  EXPECT_FALSE(base::PathExists(dump_));
}

TEST_F(CrashUploadTest, NoServerMeansNoUpload) {
  // Nothing listens on port 1 of the loopback address.
  SetCrashServerUrlForTesting(L"http://127.0.0.1:1/submit");
  EXPECT_FALSE(UploadCrashDump({{}, dump_, true, /*delete_dump=*/false}));
  EXPECT_TRUE(base::PathExists(dump_));
  SetCrashServerUrlForTesting(L"not a url");
  EXPECT_FALSE(UploadCrashDump({{}, dump_, true, /*delete_dump=*/true}));
  EXPECT_FALSE(base::PathExists(dump_));
}

}  // namespace
}  // namespace crash_reporter
