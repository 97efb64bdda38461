// The system's path expressions count indexes in square brackets from 0;
// XPath counts them from 1.
#pragma once

#include <string>
#include <string_view>

namespace sky {

// Maps the system's zero-based numeric indexes to XPath's one-based ones.
std::string ToXPath(std::string_view path);

}  // namespace sky
