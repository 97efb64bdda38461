// The program's identity: product name, file version, legal notice and
// translation, built into the program from the project version.
#pragma once

#include <memory>
#include <string>

namespace sky {

class TVersionInfo {
 public:
  // The running program's version information.
  static std::unique_ptr<TVersionInfo> ForRunningProgram();

  bool Valid() const;
  std::string ProductName() const;
  // The "FileVersion" string; when it is empty, the fixed version as "%d.%d.%d.%d".
  std::string FileVersion() const;
  std::string LegalCopyright() const;
  // "<web address>  <e-mail address>" as the build was configured
  // (SKY_CONTACT_WEB, SKY_CONTACT_MAIL); either may be empty.
  std::string Contact() const;
  // Language and code page as eight upper-case hex digits, e.g. "041904E3".
  std::string Translation() const;

  // Formats the fixed version from its four 16-bit parts, most significant first.
  static std::string FormatFixedVersion(unsigned major, unsigned minor, unsigned release, unsigned build);
};

}  // namespace sky
