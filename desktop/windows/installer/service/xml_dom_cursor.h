#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_XML_DOM_CURSOR_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_XML_DOM_CURSOR_H_

#include <windows.h>

#include <msxml2.h>
#include <wrl/client.h>

#include <string>

// Walks the elements of an MSXML 3 document. Moves skip every node that is
// not an element (text, comments, white space, processing instructions).
// The calling thread must have initialised COM, and the cursor must be
// destroyed before COM is uninitialised.
class XmlDomCursor {
 public:
  enum MoveResult {
    MOVED = 0,       // The cursor is on the new element.
    NO_ELEMENT = 1,  // There is no such element; the cursor stays.
    COM_FAILURE = 2,
  };

  XmlDomCursor();
  XmlDomCursor(const XmlDomCursor&) = delete;
  XmlDomCursor& operator=(const XmlDomCursor&) = delete;
  ~XmlDomCursor();

  // Parses |text| (UTF-8; text that is not valid UTF-8 is taken in the ANSI
  // code page). On success the cursor is on the document node.
  bool LoadFromString(const std::string& text, std::string* error);

  MoveResult MoveToFirstChild();
  MoveResult MoveToNextSibling();
  MoveResult MoveToParent();

  // UTF-8 texts of the current node; false on failure.
  bool GetNodeName(std::string* name) const;
  bool GetText(std::string* text) const;
  // False when the current node has no such attribute or it is unreadable.
  bool GetAttribute(const std::wstring& name, std::string* value) const;

 private:
  // Moves to |node| or the first element among its following siblings.
  MoveResult MoveToElementFrom(Microsoft::WRL::ComPtr<IXMLDOMNode> node);

  Microsoft::WRL::ComPtr<IXMLDOMDocument> document_;
  Microsoft::WRL::ComPtr<IXMLDOMNode> current_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_XML_DOM_CURSOR_H_
