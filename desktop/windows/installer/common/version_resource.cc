#include "desktop/windows/installer/common/version_resource.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "desktop/windows/installer/utils/pe_image_layout.h"

namespace {

constexpr uint32_t kVersionResourceType = 16;  // RT_VERSION
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kSubdirectoryBit = 0x80000000;
// Type, name and language.
constexpr int kResourceLevels = 3;

// Little-endian reads that fail outside `bytes`.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  std::optional<uint32_t> U16(size_t offset) const { return Get(offset, 2); }
  bool Holds(size_t offset, std::string_view expected) const {
    return offset <= bytes_.size() && bytes_.substr(offset, expected.size()) == expected;
  }
  std::optional<uint32_t> U32(size_t offset) const { return Get(offset, 4); }
  std::string_view bytes() const { return bytes_; }

 private:
  std::optional<uint32_t> Get(size_t offset, size_t size) const {
    if (offset > bytes_.size() || bytes_.size() - offset < size)
      return std::nullopt;
    uint32_t value = 0;
    for (size_t i = size; i > 0; --i)
      value = (value << 8) | static_cast<uint8_t>(bytes_[offset + i - 1]);
    return value;
  }

  std::string_view bytes_;
};

// Where the sections and the resource directory lie, from the PE headers.
class ImageLayout {
 public:
  explicit ImageLayout(const Reader& image) : image_(image) {}

  bool Parse() {
    const std::string_view bytes = image_.bytes();
    PeImageLayout layout;
    if (!layout.Parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
      return false;
    const std::optional<PeImageLayout::DataDirectory> resources =
        layout.data_directory(kResourceDirectoryIndex);
    if (!resources || resources->address == 0)
      return false;
    section_table_ = layout.section_table_offset();
    section_count_ = layout.section_count();
    const std::optional<size_t> start = ToFileOffset(resources->address);
    if (!start)
      return false;
    resource_start_ = *start;
    return true;
  }

  // Only bytes that a section really has in the file.
  std::optional<size_t> ToFileOffset(uint32_t address) const {
    for (uint32_t i = 0; i < section_count_; ++i) {
      const size_t entry = section_table_ + 40 * static_cast<size_t>(i);
      const std::optional<uint32_t> start = image_.U32(entry + 12);
      const std::optional<uint32_t> file_size = image_.U32(entry + 16);
      const std::optional<uint32_t> file_offset = image_.U32(entry + 20);
      if (!start || !file_size || !file_offset)
        return std::nullopt;
      if (address >= *start && address - *start < *file_size)
        return static_cast<size_t>(*file_offset) + (address - *start);
    }
    return std::nullopt;
  }

  size_t resource_start() const { return resource_start_; }

 private:
  const Reader& image_;
  uint64_t section_table_ = 0;
  uint32_t section_count_ = 0;
  size_t resource_start_ = 0;
};

size_t Align4(size_t offset) {
  return (offset + 3) & ~static_cast<size_t>(3);
}

// One block of the version data: {length, value length, type, key,
// padding, value, padding, children}.
struct Block {
  std::wstring key;
  std::string_view value;
  // Text values count their length in characters, the terminator included.
  bool is_text = false;
  size_t children_start = 0;
  size_t end = 0;
};

std::optional<Block> ReadBlock(const Reader& data, size_t offset, size_t limit) {
  const std::optional<uint32_t> length = data.U16(offset);
  const std::optional<uint32_t> value_length = data.U16(offset + 2);
  const std::optional<uint32_t> type = data.U16(offset + 4);
  if (!length || !value_length || !type || *length < 6 || *length > limit - offset)
    return std::nullopt;
  Block block;
  block.end = offset + *length;
  size_t position = offset + 6;
  for (;;) {
    const std::optional<uint32_t> c = position + 2 <= block.end ? data.U16(position) : std::nullopt;
    if (!c)
      return std::nullopt;
    position += 2;
    if (*c == 0)
      break;
    block.key.push_back(static_cast<wchar_t>(*c));
  }
  position = Align4(position);
  block.is_text = *type == 1;
  const size_t value_bytes = block.is_text ? 2 * static_cast<size_t>(*value_length) : *value_length;
  // Some tools write a value length that runs past the block: cut it.
  const size_t available = position < block.end ? block.end - position : 0;
  block.value = data.bytes().substr(std::min(position, block.end),
                                    std::min(value_bytes, available));
  block.children_start = Align4(position + block.value.size());
  return block;
}

std::wstring TextOf(std::string_view value) {
  std::wstring text;
  for (size_t i = 0; i + 1 < value.size(); i += 2) {
    const wchar_t c = static_cast<wchar_t>(static_cast<uint8_t>(value[i]) |
                                           (static_cast<uint8_t>(value[i + 1]) << 8));
    if (c == 0)
      break;
    text.push_back(c);
  }
  return text;
}

// Calls `visit` for each child block of `parent`; false on a malformed one.
template <typename Visit>
bool ForEachChild(const Reader& data, const Block& parent, Visit visit) {
  size_t position = parent.children_start;
  while (position < parent.end) {
    std::optional<Block> child = ReadBlock(data, position, parent.end);
    if (!child)
      return false;
    if (!visit(*child))
      return false;
    position = Align4(child->end);
  }
  return true;
}

}  // namespace

