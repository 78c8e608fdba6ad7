#pragma once

#include "model/DeviceDefaults.h"
#include "mpasm/Lexer.h"
#include "mpasm/Mnemonics.h"
#include "mpasm/SourceProgram.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvik::mpasm {

// The first pass: every line of the source up to `end` becomes items and symbols of the
// source program, each address counted as gpasm counts it. Instructions are read here,
// directives by the handlers of the DirectiveTable, through the operations below.
// Whatever a program cannot hold is refused at its line.
class SourceReader {
public:
    SourceReader(SourceProgram& program, const DeviceDefaults& defaults);

    void read();
    // One line, as if it stood at that line of the source.
    void readLine(std::string_view text, int line);

    // Whether a lower-case word is an instruction, a special mnemonic or a directive.
    static bool isOperation(std::string_view lowerCaseWord);

    SourceProgram& program() { return program_; }
    const DeviceDefaults& defaults() const { return defaults_; }

    int radix() const { return radix_; }
    void setRadix(int radix) { radix_ = radix; }
    // The address of the next word.
    int address() const { return address_; }
    void setAddress(int address) { address_ = address; }
    // Reading an Inactive line of an export: it takes no address.
    bool inactive() const { return inactive_; }
    // No line after this one is read.
    void end() { ended_ = true; }
    // The lines up to endc name registers from next on, or on from where the last cblock
    // ended.
    void startCblock(int line, std::optional<std::int32_t> next);

    Item& addItem(ItemKind kind, const Statement& s);
    Item& addInstruction(const Statement& s, int code);
    // Directive lines the program has no line for leave their comment behind.
    void keepComment(const Statement& s);
    // The comment of a name's definition says what the name is for.
    void keepNamedComment(Statement s, std::string_view name);
    // A directive line keeps its label on a blank line, or else its comment.
    void keepLabelledDirective(const Statement& s);

    void defineSymbol(std::string_view name, Symbol symbol, int line);
    void defineLabel(const Statement& s);
    // equ, set and the like; a variable may not be set twice either. The role the comment
    // states, if any.
    Declared defineConstant(std::string_view name, std::string_view expression, const Statement& s, bool variable);
    // Values needed while reading: only what is defined above the line.
    ExprValue evaluateNow(std::string_view text, int line, bool dollar);

private:
    void readInactiveLine(std::string_view text, int line);
    void readCblockLine(std::string_view text, int line);
    void readInstruction(const Statement& s, const Mnemonic& mnemonic);

    SourceProgram& program_;
    const DeviceDefaults& defaults_;
    const Lexer lexer_{&isOperation};
    std::string pendingLabel_;
    int pendingLine_ = 0;
    int radix_ = 16;
    int address_ = 0;
    bool ended_ = false;
    bool inCblock_ = false;
    bool exportMode_ = false;
    bool inactive_ = false;
    bool quiet_ = false;
    int cblockLine_ = 0;
    std::int32_t cblockNext_ = 0;
};

} // namespace tarvik::mpasm
