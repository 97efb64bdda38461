// File names a request may ask for.
#pragma once

#include <string>
#include <string_view>

namespace sky {

// True when a requested file name stays inside the program directory: not
// absolute, no ".." component, no backslash and no control character.
bool IsContainedFileName(std::string_view name);
// True when `path` names a regular file (after links); false on any error.
bool IsRegularFile(const std::string& path);

}  // namespace sky
