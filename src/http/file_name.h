// File names a request may ask for.
#pragma once

#include <string_view>

namespace sky {

// True when a requested file name stays inside the program directory: not
// absolute, no ".." component, no backslash and no control character.
bool IsContainedFileName(std::string_view name);

}  // namespace sky
