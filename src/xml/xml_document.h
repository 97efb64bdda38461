// XML document services over libxml2.
//
// Documents are held in UTF-8 in memory. Files and texts are parsed with the
// encoding their declaration names (Windows-1251 for everything this system
// writes) and written in Windows-1251 with the declaration
// <?xml version="1.0" encoding="windows-1251"?>.
//
// Path expressions are XPath 1.0, except that a purely numeric index in square
// brackets counts from 0 ("/skyranks/ranks/rank[0]" is the first rank), as the
// system's own expressions are written that way (xml/xpath_index.h). Filters
// such as [@id=3] or [@id="x"] are passed through unchanged. Nodes are handled
// through TXmlNode (xml/xml_node.h).
//
// TXmlError (a std::runtime_error) is raised by selection with an invalid
// expression, by building with a name that is not an XML name (or on a null
// node), by writing a document whose names Windows-1251 cannot hold, and by
// failed writes; loading reports failure by returning false.
// Texts that are not valid UTF-8 are stored with '?' for each bad byte.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_node.h"

struct _xmlDoc;
struct _xmlNode;

namespace sky {

// Why a file did not load: the parser's first error, its line (0 when the
// file could not be opened at all) and message.
struct TXmlLoadFailure {
  long line = 0;
  std::string message;
};

class TXmlDocument {
 public:
  // An empty document (no declaration written yet; written documents always
  // carry version 1.0 and encoding windows-1251).
  TXmlDocument();
  ~TXmlDocument();
  TXmlDocument(TXmlDocument&&) noexcept;
  TXmlDocument& operator=(TXmlDocument&&) noexcept;
  TXmlDocument(const TXmlDocument&) = delete;
  TXmlDocument& operator=(const TXmlDocument&) = delete;

  // Replaces the content by the parsed file. False (and an empty document)
  // when the file is missing or not well-formed. Never throws.
  bool LoadFile(const std::string& path);
  // The same, saying why it failed: the same parse, so a file this accepts
  // is one every reader of the system accepts.
  bool LoadFile(const std::string& path, TXmlLoadFailure& failure);
  // Same from text held in memory (bytes as they would be in a file).
  bool LoadText(std::string_view text);

  // Empties the document.
  void Clear();

  // First node matching the path, or a null node. Throws TXmlError for an
  // invalid expression.
  TXmlNode SelectFirst(std::string_view path) const;
  // All matching nodes in document order.
  std::vector<TXmlNode> SelectAll(std::string_view path) const;

  // The document element, or a null node.
  TXmlNode Root() const;
  // Creates the document element (replacing none; throws when one exists).
  TXmlNode CreateRoot(std::string_view name);
  // Top-level comment / processing instruction, appended after what is there.
  TXmlNode AppendComment(std::string_view text);
  TXmlNode AppendProcessingInstruction(std::string_view target, std::string_view data);
  // Free-standing nodes for TXmlNode::InsertBefore.
  TXmlNode CreateProcessingInstruction(std::string_view target, std::string_view data);

  // Serialised document in Windows-1251, declaration included, indented.
  // Throws TXmlError rather than write a text that would not load again: a
  // name holding a character that Windows-1251 lacks cannot be written in it.
  std::string ToText() const;
  // The same without indentation or line breaks between elements.
  std::string ToCompactText() const;
  // Writes ToText() to the file, readable and writable by its owner only
  // (a document may hold passwords); throws TXmlError on failure.
  void SaveFile(const std::string& path) const;

  _xmlDoc* raw() const { return doc_; }

 private:
  void FreeDetachedNodes();
  // Clears the document and takes the tree `parse` gives; false, leaving the
  // document empty, when it gives none (or throws).
  template <class TParse>
  bool Load(TParse parse);

  _xmlDoc* doc_ = nullptr;
  // Nodes made by CreateProcessingInstruction; freed with the document unless
  // they were inserted into it.
  std::vector<_xmlNode*> detached_;
};

}  // namespace sky
