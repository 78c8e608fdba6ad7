#pragma once

#include "model/ProgramDocument.h"
#include "mpasm/RolePass.h"
#include "mpasm/SourceProgram.h"

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tarvik::mpasm {

// The last pass: the names the role pass settled go into the document's tables, every
// operand gets its text, a jump to an address gets a label on the line there, and each item
// becomes a program line, a long comment going on in blank lines below it. What it builds
// assembles, or the source is refused at the line that keeps it from assembling.
class DocumentBuilder {
public:
    DocumentBuilder(SourceProgram& program, const RolePass& roles, ProgramDocument& doc);

    void build();

    // A comment cut into pieces that fit the comment field, at a blank where there is one.
    static std::vector<std::string> commentPieces(std::string_view text);

private:
    void nameRegisters();
    void nameOne(int address, const std::string& name);
    void nameBitsAndLiterals();
    void writeOperandTexts();
    std::string registerText(int address) const;
    std::string bitText(const Item& item) const;
    void placeTargets();
    Item* instructionAt(int address, int line);
    std::string freshLabel(int address) const;
    void buildLines();
    void appendLine(int code, const std::string& operand, int destination, const std::string& label,
                    const std::string& comment, bool inactive, int sourceLine);
    void checkAssembles();

    SourceProgram& program_;
    const RolePass& roles_;
    ProgramDocument& doc_;
    std::map<std::string, Item*> extraLabels_;
    std::set<std::string> generated_;
    std::unordered_set<std::string, NameHash, std::equal_to<>> takenNames_;
    std::unordered_set<std::string, NameHash, std::equal_to<>> labelNames_;
    std::vector<int> sourceLineOf_ = {0};  // by program line, the header line being 0
};

} // namespace tarvik::mpasm
