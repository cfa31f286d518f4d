#include "testing/fuzz/fuzz_mutator.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include <nlohmann/json.hpp>

namespace fuzz {
namespace {

constexpr uint64_t kBoundaries[] = {
    0, 1, 2, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000, 0xFFFF, 0x10000,
    0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x100000000ull, 0x7FFFFFFFFFFFFFFFull,
    0x8000000000000000ull, 0xFFFFFFFFFFFFFFFFull, 0xFFFFFFFE, 0x3FFFFFFF, 1024, 4096, 65535};

uint64_t BoundaryValue(Rng* rng, size_t data_size) {
  switch (rng->Below(4)) {
    case 0:
      return data_size + rng->Below(3) - 1;  // lengths one off the real one
    case 1:
      return static_cast<uint64_t>(-static_cast<int64_t>(rng->Below(4) + 1));
    default:
      return kBoundaries[rng->Below(std::size(kBoundaries))];
  }
}

void WriteInteger(std::string* data, size_t at, uint64_t value, size_t width, bool big_endian) {
  for (size_t i = 0; i < width && at + i < data->size(); ++i) {
    const size_t shift = 8 * (big_endian ? width - 1 - i : i);
    (*data)[at + i] = static_cast<char>((value >> shift) & 0xFF);
  }
}

const char* const kHostileStrings[] = {
    "", "..", "..\\..\\x", "../../x", "C:\\Windows\\x", "\\\\?\\C:\\x", "\\\\server\\share\\x",
    "a\\..\\..\\b", "CON", "nul.txt", "x:y", "\xC3\xA9", "\xFF\xFE", "\xED\xA0\x80", "%s%n%x",
    "\x01\x02", "a\0b", "HKLM", "SC_DEST_COMMON_DESKTOP", "-1", "1e400", "9223372036854775808",
    "true", "null", "REG_DWORD", "REG_SZ", "REG_BINARY", "&amp;", "]]>", "name-0", "name-1024"};

std::string HostileString(Rng* rng) {
  if (rng->OneIn(6))
    return std::string(rng->Below(70000) + 1, static_cast<char>('A' + rng->Below(26)));
  return kHostileStrings[rng->Below(std::size(kHostileStrings))];
}

void InsertBytes(std::string* data, Rng* rng) {
  const size_t at = rng->Below(data->size() + 1);
  const size_t count = rng->OneIn(8) ? rng->Below(4096) + 1 : rng->Below(8) + 1;
  const char fill = rng->OneIn(2) ? static_cast<char>(rng->Next()) : 0;
  std::string bytes(count, fill);
  if (rng->OneIn(2)) {
    for (char& c : bytes)
      c = static_cast<char>(rng->Next());
  }
  data->insert(at, bytes);
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i)
    crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void MutateBytes(std::string* data, const std::vector<std::string>& corpus, Rng* rng) {
  const size_t size = data->size();
  switch (rng->Below(8)) {
    case 0:  // bit flip
      if (size)
        (*data)[rng->Below(size)] ^= static_cast<char>(1 << rng->Below(8));
      break;
    case 1:  // random byte
      if (size)
        (*data)[rng->Below(size)] = static_cast<char>(rng->Next());
      break;
    case 2:
      InsertBytes(data, rng);
      break;
    case 3:  // deletion
      if (size) {
        const size_t at = rng->Below(size);
        data->erase(at, rng->Below(std::min<size_t>(size - at, rng->OneIn(4) ? size : 16)) + 1);
      }
      break;
    case 4:  // a range copied elsewhere
      if (size) {
        const size_t from = rng->Below(size);
        const std::string piece = data->substr(from, rng->Below(std::min<size_t>(size - from, 256)) + 1);
        data->insert(rng->Below(size + 1), piece);
      }
      break;
    case 5:  // boundary integer
    case 6: {
      if (!size)
        break;
      static constexpr size_t kWidths[] = {1, 2, 4, 8};
      const size_t width = kWidths[rng->Below(4)];
      WriteInteger(data, rng->Below(size), BoundaryValue(rng, size), width, rng->OneIn(4));
      break;
    }
    case 7: {  // splice: our head, another entry's tail
      if (corpus.empty())
        break;
      const std::string& other = corpus[rng->Below(corpus.size())];
      const size_t cut = rng->Below(size + 1);
      const size_t other_cut = rng->Below(other.size() + 1);
      *data = data->substr(0, cut) + other.substr(other_cut);
      break;
    }
  }
  if (data->size() > kMaxInputSize)
    data->resize(kMaxInputSize);
}

namespace {

using Json = nlohmann::json;

// A random node of |root|, by a walk down from the root.
Json* PickNode(Json* root, Rng* rng) {
  Json* node = root;
  while ((node->is_object() || node->is_array()) && !node->empty() && !rng->OneIn(3)) {
    auto it = node->begin();
    std::advance(it, rng->Below(node->size()));
    node = &*it;
  }
  return node;
}

Json HostileJsonValue(Rng* rng) {
  switch (rng->Below(10)) {
    case 0: return nullptr;
    case 1: return rng->OneIn(2);
    case 2: return static_cast<int64_t>(BoundaryValue(rng, 0));
    case 3: return BoundaryValue(rng, 0);
    case 4: return rng->OneIn(2) ? -0.0 : 1e300;
    case 5: return Json::array();
    case 6: return Json::object();
    case 7: {
      Json deep = Json::array();
      for (size_t i = rng->Below(3000); i > 0; --i)
        deep = Json::array({std::move(deep)});
      return deep;
    }
    default: return HostileString(rng);
  }
}

}  // namespace

bool MutateJson(std::string* data, Rng* rng) {
  Json root = Json::parse(*data, nullptr, /*allow_exceptions=*/false);
  if (root.is_discarded())
    return false;
  Json* node = PickNode(&root, rng);
  switch (rng->Below(4)) {
    case 0:
      *node = HostileJsonValue(rng);
      break;
    case 1:  // a member removed, or an element
      if (node->is_object() && !node->empty()) {
        auto it = node->begin();
        std::advance(it, rng->Below(node->size()));
        node->erase(it);
      } else if (node->is_array() && !node->empty()) {
        node->erase(node->begin() + rng->Below(node->size()));
      } else {
        *node = HostileJsonValue(rng);
      }
      break;
    case 2:  // a member added, or an element
      if (node->is_object())
        (*node)[HostileString(rng).substr(0, 64)] = HostileJsonValue(rng);
      else if (node->is_array())
        node->push_back(node->empty() ? HostileJsonValue(rng) : (*node)[0]);
      else
        *node = Json::array({*node});
      break;
    case 3:  // the same value once more, wrapped
      *node = rng->OneIn(2) ? Json::array({*node, *node}) : Json::object({{"k", *node}});
      break;
  }
  std::string text = root.dump(-1, ' ', /*ensure_ascii=*/false, Json::error_handler_t::replace);
  if (rng->OneIn(8) && text.size() > 1) {  // duplicate keys the tree cannot hold
    const size_t brace = text.find("{\"", 1);
    if (brace != std::string::npos)
      text.insert(brace + 1, "\"version\":[1],");
  }
  *data = text.substr(0, kMaxInputSize);
  return true;
}

namespace {

std::vector<size_t> Positions(const std::string& data, char c) {
  std::vector<size_t> result;
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] == c)
      result.push_back(i);
  }
  return result;
}

