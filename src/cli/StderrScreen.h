#pragma once

#include "model/Screen.h"

#include <string>
#include <string_view>

namespace tarvik {

// Writes the text to standard error, each of its lines as "NAME: LINE", with whatever is
// not valid UTF-8 shown escaped rather than sent to the terminal raw.
void printMessage(std::string_view name, std::string_view text);

// Whether the file given as input can be read as a file. A missing one is reported with the
// reader's own message; anything else (a folder, a named pipe, no permission) with the
// system's reason, at once, before any read could wait on it.
bool inputReadable(const std::string& path);

// The screen of the command-line assembler: every message box becomes a line on standard
// error, prefixed with the program file's name; no dialog is ever offered.
class StderrScreen : public Screen {
public:
    explicit StderrScreen(std::string programName) : programName_(std::move(programName)) {}

    MessageAnswer showMessage(std::string_view caption, std::string_view text,
                              MessageButtons buttons) override;

private:
    std::string programName_;
};

} // namespace tarvik
