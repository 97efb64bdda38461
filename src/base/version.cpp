#include "base/version.h"

#include <charconv>
#include <string_view>

#include <fmt/format.h>

#include "version_constants.h"

namespace sky {

namespace {

// A version part as configured; an empty one counts as 0.
unsigned VersionPart(std::string_view text) {
  unsigned value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

constexpr const char* kLegalCopyright = "Copyright (c) The skyranks developers. All rights reserved.";
// Russian (0x0419), Windows-1251 (0x04E3): the language and code page of the
// program's own texts.
constexpr const char* kTranslation = "041904E3";

}  // namespace

std::unique_ptr<TVersionInfo> TVersionInfo::ForRunningProgram() { return std::make_unique<TVersionInfo>(); }

bool TVersionInfo::Valid() const { return true; }

std::string TVersionInfo::ProductName() const { return SKY_PRODUCT_NAME; }

std::string TVersionInfo::FileVersion() const {
  const std::string text = SKY_FILE_VERSION;
  if (!text.empty()) return text;
  return FormatFixedVersion(VersionPart(SKY_VERSION_MAJOR), VersionPart(SKY_VERSION_MINOR),
                            VersionPart(SKY_VERSION_PATCH), VersionPart(SKY_VERSION_TWEAK));
}

std::string TVersionInfo::LegalCopyright() const { return kLegalCopyright; }

std::string TVersionInfo::Contact() const { return std::string(SKY_CONTACT_WEB) + "  " + SKY_CONTACT_MAIL; }

std::string TVersionInfo::Translation() const { return kTranslation; }

std::string TVersionInfo::FormatFixedVersion(unsigned major, unsigned minor, unsigned release, unsigned build) {
  return fmt::format("{}.{}.{}.{}", major & 0xFFFF, minor & 0xFFFF, release & 0xFFFF, build & 0xFFFF);
}

}  // namespace sky