const char* const kXmlPieces[] = {
    "<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///C:/windows/win.ini\">]>", "&e;", "&#0;", "&#x1F;",
    "&amp;", "&lt;", "&unknown;", "<![CDATA[x]]>", "<?pi x?>", "<!-- c -->", "</path>",
    "<file/>", "<file></file>", "<key path=\"\" clean=\"99999999999\"/>",
    "<registry hive=\"HKCR\">", "<value name=\"a\" type=\"REG_DWORD\">zz</value>",
    "<component><name/><path/></component>", "xmlns:x=\"u\"", " a=\"1\" a=\"2\"", "\xEF\xBB\xBF",
    "<?xml version=\"1.0\" encoding=\"UTF-16\"?>"};

}  // namespace

bool MutateXml(std::string* data, Rng* rng) {
  const std::vector<size_t> opens = Positions(*data, '<');
  if (opens.empty())
    return false;
  const size_t a = opens[rng->Below(opens.size())];
  const size_t b = opens[rng->Below(opens.size())];
  const size_t from = std::min(a, b), to = std::max(a, b);
  switch (rng->Below(6)) {
    case 0:  // a span between two tags moved elsewhere, or copied
      if (to > from) {
        const std::string span = data->substr(from, to - from);
        if (rng->OneIn(2))
          data->erase(from, to - from);
        const std::vector<size_t> now = Positions(*data, '<');
        data->insert(now.empty() ? 0 : now[rng->Below(now.size())], span);
      }
      break;
    case 1:  // a span deleted
      data->erase(from, to - from);
      break;
    case 2: {  // an attribute value or a text rewritten
      const std::vector<size_t> quotes = Positions(*data, '"');
      const std::vector<size_t> closes = Positions(*data, '>');
      const bool attribute = !quotes.empty() && rng->OneIn(2);
      const std::vector<size_t>& marks = attribute ? quotes : closes;
      if (marks.empty())
        break;
      const size_t start = marks[rng->Below(marks.size())] + 1;
      const size_t end = data->find(attribute ? '"' : '<', start);
      if (end == std::string::npos)
        break;
      std::string value = HostileString(rng);
      if (attribute)
        std::replace(value.begin(), value.end(), '"', '\'');
      data->replace(start, end - start, value);
      break;
    }
    case 3:
      data->insert(a, kXmlPieces[rng->Below(std::size(kXmlPieces))]);
      break;
    case 4: {  // deep nesting
      const size_t depth = rng->Below(5000) + 1;
      std::string deep;
      for (size_t i = 0; i < depth; ++i)
        deep += "<files>";
      for (size_t i = 0; i < depth; ++i)
        deep += "</files>";
      data->insert(a, deep);
      break;
    }
    case 5: {  // an element's name changed
      const size_t end = data->find_first_of(" />", a + 1);
      if (end != std::string::npos) {
        static const char* const kNames[] = {"install_log", "path", "files", "file", "registry",
                                             "key", "value", "shortcut", "components",
                                             "component", "name", "root_files", "x"};
        data->replace(a + 1, end - a - 1, kNames[rng->Below(std::size(kNames))]);
      }
      break;
    }
  }
  if (data->size() > kMaxInputSize)
    data->resize(kMaxInputSize);
  return true;
}

