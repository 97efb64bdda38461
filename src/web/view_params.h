// Reading what a view is asked for from the request's parameter list
// (http/request_parsing.h); numbers are read with ToInt32, base/text.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sky {

// The srvid of a lower-cased parameter string ("?cmd=show&srvid=2"): the
// digits after the first "?srvid=" or "&srvid=", "1" when there are none.
std::string QuerySrvid(std::string_view params);
// The list's srvid when it is a number of digits, otherwise "1".
std::string SrvidValue(const std::vector<std::string>& list);

}  // namespace sky
