#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::mpasm {

// The characters of a source as program text, which is Latin-1 bytes. A source that is valid
// UTF-8 is read as UTF-8; any other is taken as Latin-1 bytes as they stand, which is what a
// Latin-1 editor or an older export writes. Only the pieces that become program text are
// converted: the code keeps its bytes, as gpasm reads them.
class SourceText {
public:
    explicit SourceText(std::string_view source);

    // The source without the byte order mark some editors begin a UTF-8 file with.
    std::string_view text() const { return text_; }
    bool isUtf8() const { return utf8_; }

    // A piece of the source in Latin-1. A character Latin-1 has no place for becomes '?' and
    // its code point is added to lost.
    std::string latin1(std::string_view piece, std::vector<std::uint32_t>& lost) const;

    static bool isValidUtf8(std::string_view text);

private:
    std::string_view text_;
    bool utf8_;
};

// Program text (Latin-1) as UTF-8, for text files other programs read.
std::string utf8FromLatin1(std::string_view text);

} // namespace tarvik::mpasm
