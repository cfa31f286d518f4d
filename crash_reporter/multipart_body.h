#ifndef CRASH_REPORTER_MULTIPART_BODY_H_
#define CRASH_REPORTER_MULTIPART_BODY_H_

#include <string>

namespace crash_reporter {

// A multipart/form-data body of text fields and one file part.
class MultipartBody {
 public:
  explicit MultipartBody(const std::string& boundary);

  // UTF-8 name and value.
  void AddField(const std::string& name, const std::string& value);
  void AddFile(const std::string& name, const std::string& file_name,
               const std::string& content_type, const std::string& data);
  // The body with its closing boundary.
  std::string Finish() const;
  std::string GetContentType() const;

 private:
  void AddPartHeader(const std::string& disposition, const std::string& content_type);

  const std::string boundary_;
  std::string body_;
};

// A boundary that does not occur in `data`, from random bytes.
std::string MakeMultipartBoundary(const std::string& data);

// The gzip stream of `data`; false when zlib fails.
bool GzipCompress(const std::string& data, std::string* compressed);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_MULTIPART_BODY_H_
