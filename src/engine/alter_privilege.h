// Whether an account may alter a table, read from its SHOW GRANTS lines.
//
// The server lists the account's own grants and those of its enabled role
// and of PUBLIC, one statement a line:
//   GRANT ALL PRIVILEGES ON *.* TO `sky`@`%` ...
//   GRANT SELECT, ALTER ON `stats`.* TO `ranks`@`%`
//   GRANT ALTER ON `stat\_%`.`pilots` TO `ranks`@`%`
// ALTER (or ALL PRIVILEGES) counts when granted on *.*, on a database whose
// name the grant's pattern matches (% and _ are wildcards there, \ escapes
// them) or on the table itself. Lines that grant roles, proxies or routines
// grant no table privilege.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace sky {

bool GrantsAlterOn(std::span<const std::string> grants, std::string_view database, std::string_view table);

}  // namespace sky
