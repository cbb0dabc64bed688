#pragma once
// Text from outside (a device's name, a line of a file) made safe for a terminal: the
// control characters that would move the cursor, change colours or start an escape
// sequence are shown as escapes instead of being sent as they are. Pure.

#include <string>
#include <string_view>

// The UTF-8 text with every C0 control (tab included), DEL and C1 control (U+0080 to
// U+009F, which some terminals take as escape sequences) written as \xNN of its code
// point, and a backslash as "\\", so that what is shown can be told apart from an escape.
// Bytes that are no UTF-8 are written as \xNN too.
std::string ShownText(std::string_view text);
