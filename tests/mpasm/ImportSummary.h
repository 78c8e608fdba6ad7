#pragma once

#include "assembler/ConvertToHex.h"
#include "mpasm/Import.h"

#include "FakeScreen.h"

#include <cstdio>
#include <string>

namespace tarvik::test {

// An import in one line, for tables of expectations: the words the program assembles to,
// each in hex, a word not at the address after the one before it preceded by "@ADDRESS";
// then each note as "note LINE: TEXT". A refusal reads "line LINE: TEXT".
inline std::string importSummary(const std::string& source)
{
    const DeviceDefaults defaults;
    const ImportOutcome outcome = importMpasmSource(source, defaults);
    if (!outcome.document)
        return "line " + std::to_string(outcome.refusal->line) + ": " + outcome.refusal->text;
    FakeScreen screen;
    HexImage image;
    if (!assembleProgram(*outcome.document, screen, image))
        return "does not assemble: " + screen.messages.front().text;
    std::string summary;
    char word[16];
    int next = 0;
    for (int i = 0; i + 1 < image.count(); i += 2) {
        const int address = image.addressAt(i) / 2;
        if (address != next)
            summary += (summary.empty() ? "@" : " @") + std::to_string(address);
        std::snprintf(word, sizeof word, "%04X", static_cast<unsigned>(image.byteAt(i) | image.byteAt(i + 1) << 8));
        summary += (summary.empty() ? "" : " ") + std::string(word);
        next = address + 1;
    }
    for (const ImportMessage& note : outcome.notes)
        summary += (summary.empty() ? "" : " ") + std::string("note ") + std::to_string(note.line) + ": " + note.text;
    return summary;
}

} // namespace tarvik::test
