#include "desktop/windows/installer/service/xml_dom_cursor.h"

#include <oleauto.h>

#include <climits>
#include <utility>

#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_bstr.h"

using Microsoft::WRL::ComPtr;

namespace {

// MinGW declares the class id of MSXML 3's document but defines it nowhere.
const CLSID kDomDocument30ClassId = {
    0xF5078F32, 0xC551, 0x11D3, {0x89, 0xB9, 0x00, 0x00, 0xF8, 0x1F, 0xE2, 0x21}};

// IXMLDOMDocument2, for setProperty; MinGW's libraries lack its id.
const IID kXmlDomDocument2Id = {
    0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

std::wstring TextToWide(const std::string& text) {
  std::wstring wide;
  if (base::UTF8ToWide(text.data(), text.size(), &wide))
    return wide;
  // Not UTF-8: an old file in the system's code page.
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX))
    return wide;
  int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0);
  if (length <= 0)
    return wide;
  wide.resize(static_cast<size_t>(length));
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  return wide;
}

std::string BstrToUTF8(const base::win::ScopedBstr& bstr) {
  return base::WideToUTF8(std::wstring_view(bstr.Get() ? bstr.Get() : L"", bstr.Length()));
}

std::string ParseErrorReason(IXMLDOMDocument* document) {
  ComPtr<IXMLDOMParseError> parse_error;
  base::win::ScopedBstr reason;
  if (FAILED(document->get_parseError(parse_error.GetAddressOf())) || !parse_error ||
      parse_error->get_reason(reason.Receive()) != S_OK) {
    return std::string();
  }
  long line = 0;
  parse_error->get_line(&line);
  std::string text(base::TrimWhitespaceASCII(BstrToUTF8(reason), base::TRIM_ALL));
  return text + " (line " + base::NumberToString(static_cast<int>(line)) + ")";
}

}  // namespace

XmlDomCursor::XmlDomCursor() = default;

XmlDomCursor::~XmlDomCursor() = default;

bool XmlDomCursor::LoadFromString(const std::string& text, std::string* error) {
  current_.Reset();
  document_.Reset();
  HRESULT hr = ::CoCreateInstance(kDomDocument30ClassId, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IXMLDOMDocument,
                                  reinterpret_cast<void**>(document_.GetAddressOf()));
  if (FAILED(hr)) {
    *error = "Cannot create the XML document w/err " + base::NumberToString(static_cast<int>(hr));
    return false;
  }
  // A status file is plain data: no fetching, no DTD checks.
  document_->put_async(VARIANT_FALSE);
  document_->put_validateOnParse(VARIANT_FALSE);
  document_->put_resolveExternals(VARIANT_FALSE);
  // Nor document type declarations, whose entities could expand without
  // bound; a status file never has one.
  ComPtr<IXMLDOMDocument2> document2;
  if (SUCCEEDED(document_->QueryInterface(kXmlDomDocument2Id,
                                          reinterpret_cast<void**>(document2.GetAddressOf())))) {
    base::win::ScopedBstr name(L"ProhibitDTD");
    VARIANT value;
    ::VariantInit(&value);
    V_VT(&value) = VT_BOOL;
    V_BOOL(&value) = VARIANT_TRUE;
    HRESULT property_hr = document2->setProperty(name.Get(), value);
    DLOG_IF(WARNING, FAILED(property_hr)) << "ProhibitDTD not set: " << property_hr;
  }

  base::win::ScopedBstr xml(TextToWide(text));
  VARIANT_BOOL loaded = VARIANT_FALSE;
  hr = document_->loadXML(xml.Get(), &loaded);
  if (FAILED(hr) || loaded != VARIANT_TRUE) {
    *error = "Cannot load the document from string w/err " +
             base::NumberToString(static_cast<int>(hr));
    std::string reason = ParseErrorReason(document_.Get());
    if (!reason.empty())
      *error += ": " + reason;
    document_.Reset();
    return false;
  }
  hr = document_->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(current_.GetAddressOf()));
  if (FAILED(hr)) {
    *error = "Cannot query current node w/err " + base::NumberToString(static_cast<int>(hr));
    document_.Reset();
    return false;
  }
  return true;
}

XmlDomCursor::MoveResult XmlDomCursor::MoveToElementFrom(ComPtr<IXMLDOMNode> node) {
  while (node) {
    DOMNodeType type = NODE_INVALID;
    if (FAILED(node->get_nodeType(&type)))
      return COM_FAILURE;
    if (type == NODE_ELEMENT) {
      current_ = std::move(node);
      return MOVED;
    }
    ComPtr<IXMLDOMNode> next;
    HRESULT hr = node->get_nextSibling(next.GetAddressOf());
    if (FAILED(hr))
      return COM_FAILURE;
    node = std::move(next);
  }
  return NO_ELEMENT;
}

XmlDomCursor::MoveResult XmlDomCursor::MoveToFirstChild() {
  if (!current_)
    return COM_FAILURE;
  ComPtr<IXMLDOMNode> child;
  if (FAILED(current_->get_firstChild(child.GetAddressOf())))
    return COM_FAILURE;
  return MoveToElementFrom(std::move(child));
}

XmlDomCursor::MoveResult XmlDomCursor::MoveToNextSibling() {
  if (!current_)
    return COM_FAILURE;
  ComPtr<IXMLDOMNode> sibling;
  if (FAILED(current_->get_nextSibling(sibling.GetAddressOf())))
    return COM_FAILURE;
  return MoveToElementFrom(std::move(sibling));
}

XmlDomCursor::MoveResult XmlDomCursor::MoveToParent() {
  if (!current_)
    return COM_FAILURE;
  ComPtr<IXMLDOMNode> parent;
  if (FAILED(current_->get_parentNode(parent.GetAddressOf())))
    return COM_FAILURE;
  if (!parent)
    return NO_ELEMENT;
  // The root element's parent is the document, where loading left us.
  current_ = std::move(parent);
  return MOVED;
}

bool XmlDomCursor::GetNodeName(std::string* name) const {
  base::win::ScopedBstr bstr;
  if (!current_ || FAILED(current_->get_nodeName(bstr.Receive())))
    return false;
  *name = BstrToUTF8(bstr);
  return true;
}

bool XmlDomCursor::GetText(std::string* text) const {
  base::win::ScopedBstr bstr;
  if (!current_ || FAILED(current_->get_text(bstr.Receive())))
    return false;
  *text = BstrToUTF8(bstr);
  return true;
}

bool XmlDomCursor::GetAttribute(const std::wstring& name, std::string* value) const {
  if (!current_)
    return false;
  ComPtr<IXMLDOMElement> element;
  if (FAILED(current_->QueryInterface(IID_IXMLDOMElement,
                                      reinterpret_cast<void**>(element.GetAddressOf())))) {
    return false;
  }
  base::win::ScopedBstr bstr_name(name);
  VARIANT variant;
  ::VariantInit(&variant);
  // S_FALSE with VT_NULL when the attribute is missing.
  if (element->getAttribute(bstr_name.Get(), &variant) != S_OK || V_VT(&variant) == VT_NULL) {
    ::VariantClear(&variant);
    return false;
  }
  bool ok = V_VT(&variant) == VT_BSTR ||
            SUCCEEDED(::VariantChangeType(&variant, &variant, 0, VT_BSTR));
  if (ok) {
    BSTR text = V_BSTR(&variant);
    *value = base::WideToUTF8(std::wstring_view(text ? text : L"", ::SysStringLen(text)));
  }
  ::VariantClear(&variant);
  return ok;
}
