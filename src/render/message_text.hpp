#pragma once

#include <string>
#include <string_view>

namespace velrin {

/// Text from the input or the command line made safe to quote in a message
/// for a terminal: every byte outside printable ASCII (control characters,
/// escape sequences, NUL, bytes of UTF-8 or of none) becomes \xHH, and a
/// backslash \\, so that the quote shows exactly which bytes were there.
std::string printable(std::string_view text);

}  // namespace velrin
