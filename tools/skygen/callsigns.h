// Pilot names as players pick them on a public server.
//
// Contract: CallsignMaker hands out callsigns that are unique within one
// maker, at most 40 characters (UTF-8), without tabs, newlines or
// backslashes, and representable in Windows-1251 (Latin and Cyrillic
// letters, digits and a few punctuation marks, among them ' and &). Roughly
// two in five human callsigns are Cyrillic, many carry a squadron tag or a
// number. The sequence depends only on the generator's state.
#pragma once

#include <string>
#include <unordered_set>

#include "random.h"

namespace sky::skygen {

class CallsignMaker {
 public:
  std::string Human(Random& rng);
  std::string Ai(Random& rng);

 private:
  std::string Unique(std::string name, Random& rng);

  std::unordered_set<std::string> taken_;
};

}  // namespace sky::skygen
