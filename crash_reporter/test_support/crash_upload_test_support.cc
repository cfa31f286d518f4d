#include "crash_reporter/test_support/crash_upload_test_support.h"

#include <zlib.h>

#include "base/strings/utf_string_conversions.h"
#include "crash_reporter/crash_product_values.h"

namespace crash_reporter {

void SetTestCrashProductValues() {
  CrashProductValues values;
  values.product_name = "Tarvo";
  values.upload_product_name = "TarvoInstaller";
  values.version = "51.0.2802.0";
  values.channel_name = "developer";
  values.channel = 2;
  values.build_timestamp = "20171210_190013";
  values.build_number = 931610;
  values.build_revision = 317950;
  values.company_name = "TarvoCrashTest";
  values.crash_server_url = "http://127.0.0.1:1/none";
  SetCrashProductValues(values);
}

bool StartCrashServer(LoopbackHttpServer* server, int status) {
  server->SetDefaultAction(LoopbackHttpServer::Status(status));
  return server->Start();
}

std::wstring CrashServerUrl(const LoopbackHttpServer& server) {
  return base::ASCIIToWide(server.Url("/submit", "127.0.0.1"));
}

std::string Gunzip(const std::string& data) {
  z_stream stream = {};
  if (inflateInit2(&stream, 15 + 16) != Z_OK)
    return std::string();
  std::string out;
  char buffer[65536];
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  int result = Z_OK;
  while (result == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof(buffer);
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, sizeof(buffer) - stream.avail_out);
  }
  inflateEnd(&stream);
  return result == Z_STREAM_END ? out : std::string();
}

}  // namespace crash_reporter
