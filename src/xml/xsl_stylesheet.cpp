#include "xml/xsl_stylesheet.h"

#include <libexslt/exslt.h>
#include <libxml/parser.h>
#include <libxslt/imports.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "xml/xml_document.h"
#include "xml/xml_library.h"

namespace sky {

namespace {

namespace fs = std::filesystem;

// Where the messages of the current thread's compilation or transformation
// go, and the folder it may read; libxslt's error hook and its security
// hook for compilation are process-wide, so they find these per thread.
thread_local std::string* t_messages = nullptr;
thread_local const std::string* t_readable_root = nullptr;

// Keeps the first message, which libxml2 may write in several pieces up
// to its line end; the later ones are mostly its consequences.
thread_local bool t_message_complete = false;

void CollectMessage(void*, const char* format, ...) {
  if (t_messages == nullptr || t_message_complete) return;
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  *t_messages += text;
  const std::size_t line_end = t_messages->find('\n');
  if (line_end == std::string::npos) return;
  t_messages->resize(line_end);
  t_message_complete = true;
}

bool InsideRoot(const std::string& root, const char* value) {
  if (value == nullptr) return false;
  std::string_view target(value);
  if (target.starts_with("file://")) target.remove_prefix(7);
  if (target.find("://") != std::string_view::npos) return false;
  std::error_code error;
  const fs::path resolved = fs::weakly_canonical(fs::path(target), error);
  if (error) return false;
  const std::string text = resolved.string();
  return text.size() > root.size() && text.compare(0, root.size(), root) == 0 && text[root.size()] == '/';
}

int ReadInsideRoot(xsltSecurityPrefsPtr, xsltTransformContextPtr context, const char* value) {
  const std::string* root = context != nullptr ? static_cast<const std::string*>(context->_private) : t_readable_root;
  const bool allowed = root != nullptr && InsideRoot(*root, value);
  if (!allowed && t_messages != nullptr && !t_message_complete) {
    *t_messages = std::string("reading ") + (value != nullptr ? value : "") + " is not allowed";
    t_message_complete = true;
  }
  return allowed ? 1 : 0;
}

int Refuse(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* value) {
  if (t_messages != nullptr && !t_message_complete) {
    *t_messages = std::string("writing or network access is not allowed: ") + (value != nullptr ? value : "");
    t_message_complete = true;
  }
  return 0;
}

// The one policy, for compilations (the default) and transformations.
xsltSecurityPrefsPtr Policy() {
  static xsltSecurityPrefsPtr policy = [] {
    InitXmlLibrary();
    xsltInit();
    exsltRegisterAll();
    xsltSetGenericErrorFunc(nullptr, CollectMessage);
    xsltSecurityPrefsPtr prefs = xsltNewSecurityPrefs();
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_READ_FILE, ReadInsideRoot);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_FILE, Refuse);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_CREATE_DIRECTORY, Refuse);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_READ_NETWORK, Refuse);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_NETWORK, Refuse);
    xsltSetDefaultSecurityPrefs(prefs);
    return prefs;
  }();
  return policy;
}

// Collects the thread's messages for one operation, libxml2's included.
class TMessageScope {
 public:
  TMessageScope(std::string& messages, const std::string& root) {
    t_messages = &messages;
    t_message_complete = false;
    t_readable_root = &root;
    xmlSetGenericErrorFunc(nullptr, CollectMessage);
  }
  ~TMessageScope() {
    xmlSetGenericErrorFunc(nullptr, nullptr);
    t_messages = nullptr;
    t_message_complete = false;
    t_readable_root = nullptr;
  }
  TMessageScope(const TMessageScope&) = delete;
  TMessageScope& operator=(const TMessageScope&) = delete;
};

struct TDocFree {
  void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
using TDoc = std::unique_ptr<xmlDoc, TDocFree>;
struct TContextFree {
  void operator()(xsltTransformContextPtr context) const { xsltFreeTransformContext(context); }
};
struct TCharFree {
  void operator()(xmlChar* text) const { xmlFree(text); }
};

std::string MessageOr(const std::string& messages, const std::string& fallback) {
  return messages.empty() ? fallback : messages;
}

}  // namespace

struct TXslStylesheet::TImpl {
  xsltStylesheetPtr style = nullptr;
  std::string root;
  ~TImpl() {
    if (style != nullptr) xsltFreeStylesheet(style);
  }
};

TXslStylesheet::TXslStylesheet(std::unique_ptr<TImpl> impl) : impl_(std::move(impl)) {}
TXslStylesheet::~TXslStylesheet() = default;

std::shared_ptr<const TXslStylesheet> TXslStylesheet::Compile(const std::string& path,
                                                              const std::string& readable_root) {
  Policy();
  auto impl = std::make_unique<TImpl>();
  // Compared with resolved paths, so resolved itself.
  std::error_code error;
  impl->root = fs::weakly_canonical(readable_root, error).string();
  if (error || impl->root.empty()) impl->root = readable_root;
  std::string messages;
  {
    TMessageScope scope(messages, impl->root);
    if (!InsideRoot(impl->root, path.c_str())) throw TXmlError("reading " + path + " is not allowed");
    TDoc doc(xmlReadFile(path.c_str(), nullptr, XSLT_PARSE_OPTIONS | XML_PARSE_NONET));
    if (!doc) throw TXmlError(MessageOr(messages, "cannot read " + path));
    impl->style = xsltParseStylesheetDoc(doc.get());
    // Compiled, the stylesheet owns the document; otherwise it is ours to free.
    if (impl->style == nullptr || impl->style->errors > 0) {
      if (impl->style == nullptr) {
        throw TXmlError(MessageOr(messages, "not a stylesheet"));
      }
      doc.release();
      throw TXmlError(MessageOr(messages, "the stylesheet does not compile"));
    }
    doc.release();
  }
  return std::shared_ptr<const TXslStylesheet>(new TXslStylesheet(std::move(impl)));
}

TXslOutput TXslStylesheet::Apply(std::string_view document) const {
  if (document.size() > static_cast<std::size_t>(INT_MAX)) throw TXmlError("the document is too large");
  std::string messages;
  TMessageScope scope(messages, impl_->root);
  TDoc source(xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr, nullptr,
                            XML_PARSE_NONET));
  if (!source) throw TXmlError(MessageOr(messages, "the document does not parse"));
  std::unique_ptr<xsltTransformContext, TContextFree> context(xsltNewTransformContext(impl_->style, source.get()));
  if (!context) throw TXmlError("out of memory");
  context->_private = const_cast<std::string*>(&impl_->root);
  xsltSetCtxtSecurityPrefs(Policy(), context.get());
  xsltSetTransformErrorFunc(context.get(), nullptr, CollectMessage);
  TDoc result(xsltApplyStylesheetUser(impl_->style, source.get(), nullptr, nullptr, nullptr, context.get()));
  if (!result || context->state != XSLT_STATE_OK || !messages.empty()) {
    throw TXmlError(MessageOr(messages, "the transformation failed"));
  }
  xmlChar* bytes = nullptr;
  int length = 0;
  if (xsltSaveResultToString(&bytes, &length, result.get(), impl_->style) != 0) {
    throw TXmlError("the result cannot be written");
  }
  std::unique_ptr<xmlChar, TCharFree> owned(bytes);
  const xmlChar* encoding = nullptr;
  XSLT_GET_IMPORT_PTR(encoding, impl_->style, encoding);
  TXslOutput output;
  if (bytes != nullptr) output.bytes.assign(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
  output.encoding = encoding != nullptr ? reinterpret_cast<const char*>(encoding) : "UTF-8";
  return output;
}

}  // namespace sky