bool MutatePickle(std::string* data, Rng* rng) {
  if (data->size() < 4)
    return false;
  const size_t fields = (data->size() - 4) / 4;
  switch (rng->Below(5)) {
    case 0:
    case 1:  // a field or string length set to a boundary value
      if (fields)
        WriteInteger(data, 4 + 4 * rng->Below(fields), BoundaryValue(rng, data->size() - 4), 4,
                     /*big_endian=*/false);
      break;
    case 2:  // the header set to a boundary value
      WriteInteger(data, 0, BoundaryValue(rng, data->size() - 4), 4, /*big_endian=*/false);
      return true;
    case 3:  // payload cut or padded at a field boundary
      if (rng->OneIn(2) && fields)
        data->resize(4 + 4 * rng->Below(fields));
      else
        data->append(4 * (rng->Below(4) + 1), static_cast<char>(rng->OneIn(2) ? 0 : 0xFF));
      break;
    case 4: {  // a field copied over another
      if (fields < 2)
        break;
      const size_t src = 4 + 4 * rng->Below(fields), dst = 4 + 4 * rng->Below(fields);
      std::memmove(data->data() + dst, data->data() + src, 4);
      break;
    }
  }
  // Mostly keep the header consistent so that the fields are what is read.
  if (!rng->OneIn(8))
    WriteInteger(data, 0, data->size() - 4, 4, /*big_endian=*/false);
  return true;
}

