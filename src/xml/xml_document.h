// XML document services over libxml2.
//
// Documents are held in UTF-8 in memory. Files and texts are parsed with the
// encoding their declaration names (Windows-1251 for everything this system
// writes) and written in Windows-1251 with the declaration
// <?xml version="1.0" encoding="windows-1251"?>.
//
// Path expressions are XPath 1.0, except that a purely numeric index in square
// brackets counts from 0 ("/skyranks/ranks/rank[0]" is the first rank), as the
// system's own expressions are written that way. Filters such as [@id=3] or
// [@id="x"] are passed through unchanged.
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
#include <utility>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

namespace sky {

class TXmlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Why a file did not load: the parser's first error, its line (0 when the
// file could not be opened at all) and message.
struct TXmlLoadFailure {
  long line = 0;
  std::string message;
};

// A non-owning handle to a node of an TXmlDocument; valid while the document lives.
// A default-constructed (null) node answers every query with empty values.
class TXmlNode {
 public:
  TXmlNode() = default;
  explicit TXmlNode(_xmlNode* node) : node_(node) {}

  bool IsNull() const { return node_ == nullptr; }
  explicit operator bool() const { return node_ != nullptr; }
  _xmlNode* raw() const { return node_; }

  // Element or attribute name; "#comment"-style names are not promised.
  std::string Name() const;
  // An attribute's value; empty text for an element (and for a null node).
  std::string Value() const;
  // Text content of the node and its descendants.
  std::string Text() const;

  // Attributes of an element in document order: (name, value).
  std::vector<std::pair<std::string, std::string>> Attributes() const;
  // The named attribute's value (exact name), or nullopt when absent.
  std::optional<std::string> Attribute(std::string_view name) const;
  // The element children in document order (comments, texts and processing
  // instructions left out).
  std::vector<TXmlNode> ChildElements() const;
  // The line of the file the node was read from (an attribute's is its
  // element's); 0 for a built node and a null one.
  long Line() const;

  // Building. Each returns the new node.
  TXmlNode AppendElement(std::string_view name);
  // Adds the attribute, or replaces its value when it already exists (its
  // position then stays where it was first set).
  void SetAttribute(std::string_view name, std::string_view value);
  void SetText(std::string_view text);
  TXmlNode AppendComment(std::string_view text);
  TXmlNode AppendProcessingInstruction(std::string_view target, std::string_view data);
  // Inserts `sibling` (created with the document's Create* helpers) before this node.
  void InsertBefore(TXmlNode sibling);

 private:
  _xmlNode* node_ = nullptr;
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

// Maps the system's zero-based numeric indexes to XPath's one-based ones.
std::string ToXPath(std::string_view path);

}  // namespace sky
