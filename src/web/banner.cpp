// Implements part of web/answer_framing.h (SendBanner, BannerImage).
// The banner image, built into the program from site/banner.gif.
#include <exception>

#include "base/log.h"
#include "web/answer_framing.h"
#include "web/banner_gif.h"

namespace sky {

std::string_view BannerImage() {
  return {reinterpret_cast<const char*>(generated::kBannerGif), sizeof generated::kBannerGif};
}

void SendBanner(TConnection& connection) {
  try {
    std::string_view image = BannerImage();
    WriteBannerHead(connection, image.size());
    connection.Write(image);
  } catch (const std::exception& e) {
    WriteLog(0, e.what());
  }
}

}  // namespace sky
