// Static files beside the program ("GET /name"): stylesheets, XML files,
// JPEG images, the log file (unless log/@web="0"), SVG pictures and the
// banner. The settings file, which holds passwords, is never sent, and no
// name may lead out of the program directory; such names, and names of no
// kind served, get the default page.
#pragma once

#include "web/view_call.h"

namespace sky {

void ServeFileRequest(const TViewCall& call);

}  // namespace sky
