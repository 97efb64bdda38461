// libxml2's global set-up, done once before any thread parses or builds.
#pragma once

namespace sky {

// Sets up the parser's global tables on first call; later calls return at once.
void InitXmlLibrary();

}  // namespace sky
