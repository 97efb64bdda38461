#include "web/view_params.h"

#include "base/text.h"
#include "http/request_parsing.h"

namespace sky {

std::string QuerySrvid(std::string_view params) {
  static const TNumberParam srvid("srvid", TNumberParam::TPlacement::kQueryParameter);
  return srvid.In(params).value_or("1");
}

std::string SrvidValue(const std::vector<std::string>& list) {
  const std::string srvid = TrimText(ListValue(list, "srvid").value_or(""));
  const bool digits = !srvid.empty() && srvid.find_first_not_of("0123456789") == std::string::npos;
  return digits && ToInt32(srvid) ? srvid : "1";
}

}  // namespace sky