namespace {

constexpr char kSevenZipSignature[] = "7z\xBC\xAF\x27\x1C";

size_t FindSevenZip(const std::string& data) {
  return data.find(std::string(kSevenZipSignature, 6));
}

uint64_t ReadU64(const std::string& data, size_t at) {
  uint64_t value = 0;
  for (size_t i = 0; i < 8; ++i)
    value |= static_cast<uint64_t>(static_cast<uint8_t>(data[at + i])) << (8 * i);
  return value;
}

}  // namespace

bool FixSevenZipCrcs(std::string* data, size_t start) {
  if (start + 32 > data->size())
    return false;
  const uint64_t offset = ReadU64(*data, start + 12);
  const uint64_t size = ReadU64(*data, start + 20);
  const uint64_t header = start + 32 + offset;
  if (offset <= data->size() && size <= data->size() && header + size <= data->size()) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(data->data());
    WriteInteger(data, start + 28, Crc32(bytes + header, static_cast<size_t>(size)), 4, false);
  }
  WriteInteger(data, start + 8,
               Crc32(reinterpret_cast<const uint8_t*>(data->data()) + start + 12, 20), 4, false);
  return true;
}

bool MutateSevenZip(std::string* data, Rng* rng) {
  const size_t start = FindSevenZip(*data);
  if (start == std::string::npos || start + 32 > data->size())
    return false;
  const uint64_t offset = ReadU64(*data, start + 12);
  const uint64_t size = ReadU64(*data, start + 20);
  const uint64_t header = start + 32 + offset;
  const bool header_inside = offset < data->size() && size <= data->size() && size > 0 &&
                             header + size <= data->size();
  if (header_inside && !rng->OneIn(4)) {
    // The next header's bytes: a byte, a boundary number (7z numbers are
    // mostly one byte) or a property id.
    const size_t at = static_cast<size_t>(header + rng->Below(static_cast<size_t>(size)));
    switch (rng->Below(4)) {
      case 0: (*data)[at] ^= static_cast<char>(1 << rng->Below(8)); break;
      case 1: (*data)[at] = static_cast<char>(kBoundaries[rng->Below(std::size(kBoundaries))]); break;
      case 2: (*data)[at] = static_cast<char>(rng->Below(0x1A)); break;  // property ids
      case 3: (*data)[at] = static_cast<char>(0xFF - rng->Below(3)); break;  // 8-byte numbers
    }
  } else if (rng->OneIn(2)) {
    // Next header offset or size.
    WriteInteger(data, start + 12 + 8 * rng->Below(2), BoundaryValue(rng, data->size()), 8, false);
  } else if (start + 32 < data->size()) {
    // The packed streams (their CRCs are the decoder's to check).
    (*data)[start + 32 + rng->Below(data->size() - start - 32)] ^= static_cast<char>(rng->Next());
  }
  return FixSevenZipCrcs(data, start);
}

std::string Mutate(const std::string& input,
                   const std::vector<std::string>& corpus,
                   InputFormat format,
                   Rng* rng) {
  std::string data = input;
  const size_t rounds = rng->Below(4) + 1;
  for (size_t i = 0; i < rounds; ++i) {
    bool structured = false;
    if (format != InputFormat::kBytes && rng->OneIn(2)) {
      switch (format) {
        case InputFormat::kJson: structured = MutateJson(&data, rng); break;
        case InputFormat::kXml: structured = MutateXml(&data, rng); break;
        case InputFormat::kPickle: structured = MutatePickle(&data, rng); break;
        case InputFormat::kSevenZip: structured = MutateSevenZip(&data, rng); break;
        case InputFormat::kBytes: break;
      }
    }
    if (!structured)
      MutateBytes(&data, corpus, rng);
  }
  // Byte mutations of an archive mostly keep its CRCs right too.
  if (format == InputFormat::kSevenZip && !rng->OneIn(4)) {
    const size_t start = FindSevenZip(data);
    if (start != std::string::npos)
      FixSevenZipCrcs(&data, start);
  }
  if (data.size() > kMaxInputSize)
    data.resize(kMaxInputSize);
  return data;
}

}  // namespace fuzz
