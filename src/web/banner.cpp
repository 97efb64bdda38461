#include "web/banner.h"

#include <exception>
#include <string>

#include "base/log.h"
#include "http/http_response.h"
#include "web/banner_gif.h"

namespace sky {

std::string_view BannerImage() {
  return {reinterpret_cast<const char*>(generated::kBannerGif), sizeof generated::kBannerGif};
}

void SendBanner(TConnection& connection) {
  try {
    const std::string_view image = BannerImage();
    ImageResponse(image.size(), "image/gif").Body(std::string(image)).Send(connection);
  } catch (const std::exception& e) {
    WriteLog(0, e.what());
  }
}

}  // namespace sky
