#pragma once

#include <optional>
#include <string>

namespace tarvik {

// tarvik-asm --export PROGRAM.qel [-o OUT.asm] and --list PROGRAM.qel. The program is
// assembled first; one that does not assemble gives the messages and exit status of
// assembling (1) and no output; an unreadable program or unwritable output gives 2.
// Without -o the source goes to standard output, as the listing always does.
int exportCommand(const std::string& program, const std::optional<std::string>& output);
int listCommand(const std::string& program);

} // namespace tarvik
