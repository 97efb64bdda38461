// Award evaluation on inputs that once went wrong.
#include "awards/award_fixture.h"

namespace sky::test {
namespace {

using AwardRegression = AwardTest;

// Kill counts at the top of the int columns: the totals of walked sorties
// used to overflow (undefined behaviour) where the server's sums of the same
// sorties are wide and then narrowed. Walked or summed, the ratios agree.
TEST_F(AwardRegression, WalkedTotalsNarrowLikeTheSummedTotalsOfTheSameSorties) {
  constexpr int kTop = 2147483647;
  AddSorties({{.id = 1, .eAir = kTop, .eTank = kTop, .eCar = kTop},
              {.id = 2, .eAir = kTop}});
  const std::string awards =
      RedAwards("", "<item id=\"1\" name=\"Wrapped\" value=\"2\">"
                    "<condition ks=\"-1\" gks=\"-1\"/></item>");
  const int32_t walked = Mask(awards, /*start_sortie=*/0);
  const int32_t summed = Mask(awards, /*start_sortie=*/3);
  EXPECT_EQ(summed, 2);
  EXPECT_EQ(walked, summed);
}

}  // namespace
}  // namespace sky::test
