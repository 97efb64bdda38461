// A compiled XSLT stylesheet and its application to a document, with
// libxslt, under a fixed security policy: a stylesheet may not write
// files, create folders or use the network, and may read files (with
// document(), xsl:import, xsl:include) only inside one folder, the
// readable root. Stylesheets are trusted to be the administrator's; the
// documents they are applied to carry the pilots' data, which the output
// methods escape as every XSLT processor does.
//
// A compiled stylesheet is immutable: one object may be applied by any
// number of threads at once.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace sky {

struct TXslOutput {
  std::string bytes;     // the serialised result, in `encoding`
  std::string encoding;  // the xsl:output encoding, "UTF-8" when it names none
};

class TXslStylesheet {
 public:
  // Compiles the file; raises TXmlError with libxml2's or libxslt's first
  // message when it does not parse, does not compile or reads outside
  // `readable_root` (an absolute folder).
  static std::shared_ptr<const TXslStylesheet> Compile(const std::string& path, const std::string& readable_root);

  ~TXslStylesheet();
  TXslStylesheet(const TXslStylesheet&) = delete;
  TXslStylesheet& operator=(const TXslStylesheet&) = delete;

  // Applies the stylesheet to the XML document `document` (bytes in the
  // encoding its declaration names). Raises TXmlError when the document
  // does not parse or the transformation reports anything (an error, a
  // refused file, folder or network access, or an xsl:message).
  TXslOutput Apply(std::string_view document) const;

 private:
  struct TImpl;
  explicit TXslStylesheet(std::unique_ptr<TImpl> impl);
  std::unique_ptr<TImpl> impl_;
};

}  // namespace sky
