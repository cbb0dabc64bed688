#include "base/text_format.h"

#include <cstdio>

std::string FormatV(const char* fmt, std::va_list args) {
    std::va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, fmt, measure);
    va_end(measure);
    if (length <= 0) {
        return std::string();
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    // The string's own terminator slot takes vsnprintf's trailing zero.
    std::vsnprintf(text.data(), text.size() + 1, fmt, args);
    return text;
}

std::string Format(const char* fmt, ...) {
    std::va_list args;
    va_start(args, fmt);
    std::string text = FormatV(fmt, args);
    va_end(args);
    return text;
}
