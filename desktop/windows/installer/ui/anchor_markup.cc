#include "desktop/windows/installer/ui/anchor_markup.h"

#include <utility>

namespace {

constexpr wchar_t kAnchorStart[] = L"<a ";
constexpr wchar_t kAnchorEnd[] = L"</a>";
constexpr wchar_t kHref[] = L"href=\"";

// The href value inside [tag_start, tag_end); empty when there is none.
std::wstring FindAddress(const std::wstring& text, size_t tag_start, size_t tag_end) {
  const size_t href = text.find(kHref, tag_start);
  if (href == std::wstring::npos || href >= tag_end)
    return std::wstring();
  const size_t first = href + (sizeof(kHref) / sizeof(wchar_t) - 1);
  const size_t quote = text.find(L'"', first);
  if (quote == std::wstring::npos || quote >= tag_end)
    return std::wstring();
  return text.substr(first, quote - first);
}

}  // namespace

// static
AnchorMarkup AnchorMarkup::Parse(const std::wstring& text) {
  AnchorMarkup result;
  size_t position = 0;
  while (position < text.size()) {
    const size_t anchor = text.find(kAnchorStart, position);
    if (anchor == std::wstring::npos)
      break;
    const std::wstring before = text.substr(position, anchor - position);
    result.marker_text += before + L"$1";
    result.visible_text += before;

    const size_t tag_end = text.find(L'>', anchor);
    Link link;
    link.address = FindAddress(text, anchor, tag_end);
    result.marker_text += link.address + L"$2";

    std::wstring link_text;
    if (tag_end == std::wstring::npos) {
      position = text.size();
    } else {
      const size_t close = text.find(kAnchorEnd, tag_end + 1);
      const size_t text_end = close == std::wstring::npos ? text.size() : close;
      link_text = text.substr(tag_end + 1, text_end - tag_end - 1);
      position = close == std::wstring::npos ? text.size()
                                              : close + (sizeof(kAnchorEnd) / sizeof(wchar_t) - 1);
    }
    result.marker_text += link_text + L"$3";
    link.first = static_cast<int>(result.visible_text.size());
    result.visible_text += link_text;
    link.last = static_cast<int>(result.visible_text.size());
    result.links.push_back(std::move(link));
  }
  if (position < text.size()) {
    result.marker_text += text.substr(position);
    result.visible_text += text.substr(position);
  }
  return result;
}
