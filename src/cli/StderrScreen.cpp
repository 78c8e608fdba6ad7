#include "cli/StderrScreen.h"

#include <cstdio>

namespace tarvik {

MessageAnswer StderrScreen::showMessage(std::string_view, std::string_view text, MessageButtons buttons)
{
    std::string line = programName_;
    line += ": ";
    line += text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    // Nobody is there to answer: take the answer that leaves things as they are.
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

} // namespace tarvik
