// A node of a document held by TXmlDocument (xml/xml_document.h), and the
// error every XML operation raises.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct _xmlNode;

namespace sky {

class TXmlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
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

}  // namespace sky
