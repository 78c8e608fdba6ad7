#include "cli/StderrScreen.h"

#include "files/InputFile.h"
#include "files/PrintableText.h"
#include "files/ProgramFile.h"

#include <cstdio>

namespace tarvik {

void printMessage(std::string_view name, std::string_view text)
{
    std::string out;
    for (;;) {
        const std::size_t end = text.find('\n');
        out += name;
        out += ": ";
        out += text.substr(0, end);
        out += '\n';
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    const std::string printable = printableText(out);
    std::fwrite(printable.data(), 1, printable.size(), stderr);
}

bool inputReadable(const std::string& path)
{
    const InputCheck check = checkInputFile(path);
    if (check.ok())
        return true;
    if (check.problem == InputCheck::Problem::Missing)
        printMessage(path, readStatusMessage(ReadStatus::CannotOpen));
    else
        printMessage(path, "cannot read the file\n" + check.describe());
    return false;
}

MessageAnswer StderrScreen::showMessage(std::string_view, std::string_view text, MessageButtons buttons)
{
    // Messages are program text, Latin-1; the terminal reads UTF-8.
    std::string utf8;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    printMessage(programName_, utf8);
    // Nobody is there to answer: take the answer that leaves things as they are.
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

} // namespace tarvik
