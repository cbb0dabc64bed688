#pragma once
// printf-style formatting into a std::string: the one way program texts are formatted.

#include <cstdarg>
#include <string>

// Formats like printf and gives the whole text, whatever its length.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// The same with an argument list already started.
std::string FormatV(const char* fmt, std::va_list args) __attribute__((format(printf, 1, 0)));
