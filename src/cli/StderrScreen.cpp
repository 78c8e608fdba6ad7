#include "cli/StderrScreen.h"

#include <cstdio>

namespace tarvik {

MessageAnswer StderrScreen::showMessage(std::string_view, std::string_view text, MessageButtons buttons)
{
    std::string line = programName_;
    line += ": ";
    // Messages are program text, Latin-1; the terminal reads UTF-8.
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            line += c;
        } else {
            line += static_cast<char>(0xC0 | (byte >> 6));
            line += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    // Nobody is there to answer: take the answer that leaves things as they are.
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

} // namespace tarvik
