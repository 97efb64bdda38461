// TXmlNode: reading and building one node of a libxml2 tree.
#include <libxml/tree.h>

#include <memory>

#include "base/encoding.h"
#include "xml/xml_document.h"
#include "xml/xml_name.h"
#include "xml/xml_node.h"

namespace sky {

namespace {

const xmlChar* Xml(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }

std::string FromXml(const xmlChar* text) {
  return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text));
}

struct TXmlFreer {
  void operator()(xmlChar* text) const { xmlFree(text); }
};

// Takes ownership of a string libxml2 allocated.
std::string TakeXml(xmlChar* text) {
  std::unique_ptr<xmlChar, TXmlFreer> owner(text);
  return FromXml(text);
}

std::string QualifiedName(const xmlChar* name, const xmlNs* ns) {
  std::string out;
  if (ns != nullptr && ns->prefix != nullptr) out = FromXml(ns->prefix) + ":";
  return out + FromXml(name);
}

// Names must be XML names: anything else would write a document that cannot
// be read back.
std::string CheckedName(std::string_view name) {
  std::string text(name);
  if (!IsXmlName(text)) {
    throw TXmlError("not a valid XML name: \"" + SanitizeUtf8(text) + "\"");
  }
  return text;
}

xmlNodePtr Buildable(xmlNodePtr node) {
  if (node == nullptr) throw TXmlError("cannot build on a null XML node");
  if (node->type != XML_ELEMENT_NODE) throw TXmlError("only elements take children and attributes");
  return node;
}

xmlNodePtr Checked(xmlNodePtr created) {
  if (created == nullptr) throw TXmlError("out of memory building an XML node");
  return created;
}

xmlNodePtr AppendChild(xmlNodePtr parent, xmlNodePtr child) {
  if (xmlAddChild(parent, child) == nullptr) {
    xmlFreeNode(child);
    throw TXmlError("cannot append an XML node");
  }
  return child;
}

// Drops the children of an element or attribute and gives it one text node.
void ReplaceContent(xmlNodePtr node, std::string_view text) {
  xmlNodePtr fresh = Checked(xmlNewDocText(node->doc, Xml(SanitizeUtf8(text))));
  xmlNodePtr child = node->children;
  while (child != nullptr) {
    xmlNodePtr next = child->next;
    xmlUnlinkNode(child);
    xmlFreeNode(child);
    child = next;
  }
  node->children = node->last = nullptr;
  AppendChild(node, fresh);
}

}  // namespace

std::string TXmlNode::Name() const {
  if (node_ == nullptr) return {};
  switch (node_->type) {
    case XML_ELEMENT_NODE:
      return QualifiedName(node_->name, node_->ns);
    case XML_ATTRIBUTE_NODE:
      return QualifiedName(node_->name, reinterpret_cast<xmlAttrPtr>(node_)->ns);
    case XML_DOCUMENT_NODE:
      return "#document";
    default:
      return FromXml(node_->name);
  }
}

std::string TXmlNode::Value() const {
  if (node_ == nullptr) return {};
  switch (node_->type) {
    case XML_ATTRIBUTE_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      return TakeXml(xmlNodeGetContent(node_));
    default:
      return {};
  }
}

std::string TXmlNode::Text() const {
  if (node_ == nullptr) return {};
  return TakeXml(xmlNodeGetContent(node_));
}

std::vector<std::pair<std::string, std::string>> TXmlNode::Attributes() const {
  std::vector<std::pair<std::string, std::string>> out;
  if (node_ == nullptr || node_->type != XML_ELEMENT_NODE) return out;
  for (xmlAttrPtr attr = node_->properties; attr != nullptr; attr = attr->next) {
    out.emplace_back(QualifiedName(attr->name, attr->ns),
                     TakeXml(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attr))));
  }
  return out;
}

std::optional<std::string> TXmlNode::Attribute(std::string_view name) const {
  if (node_ == nullptr || node_->type != XML_ELEMENT_NODE) return std::nullopt;
  for (xmlAttrPtr attr = node_->properties; attr != nullptr; attr = attr->next) {
    if (QualifiedName(attr->name, attr->ns) == name) {
      return TakeXml(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attr)));
    }
  }
  return std::nullopt;
}

std::vector<TXmlNode> TXmlNode::ChildElements() const {
  std::vector<TXmlNode> out;
  if (node_ == nullptr || node_->type != XML_ELEMENT_NODE) return out;
  for (xmlNodePtr child = node_->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) out.emplace_back(child);
  }
  return out;
}

long TXmlNode::Line() const {
  if (node_ == nullptr) return 0;
  const xmlNodePtr node = node_->type == XML_ATTRIBUTE_NODE ? node_->parent : node_;
  return node == nullptr ? 0 : xmlGetLineNo(node);
}

TXmlNode TXmlNode::AppendElement(std::string_view name) {
  xmlNodePtr parent = Buildable(node_);
  const std::string checked = CheckedName(name);
  return TXmlNode(AppendChild(parent, Checked(xmlNewDocNode(parent->doc, nullptr, Xml(checked), nullptr))));
}

void TXmlNode::SetAttribute(std::string_view name, std::string_view value) {
  xmlNodePtr element = Buildable(node_);
  const std::string checked = CheckedName(name);
  // xmlSetProp keeps an existing attribute in its place and takes the value
  // as plain text (no entity references are interpreted).
  if (xmlSetProp(element, Xml(checked), Xml(SanitizeUtf8(value))) == nullptr) {
    throw TXmlError("cannot set the XML attribute " + checked);
  }
}

void TXmlNode::SetText(std::string_view text) {
  if (node_ == nullptr) throw TXmlError("cannot set the text of a null XML node");
  switch (node_->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      ReplaceContent(node_, text);
      break;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      // Character data nodes take the content as it stands.
      xmlNodeSetContent(node_, Xml(SanitizeUtf8(text)));
      break;
    default:
      throw TXmlError("this XML node takes no text");
  }
}

TXmlNode TXmlNode::AppendComment(std::string_view text) {
  xmlNodePtr parent = Buildable(node_);
  return TXmlNode(AppendChild(parent, Checked(xmlNewDocComment(parent->doc, Xml(SanitizeUtf8(text))))));
}

TXmlNode TXmlNode::AppendProcessingInstruction(std::string_view target, std::string_view data) {
  xmlNodePtr parent = Buildable(node_);
  const std::string checked = CheckedName(target);
  return TXmlNode(
      AppendChild(parent, Checked(xmlNewDocPI(parent->doc, Xml(checked), Xml(SanitizeUtf8(data))))));
}

void TXmlNode::InsertBefore(TXmlNode sibling) {
  if (node_ == nullptr || sibling.node_ == nullptr) throw TXmlError("cannot insert a null XML node");
  if (node_->type == XML_DOCUMENT_NODE || node_->type == XML_ATTRIBUTE_NODE || node_->parent == nullptr) {
    throw TXmlError("nothing can be inserted before this XML node");
  }
  if (xmlAddPrevSibling(node_, sibling.node_) == nullptr) throw TXmlError("cannot insert the XML node");
}

}  // namespace sky