bool FindVersionResource(std::string_view image, std::string_view* resource) {
  const Reader reader(image);
  ImageLayout layout(reader);
  if (!layout.Parse())
    return false;
  size_t directory = layout.resource_start();
  std::optional<uint32_t> wanted = kVersionResourceType;
  for (int level = 0; level < kResourceLevels; ++level) {
    const std::optional<uint32_t> named = reader.U16(directory + 12);
    const std::optional<uint32_t> ids = reader.U16(directory + 14);
    if (!named || !ids)
      return false;
    std::optional<uint32_t> target;
    for (uint32_t i = 0; i < *named + *ids && !target; ++i) {
      const size_t entry = directory + 16 + 8 * static_cast<size_t>(i);
      const std::optional<uint32_t> name = reader.U32(entry);
      const std::optional<uint32_t> to = reader.U32(entry + 4);
      if (!name || !to)
        return false;
      if (!wanted || *name == *wanted)
        target = to;
    }
    // Directories above the language level, the data entry at it.
    if (!target || ((*target & kSubdirectoryBit) != 0) != (level < kResourceLevels - 1))
      return false;
    directory = layout.resource_start() + (*target & ~kSubdirectoryBit);
    wanted = std::nullopt;
  }
  const std::optional<uint32_t> address = reader.U32(directory);
  const std::optional<uint32_t> size = reader.U32(directory + 4);
  if (!address || !size)
    return false;
  const std::optional<size_t> start = layout.ToFileOffset(*address);
  if (!start || *start > image.size() || image.size() - *start < *size)
    return false;
  *resource = image.substr(*start, *size);
  return true;
}

bool ReadVersionStrings(std::string_view resource, std::wstring_view table,
                        std::map<std::wstring, std::wstring>* strings) {
  const Reader version(resource);
  const std::optional<Block> root = ReadBlock(version, 0, resource.size());
  if (!root || root->key != L"VS_VERSION_INFO")
    return false;
  bool found = false;
  std::map<std::wstring, std::wstring> read;
  const bool well_formed = ForEachChild(version, *root, [&](const Block& file_info) {
    if (file_info.key != L"StringFileInfo")
      return true;
    return ForEachChild(version, file_info, [&](const Block& string_table) {
      if (found || string_table.key != table)
        return true;
      found = true;
      return ForEachChild(version, string_table, [&](const Block& string) {
        read.emplace(string.key, TextOf(string.value));
        return true;
      });
    });
  });
  if (!well_formed || !found)
    return false;
  *strings = std::move(read);
  return true;
}
