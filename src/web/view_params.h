// Reading what a view is asked for: values of the parameter list (numbers
// in them are read with ToInt32, base/text.h), and file names that must
// stay inside the program directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sky {

// The value of the first "name=value" line whose name equals `name` without
// case; nullopt when no line has that name.
std::optional<std::string> ListValue(const std::vector<std::string>& list, std::string_view name);
// The parameters after the path ("/?a=1&b=2") as "name=value" lines in URL
// order, each as it arrived (not decoded); empty pieces left out.
std::vector<std::string> QueryParameterList(std::string_view params);
// The list's srvid when it is a number of digits, otherwise "1".
std::string SrvidValue(const std::vector<std::string>& list);
// True when a requested file name stays inside the program directory: not
// absolute, no ".." component, no backslash and no control character.
bool IsContainedFileName(std::string_view name);

}  // namespace sky
