// Whether a request says unambiguously where its body ends.
//
// A proxy in front of the port and this server must agree on every
// request's length, or the bytes one of them takes for a body the other
// takes for the next request. So a request is refused, before anything of
// it is run, when its Content-Length lines (or the comma-separated values
// of one line) name different lengths, and when it carries Transfer-Encoding
// at all: this server reads bodies by their length only. A Content-Length
// that names one length, however written, is left to the usual reading.
#pragma once

#include <string_view>

namespace sky {

enum class TFramingFault {
  kNone,
  kConflictingLengths,  // answered 400 Bad Request
  kTransferEncoding,    // answered 501 Not Implemented
};

// `request` is the request text (header lines, each followed by CR LF).
TFramingFault CheckRequestFraming(std::string_view request);

}  // namespace sky
