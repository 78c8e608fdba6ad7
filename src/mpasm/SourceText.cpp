#include "mpasm/SourceText.h"

namespace tarvik::mpasm {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

unsigned char byteAt(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the UTF-8 sequence starting at i and its code point; 0 when no valid
// sequence starts there (overlong forms, surrogates and values past U+10FFFF included).
std::size_t decode(std::string_view text, std::size_t i, std::uint32_t& codePoint)
{
    const unsigned char lead = byteAt(text, i);
    std::size_t length = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        codePoint = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        codePoint = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        codePoint = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if (!isContinuation(byteAt(text, i + k)))
            return 0;
        codePoint = codePoint << 6 | (byteAt(text, i + k) & 0x3Fu);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

SourceText::SourceText(std::string_view source)
    : text_(source.substr(0, kByteOrderMark.size()) == kByteOrderMark ? source.substr(kByteOrderMark.size()) : source),
      utf8_(isValidUtf8(text_))
{
}

bool SourceText::isValidUtf8(std::string_view text)
{
    std::uint32_t codePoint = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = decode(text, i, codePoint);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string SourceText::latin1(std::string_view piece, std::vector<std::uint32_t>& lost) const
{
    if (!utf8_)
        return std::string(piece);
    std::string out;
    out.reserve(piece.size());
    std::uint32_t codePoint = 0;
    for (std::size_t i = 0; i < piece.size();) {
        // A piece cut inside a sequence loses that character too, rather than its bytes.
        const std::size_t length = decode(piece, i, codePoint);
        if (length == 0) {
            ++i;
            while (i < piece.size() && isContinuation(byteAt(piece, i)))
                ++i;
            lost.push_back(0xFFFD);
            out += '?';
            continue;
        }
        i += length;
        if (codePoint <= 0xFF) {
            out += static_cast<char>(codePoint);
        } else {
            lost.push_back(codePoint);
            out += '?';
        }
    }
    return out;
}

std::string utf8FromLatin1(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | byte >> 6);
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

} // namespace tarvik::mpasm
