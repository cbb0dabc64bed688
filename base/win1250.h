#pragma once
// Windows-1250 <-> UTF-8: texts from and to the device are Windows-1250 bytes, program
// text is UTF-8. A fixed table, so no locale is involved.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// All n bytes, zero bytes included (callers cut at the zero byte themselves).
std::string Win1250ToUtf8(const std::uint8_t* bytes, std::size_t n);
// The bytes up to the first zero byte, at most max of them.
std::string Win1250ToUtf8Z(const std::uint8_t* bytes, std::size_t max);
// A character Windows-1250 cannot hold becomes '?', and so does each byte that is not
// part of valid UTF-8.
std::vector<std::uint8_t> Utf8ToWin1250(const std::string& utf8);
// Length of the text in Windows-1250 characters (the size Utf8ToWin1250 gives).
std::size_t Win1250Length(const std::string& utf8);
