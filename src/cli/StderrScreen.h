#pragma once

#include "model/Screen.h"

#include <string>

namespace tarvik {

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
