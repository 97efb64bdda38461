// Static files as answers: the head the file's kind takes
// (http/http_response.h) and the file's bytes, a small unchanging file from
// the cache and a large or changing one by the kernel (see SendFileAnswer).
#pragma once

#include <string>
#include <string_view>

#include "http/connection.h"
#include "http/file_cache.h"

namespace sky {

// The file head and the file's bytes; nothing when the file cannot be read.
void SendFile(TConnection& connection, TFileCache& cache, const std::string& path);
// The same with the image head naming `content_type`.
void SendImageFile(TConnection& connection, TFileCache& cache, const std::string& path,
                   std::string_view content_type);

}  // namespace sky
