#include "model/Screen.h"

#include <cstdarg>
#include <cstdio>

namespace tarvik {

std::string formatMessage(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

std::string fileNameText(std::string_view utf8)
{
    std::string text;
    text.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3
                                 : (lead & 0xF8) == 0xF0 ? 4 : 0;
        bool valid = length != 0 && i + length <= utf8.size();
        unsigned int code = length == 1 ? lead : lead & (0x7Fu >> length);
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (!valid) {
            text += '?';
            ++i;
            continue;
        }
        // An overlong form could smuggle in a NUL, which would cut the message short.
        constexpr unsigned int kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
        text += code >= kShortest[length] && code < 0x100 ? static_cast<char>(code) : '?';
        i += length;
    }
    return text;
}

} // namespace tarvik
