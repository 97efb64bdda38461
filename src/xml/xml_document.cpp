// TXmlDocument: one libxml2 document, its loading, selection and writing.
#include "xml/xml_document.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "base/encoding.h"
#include "xml/xml_library.h"
#include "xml/xml_name.h"
#include "xml/xpath_index.h"

namespace sky {

// The parser's global tables must be set up once before threads use it.
void InitXmlLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

namespace {

constexpr const char* kEncoding = "windows-1251";

const xmlChar* Xml(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }

xmlDocPtr NewEmptyDocument() {
  InitXmlLibrary();
  xmlDocPtr doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
  if (doc == nullptr) throw TXmlError("out of memory creating an XML document");
  return doc;
}

// Parse options: no network for DTDs and entities, no entity expansion, no
// messages on stderr (failures are reported by the result), and whitespace
// between elements dropped so that written documents are indented cleanly.
// Line numbers are kept beyond 65535, for the check's messages.
constexpr int kParseOptions =
    XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS | XML_PARSE_NONET | XML_PARSE_BIG_LINES;
// Files may be named by a URL (the awards file): their loads may use the network.
constexpr int kFileParseOptions = kParseOptions & ~XML_PARSE_NONET;

struct TXPathContextFreer {
  void operator()(xmlXPathContextPtr context) const { xmlXPathFreeContext(context); }
};
struct TXPathObjectFreer {
  void operator()(xmlXPathObjectPtr object) const { xmlXPathFreeObject(object); }
};

// Keeps XPath errors off stderr; the message is taken from lastError.
void SilentXPathError(void*, xmlErrorPtr) {}

std::string TrimmedMessage(const char* message) {
  std::string text = message == nullptr ? "" : message;
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

std::vector<TXmlNode> Evaluate(xmlDocPtr doc, std::string_view path, bool first_only) {
  const std::string expression = ToXPath(path);
  std::unique_ptr<xmlXPathContext, TXPathContextFreer> context(xmlXPathNewContext(doc));
  if (!context) throw TXmlError("out of memory evaluating an XML path");
  context->error = SilentXPathError;
  std::unique_ptr<xmlXPathObject, TXPathObjectFreer> result(xmlXPathEvalExpression(Xml(expression), context.get()));
  if (!result) {
    std::string reason = TrimmedMessage(context->lastError.message);
    if (reason.empty()) reason = "invalid expression";
    throw TXmlError("XML path \"" + SanitizeUtf8(path) + "\": " + reason);
  }
  std::vector<TXmlNode> nodes;
  if (result->type != XPATH_NODESET || result->nodesetval == nullptr) return nodes;
  xmlNodeSetPtr set = result->nodesetval;
  for (int i = 0; i < set->nodeNr; ++i) {
    xmlNodePtr node = set->nodeTab[i];
    // Namespace nodes in a result are copies owned by the result set.
    if (node == nullptr || node->type == XML_NAMESPACE_DECL) continue;
    nodes.emplace_back(node);
    if (first_only) break;
  }
  return nodes;
}

}  // namespace

TXmlDocument::TXmlDocument() : doc_(NewEmptyDocument()) {}

TXmlDocument::~TXmlDocument() {
  FreeDetachedNodes();
  if (doc_ != nullptr) xmlFreeDoc(doc_);
}

TXmlDocument::TXmlDocument(TXmlDocument&& other) noexcept
    : doc_(std::exchange(other.doc_, nullptr)), detached_(std::move(other.detached_)) {
  other.detached_.clear();
}

TXmlDocument& TXmlDocument::operator=(TXmlDocument&& other) noexcept {
  if (this != &other) {
    FreeDetachedNodes();
    if (doc_ != nullptr) xmlFreeDoc(doc_);
    doc_ = std::exchange(other.doc_, nullptr);
    detached_ = std::move(other.detached_);
    other.detached_.clear();
  }
  return *this;
}

void TXmlDocument::FreeDetachedNodes() {
  // Must run before the document is freed: an inserted node belongs to it.
  for (xmlNodePtr node : detached_) {
    if (node->parent == nullptr && node->prev == nullptr && node->next == nullptr) xmlFreeNode(node);
  }
  detached_.clear();
}

template <class TParse>
bool TXmlDocument::Load(TParse parse) {
  try {
    Clear();
    xmlDocPtr parsed = parse();
    if (parsed == nullptr) return false;
    xmlFreeDoc(doc_);
    doc_ = parsed;
    return true;
  } catch (...) {
    return false;
  }
}

bool TXmlDocument::LoadFile(const std::string& path) {
  return Load([&] { return xmlReadFile(path.c_str(), nullptr, kFileParseOptions); });
}

namespace {

// Keeps the parser's first error: later ones are often its consequences.
void KeepFirstError(void* data, xmlErrorPtr error) {
  auto* context = static_cast<xmlParserCtxtPtr>(data);
  auto* failure = static_cast<TXmlLoadFailure*>(context->_private);
  if (failure == nullptr || error == nullptr || error->level < XML_ERR_ERROR || !failure->message.empty()) return;
  failure->line = error->line;
  failure->message = TrimmedMessage(error->message);
}

}  // namespace

bool TXmlDocument::LoadFile(const std::string& path, TXmlLoadFailure& failure) {
  struct TParserFreer {
    void operator()(xmlParserCtxtPtr context) const { xmlFreeParserCtxt(context); }
  };
  failure = {};
  std::unique_ptr<xmlParserCtxt, TParserFreer> context;
  const bool loaded = Load([&]() -> xmlDocPtr {
    context.reset(xmlNewParserCtxt());
    if (!context) return nullptr;
    // The handler is called with the context (its userData) for every error.
    context->_private = &failure;
    context->sax->serror = KeepFirstError;
    return xmlCtxtReadFile(context.get(), path.c_str(), nullptr, kFileParseOptions);
  });
  if (loaded) {
    failure = {};
    return true;
  }
  if (failure.message.empty()) {
    const xmlError* error = context ? xmlCtxtGetLastError(context.get()) : nullptr;
    failure.line = error != nullptr ? error->line : 0;
    failure.message = TrimmedMessage(error != nullptr ? error->message : nullptr);
  }
  if (failure.message.empty()) failure.message = context ? "cannot be read" : "out of memory";
  return false;
}

bool TXmlDocument::LoadText(std::string_view text) {
  return Load([&]() -> xmlDocPtr {
    if (text.size() > static_cast<std::size_t>(INT32_MAX)) return nullptr;
    return xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr, kParseOptions);
  });
}

void TXmlDocument::Clear() {
  xmlDocPtr fresh = NewEmptyDocument();
  FreeDetachedNodes();
  if (doc_ != nullptr) xmlFreeDoc(doc_);
  doc_ = fresh;
}

TXmlNode TXmlDocument::SelectFirst(std::string_view path) const {
  std::vector<TXmlNode> nodes = Evaluate(doc_, path, true);
  return nodes.empty() ? TXmlNode() : nodes.front();
}

std::vector<TXmlNode> TXmlDocument::SelectAll(std::string_view path) const { return Evaluate(doc_, path, false); }

TXmlNode TXmlDocument::Root() const { return TXmlNode(xmlDocGetRootElement(doc_)); }

TXmlNode TXmlDocument::CreateRoot(std::string_view name) {
  if (xmlDocGetRootElement(doc_) != nullptr) throw TXmlError("the XML document already has a root element");
  if (!IsXmlName(name)) throw TXmlError("not a valid XML name: \"" + SanitizeUtf8(name) + "\"");
  xmlNodePtr root = xmlNewDocNode(doc_, nullptr, Xml(std::string(name)), nullptr);
  if (root == nullptr) throw TXmlError("out of memory creating an XML element");
  xmlDocSetRootElement(doc_, root);
  return TXmlNode(root);
}

TXmlNode TXmlDocument::AppendComment(std::string_view text) {
  xmlNodePtr comment = xmlNewDocComment(doc_, Xml(SanitizeUtf8(text)));
  if (comment == nullptr || xmlAddChild(reinterpret_cast<xmlNodePtr>(doc_), comment) == nullptr) {
    xmlFreeNode(comment);
    throw TXmlError("cannot append an XML comment");
  }
  return TXmlNode(comment);
}

TXmlNode TXmlDocument::AppendProcessingInstruction(std::string_view target, std::string_view data) {
  TXmlNode pi = CreateProcessingInstruction(target, data);
  detached_.pop_back();  // owned by the document from here on
  if (xmlAddChild(reinterpret_cast<xmlNodePtr>(doc_), pi.raw()) == nullptr) {
    xmlFreeNode(pi.raw());
    throw TXmlError("cannot append an XML processing instruction");
  }
  return pi;
}

TXmlNode TXmlDocument::CreateProcessingInstruction(std::string_view target, std::string_view data) {
  const std::string name(target);
  if (!IsXmlName(name)) throw TXmlError("not a valid XML name: \"" + SanitizeUtf8(name) + "\"");
  detached_.reserve(detached_.size() + 1);
  xmlNodePtr pi = xmlNewDocPI(doc_, Xml(name), Xml(SanitizeUtf8(data)));
  if (pi == nullptr) throw TXmlError("out of memory creating an XML processing instruction");
  detached_.push_back(pi);
  return TXmlNode(pi);
}

namespace {

// Every written text must load again. libxml2 writes a character that
// Windows-1251 lacks as a character reference: the same character again in
// text and attribute values, but no name (of an element, an attribute, a
// processing instruction, an entity) may hold a reference, so a document
// with such a name would be written broken. Only texts that hold a reference
// at all are parsed again to find out; they are rare.
std::string SerialisedText(xmlDocPtr doc, int indent) {
  xmlChar* memory = nullptr;
  int size = 0;
  xmlDocDumpFormatMemoryEnc(doc, &memory, &size, kEncoding, indent);
  if (memory == nullptr) throw TXmlError("cannot serialise the XML document in windows-1251");
  std::string text(reinterpret_cast<const char*>(memory), static_cast<std::size_t>(size));
  xmlFree(memory);
  if (text.find("&#") != std::string::npos) {
    xmlDocPtr again = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr, kParseOptions);
    if (again == nullptr) {
      throw TXmlError("cannot write the XML document in windows-1251: a name in it holds a character "
                     "that windows-1251 does not have");
    }
    xmlFreeDoc(again);
  }
  return text;
}

}  // namespace

std::string TXmlDocument::ToText() const { return SerialisedText(doc_, 1); }

std::string TXmlDocument::ToCompactText() const { return SerialisedText(doc_, 0); }

void TXmlDocument::SaveFile(const std::string& path) const {
  const std::string text = ToText();
  // Written beside the target and renamed over it, so that a failed write
  // never leaves a cut-off document where a reader would find it.
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) throw TXmlError("cannot create " + path + ": " + std::strerror(errno));
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    written += static_cast<std::size_t>(n);
  }
  const int write_error = written == text.size() ? 0 : errno;
  const bool closed = ::close(fd) == 0;
  const int error = write_error != 0 ? write_error : (closed ? 0 : errno);
  if (error != 0 || std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int saved = error != 0 ? error : errno;
    ::unlink(temporary.c_str());
    throw TXmlError("cannot write " + path + ": " + std::strerror(saved));
  }
}

}  // namespace sky
