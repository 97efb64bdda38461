// The stylesheets the server renders HTML with, compiled once and kept by
// file: a file whose modification time or size changed is compiled again
// at its next use, so an administrator's edit shows at the next request.
// Files are read only inside the program folder (xml/xsl_stylesheet.h).
// Safe to call from any number of threads.
#pragma once

#include <memory>
#include <string>

#include "xml/xsl_stylesheet.h"

namespace sky {

// The compiled stylesheet of the file `name`, relative to the program
// folder. Raises TXmlError when the file is missing, does not compile, or
// is no name inside the folder.
std::shared_ptr<const TXslStylesheet> CompiledStylesheet(const std::string& name);

}  // namespace sky
