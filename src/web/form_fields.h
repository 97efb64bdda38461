// Fields of a form post (application/x-www-form-urlencoded) and the
// comparison of secrets taken from one.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace sky {

// "+" becomes a blank and "%XY" the byte XY; a "%" without two hex digits
// stays as it is. The result is bytes in whatever charset the client used.
std::string UrlDecode(std::string_view text);

// Every byte but ASCII letters, digits and "-._~" as "%XY": a text that can
// stand as a parameter's value in a link.
std::string UrlEncode(std::string_view text);

// The decoded value of the first field whose decoded name equals `name`.
std::optional<std::string> FormFieldValue(std::string_view body, std::string_view name);

// The body with every field's value replaced by asterisks except those of
// the fields named in `shown`, for writing it to the log: a secret typed
// into any field stays out of it. Empty values stay empty.
std::string MaskFormValues(std::string_view body, std::initializer_list<std::string_view> shown);

// Equality whose running time depends only on the length of `supplied`, not
// on where the texts differ or on the secret's content.
bool ConstantTimeEquals(std::string_view supplied, std::string_view secret);

}  // namespace sky
