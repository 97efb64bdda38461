// The banner image, built into the program from site/banner.gif, and its
// answer ("GET /sky.gif").
#pragma once

#include <string_view>

#include "http/connection.h"

namespace sky {

// The built-in GIF image.
std::string_view BannerImage();
// The image with its head ("Content-Length", "Content-Type: image/gif");
// errors are logged at level 0.
void SendBanner(TConnection& connection);

}  // namespace sky
