#include "files/PrintableText.h"

namespace tarvik {

namespace {

// The length of the well-formed UTF-8 sequence at the start of text (no overlong forms,
// no surrogates, nothing past U+10FFFF), or 0.
std::size_t sequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

} // namespace

std::string printableText(std::string_view text)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.front());
        std::size_t take = 1;
        if (c >= 0x80)
            take = sequenceLength(text);
        // U+0080 to U+009F are control characters too: some terminals take U+009B as CSI.
        if (take == 2 && c == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0)
            take = 0;
        if (take > 0 && (c >= 0x20 || c == '\n' || c == '\t') && c != 0x7F) {
            out.append(text.substr(0, take));
        } else {
            take = 1;
            out += "\\x";
            out += kDigits[c >> 4];
            out += kDigits[c & 0xF];
        }
        text.remove_prefix(take);
    }
    return out;
}

} // namespace tarvik
