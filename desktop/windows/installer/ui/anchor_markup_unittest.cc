#include "desktop/windows/installer/ui/anchor_markup.h"

#include "gtest/gtest.h"

namespace {

TEST(AnchorMarkupTest, TextWithoutAnchorsIsKept) {
  const AnchorMarkup markup = AnchorMarkup::Parse(L"Plain <b>text</b> with $ signs");
  EXPECT_EQ(L"Plain <b>text</b> with $ signs", markup.marker_text);
  EXPECT_EQ(markup.marker_text, markup.visible_text);
  EXPECT_TRUE(markup.links.empty());
}

TEST(AnchorMarkupTest, AnchorsBecomeMarkersAndLinks) {
  const AnchorMarkup markup = AnchorMarkup::Parse(
      L"Agree to the <a href=\"tos\">Terms</a> and <a class=\"x\" href=\"help\">Help</a>.");
  EXPECT_EQ(L"Agree to the $1tos$2Terms$3 and $1help$2Help$3.", markup.marker_text);
  EXPECT_EQ(L"Agree to the Terms and Help.", markup.visible_text);
  ASSERT_EQ(2u, markup.links.size());
  EXPECT_EQ(L"tos", markup.links[0].address);
  EXPECT_EQ(13, markup.links[0].first);
  EXPECT_EQ(18, markup.links[0].last);
  EXPECT_EQ(L"help", markup.links[1].address);
  EXPECT_EQ(L"Help", markup.visible_text.substr(markup.links[1].first, 4));
}

TEST(AnchorMarkupTest, MissingPartsAreLeftOut) {
  // No address.
  AnchorMarkup markup = AnchorMarkup::Parse(L"a <a title=\"t\">link</a> b");
  EXPECT_EQ(L"a $1$2link$3 b", markup.marker_text);
  EXPECT_EQ(L"", markup.links[0].address);
  // No "</a>": the link runs to the end.
  markup = AnchorMarkup::Parse(L"a <a href=\"x\">link to the end");
  EXPECT_EQ(L"a $1x$2link to the end$3", markup.marker_text);
  EXPECT_EQ(L"a link to the end", markup.visible_text);
  // The tag never ends: no link text, nothing after it.
  markup = AnchorMarkup::Parse(L"a <a href=\"x\" and more");
  EXPECT_EQ(L"a $1x$2$3", markup.marker_text);
  EXPECT_EQ(L"a ", markup.visible_text);
  ASSERT_EQ(1u, markup.links.size());
  EXPECT_EQ(2, markup.links[0].first);
  EXPECT_EQ(2, markup.links[0].last);
}

TEST(AnchorMarkupTest, AddressComesOnlyFromItsOwnTag) {
  // An href later in the text belongs to no anchor of this tag.
  AnchorMarkup markup =
      AnchorMarkup::Parse(L"<a name=\"n\">first</a> then <a href=\"second\">second</a>");
  ASSERT_EQ(2u, markup.links.size());
  EXPECT_EQ(L"", markup.links[0].address);
  EXPECT_EQ(L"first", markup.visible_text.substr(markup.links[0].first, 5));
  EXPECT_EQ(L"second", markup.links[1].address);
  // An address whose closing quote is missing inside the tag is dropped.
  markup = AnchorMarkup::Parse(L"<a href=\"open>text</a> \"");
  EXPECT_EQ(L"", markup.links[0].address);
}

}  // namespace
