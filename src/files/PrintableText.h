#pragma once

#include <string>
#include <string_view>

namespace tarvik {

// Text for a terminal or a message box: valid UTF-8, line breaks and tabs pass as they are;
// any other byte (a Latin-1 letter of a program, a stray byte of a file name, a control
// character that would drive the terminal) is shown as \xHH.
std::string printableText(std::string_view text);

} // namespace tarvik
