// Readers of single values of the settings file, and the conversions of
// their texts to numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "xml/xml_document.h"

namespace sky {

// Paths use zero-based indexes.
std::string ReadNodeText(const TXmlDocument& doc, std::string_view path);
std::string ReadNodeValue(const TXmlDocument& doc, std::string_view path);
int32_t ReadIntValue(const TXmlDocument& doc, std::string_view path, int32_t default_value);
double ReadFloatValue(const TXmlDocument& doc, std::string_view path, double default_value);
std::string ReadAttrText(TXmlNode element, std::string_view attribute);
// "0,5" and "0.5" both give 0.5; empty gives 0. Throws std::invalid_argument
// (after the level-0 conversion line) for a text that is not a number.
double TextToFloat(std::string_view text);
// The number TextToFloat gives, nullopt where it fails; writes nothing.
std::optional<double> ReadDecimal(std::string_view text);
// The whole part of TextToFloat(text) kept to its low 32 bits, as every
// integer setting is read ("7.9" gives 7); beyond 64 bits gives 0.
int32_t TextToInt32(std::string_view text);

}  // namespace sky
