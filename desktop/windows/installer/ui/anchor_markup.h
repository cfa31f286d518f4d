#ifndef DESKTOP_WINDOWS_INSTALLER_UI_ANCHOR_MARKUP_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_ANCHOR_MARKUP_H_

#include <string>
#include <vector>

// A text with HTML-like anchors (<a href="address">text</a>), taken apart
// for a rich-edit control.
struct AnchorMarkup {
  struct Link {
    // Character range of the link text in `visible_text`.
    int first = 0;
    int last = 0;
    std::wstring address;
  };

  // Each anchor becomes "$1" address "$2" link text "$3"; the rest is kept.
  std::wstring marker_text;
  // What the reader sees: the anchors replaced by their link texts.
  std::wstring visible_text;
  std::vector<Link> links;

  // Parts of an anchor that are missing (the address, the end of the tag,
  // "</a>") are left out; a tag's attributes end at its own ">", so an
  // address is never taken from text outside the tag.
  static AnchorMarkup Parse(const std::wstring& text);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_ANCHOR_MARKUP_H_
