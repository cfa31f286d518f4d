#include "crash_reporter/multipart_body.h"

#include <zlib.h>

#include "base/rand_util.h"
#include "base/strings/stringprintf.h"

namespace crash_reporter {
namespace {

constexpr int kGzipWindowBits = 15 + 16;  // deflate with a gzip wrapper
constexpr int kMemoryLevel = 8;

// Quotes a form name; quotes and line breaks cannot occur in it.
std::string QuoteName(const std::string& name) {
  std::string quoted;
  for (char c : name) {
    if (c == '"')
      quoted += "%22";
    else if (c == '\r')
      quoted += "%0D";
    else if (c == '\n')
      quoted += "%0A";
    else
      quoted += c;
  }
  return "\"" + quoted + "\"";
}

}  // namespace

MultipartBody::MultipartBody(const std::string& boundary) : boundary_(boundary) {}

void MultipartBody::AddPartHeader(const std::string& disposition,
                                  const std::string& content_type) {
  body_ += "--" + boundary_ + "\r\nContent-Disposition: form-data; " + disposition + "\r\n";
  if (!content_type.empty())
    body_ += "Content-Type: " + content_type + "\r\n";
  body_ += "\r\n";
}

void MultipartBody::AddField(const std::string& name, const std::string& value) {
  AddPartHeader("name=" + QuoteName(name), std::string());
  body_ += value + "\r\n";
}

void MultipartBody::AddFile(const std::string& name, const std::string& file_name,
                            const std::string& content_type, const std::string& data) {
  AddPartHeader("name=" + QuoteName(name) + "; filename=" + QuoteName(file_name), content_type);
  body_ += data + "\r\n";
}

std::string MultipartBody::Finish() const {
  return body_ + "--" + boundary_ + "--\r\n";
}

std::string MultipartBody::GetContentType() const {
  return "multipart/form-data; boundary=" + boundary_;
}

std::string MakeMultipartBoundary(const std::string& data) {
  while (true) {
    std::string boundary = base::StringPrintf(
        "---MultipartBoundary-%016llx%016llx---",
        static_cast<unsigned long long>(base::RandUint64()),
        static_cast<unsigned long long>(base::RandUint64()));
    if (data.find(boundary) == std::string::npos)
      return boundary;
  }
}

bool GzipCompress(const std::string& data, std::string* compressed) {
  z_stream stream = {};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindowBits, kMemoryLevel,
                   Z_DEFAULT_STRATEGY) != Z_OK) {
    return false;
  }
  compressed->resize(deflateBound(&stream, data.size()) + 32);
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(compressed->data());
  stream.avail_out = static_cast<uInt>(compressed->size());
  int result = deflate(&stream, Z_FINISH);
  compressed->resize(stream.total_out);
  deflateEnd(&stream);
  return result == Z_STREAM_END;
}

}  // namespace crash_reporter
