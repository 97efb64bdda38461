# Builds the banner image into the program: site/banner.gif becomes the byte
# array sky::generated::kBannerGif in <build>/generated/web/banner_gif.h.
# The header is rewritten only when the picture changes.
set(sky_banner_gif ${PROJECT_SOURCE_DIR}/site/banner.gif)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sky_banner_gif})
file(READ ${sky_banner_gif} sky_banner_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," sky_banner_bytes "${sky_banner_hex}")
set(sky_banner_line "")
foreach(i RANGE 1 16)
  string(APPEND sky_banner_line "0x..,")
endforeach()
string(REGEX REPLACE "(${sky_banner_line})" "\\1\n    " sky_banner_bytes "${sky_banner_bytes}")
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/generated/web/banner_gif.h CONTENT
"// Generated from site/banner.gif by site/banner.cmake; do not edit.
#pragma once

namespace sky::generated {

inline constexpr unsigned char kBannerGif[] = {
    @sky_banner_bytes@
};

}  // namespace sky::generated
" @ONLY)
