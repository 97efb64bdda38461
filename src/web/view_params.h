// Reading what a view is asked for: values of the parameter list, numbers,
// and file names that must stay inside the program directory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sky {

// The value of the first "name=value" line whose name equals `name` without
// case; nullopt when no line has that name.
std::optional<std::string> ListValue(const std::vector<std::string>& list, std::string_view name);
// A decimal text as a 32-bit number; nullopt when it is no number or too large.
std::optional<int32_t> ToInt32(std::string_view text);
// True when a requested file name stays inside the program directory: not
// absolute, no ".." component, no backslash and no control character.
bool IsContainedFileName(std::string_view name);

}  // namespace sky
