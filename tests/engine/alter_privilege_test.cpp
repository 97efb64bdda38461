// Reading the ALTER privilege on `pilots` of database "sky_stats" out of
// SHOW GRANTS lines, as the server writes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/alter_privilege.h"

namespace sky::test {
namespace {

struct GrantCase {
  const char* line;
  bool alters;
};

const GrantCase kGrants[] = {
    {"GRANT ALL PRIVILEGES ON *.* TO `sky`@`%` IDENTIFIED BY PASSWORD '*75'", true},
    {"GRANT SELECT, UPDATE ON *.* TO `sky`@`%`", false},
    {"GRANT SELECT, ALTER ON `sky_stats`.* TO `ranks`@`%`", true},
    {"GRANT ALTER ON `sky\\_%`.* TO PUBLIC", true},
    {"GRANT ALTER ON `sky\\_x%`.* TO PUBLIC", false},
    {"GRANT ALTER ON `sky_stat`.* TO `r`", false},
    {"GRANT ALTER ON `sky_stats`.`pilots` TO `ranks`@`%`", true},
    {"GRANT ALTER ON `sky_stats`.`sorties` TO `ranks`@`%`", false},
    {"GRANT ALTER ON `other`.`pilots` TO `ranks`@`%`", false},
    {"GRANT ALTER ROUTINE, EXECUTE ON `sky_stats`.* TO `ranks`@`%`", false},
    {"GRANT SELECT (ALTER, id), INSERT ON `sky_stats`.`pilots` TO `ranks`@`%`", false},
    {"GRANT EXECUTE, ALTER ROUTINE ON PROCEDURE `sky_stats`.`p` TO `ranks`@`%`", false},
    {"GRANT `ranker` TO `ranks`@`%`", false},
    {"GRANT PROXY ON ''@'%' TO 'root'@'localhost' WITH GRANT OPTION", false},
};

TEST(AlterPrivilege, EachGrantLine) {
  for (const GrantCase& c : kGrants) {
    EXPECT_EQ(GrantsAlterOn(std::vector<std::string>{c.line}, "sky_stats", "pilots"), c.alters) << c.line;
  }
  EXPECT_TRUE(GrantsAlterOn(std::vector<std::string>{kGrants[1].line, kGrants[2].line}, "sky_stats", "pilots"));
}

}  // namespace
}  // namespace sky::test
