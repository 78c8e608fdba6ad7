#include "mpasm/Import.h"

#include "assembler/ConvertToHex.h"
#include "model/Names.h"
#include "model/InstructionCode.h"
#include "mpasm/ImportExpression.h"
#include "mpasm/MpasmExport.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace tarvik {

using mpasm::ExprContext;
using mpasm::ExprValue;
using mpasm::Notation;
using mpasm::refuse;
using mpasm::Refusal;

namespace {

constexpr int kProgramWords = 1024;
constexpr int kLastRam = 0x2F;
constexpr int kStatus = 0x03;
constexpr std::size_t kCommentLength = kCommentWidth - 1;
// Far more than a program of 1024 words ever needs; the program's tables are searched by
// walking, so a hostile source of countless labels must not become a program.
constexpr std::size_t kMaxProgramLines = 16384;

// Codes of the instructions the special mnemonics stand for.
enum Code : int {
    kIncf = 8, kDecf = 9, kComf = 10, kMovf = 3, kBsf = 16, kBcf = 17, kBtfss = 18, kBtfsc = 19,
    kGoto = 27, kCall = 28, kRetlw = 29,
};

std::string hex(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
    return text;
}

// ---- symbols ---------------------------------------------------------------------------

enum class SymbolKind { Constant, Label, DeviceRegister, DeviceBit, DeviceNumber };

// A role an equ line states in its comment ("; register", "; register, bank 1",
// "; bit REGISTER,n", "; literal", "; label"): the name keeps it even where unused.
enum class Declared { None, Register, Bit, Literal, Label };

struct Symbol {
    Symbol(SymbolKind k, std::int32_t v, int l, ExprValue d = {}, std::string c = {})
        : kind(k), value(v), line(l), definition(std::move(d)), canonical(std::move(c))
    {
    }
    SymbolKind kind;
    std::int32_t value;
    int line = 0;
    ExprValue definition;  // a constant's value as written
    std::string canonical; // a device alias's own name in the chip's tables
    Declared declared = Declared::None;
    bool bank1 = false;    // a bank-1 register written at the bank-0 address it shares
    std::string bitRegister;
    int radix = 16;
};

// The names the chip's header gives that the device's tables lack. OPTION_REG is the chip's
// OPTION wherever it appears; the others are the chip's only where its header is included.
struct HeaderAlias {
    std::string_view name;
    SymbolKind kind;
    int value;
    std::string_view canonical;
};
constexpr std::array<HeaderAlias, 17> kHeaderAliases = {{
    {"OPTION_REG", SymbolKind::DeviceRegister, 0x81, "OPTION"},
    {"TMR0IF", SymbolKind::DeviceBit, 2, "T0IF"},
    {"TMR0IE", SymbolKind::DeviceBit, 5, "T0IE"},
    {"RA4", SymbolKind::DeviceNumber, 4, ""},
    {"TRISA0", SymbolKind::DeviceNumber, 0, ""},
    {"TRISA1", SymbolKind::DeviceNumber, 1, ""},
    {"TRISA2", SymbolKind::DeviceNumber, 2, ""},
    {"TRISA3", SymbolKind::DeviceNumber, 3, ""},
    {"TRISA4", SymbolKind::DeviceNumber, 4, ""},
    {"TRISB0", SymbolKind::DeviceNumber, 0, ""},
    {"TRISB1", SymbolKind::DeviceNumber, 1, ""},
    {"TRISB2", SymbolKind::DeviceNumber, 2, ""},
    {"TRISB3", SymbolKind::DeviceNumber, 3, ""},
    {"TRISB4", SymbolKind::DeviceNumber, 4, ""},
    {"TRISB5", SymbolKind::DeviceNumber, 5, ""},
    {"TRISB6", SymbolKind::DeviceNumber, 6, ""},
    {"TRISB7", SymbolKind::DeviceNumber, 7, ""},
}};

bool isChipHeader(std::string_view file)
{
    const std::string name = mpasm::lowerCase(file);
    return name == "p16c84.inc" || name == "p16f84.inc" || name == "p16f84a.inc";
}

bool isChip(std::string_view processor)
{
    std::string name = mpasm::lowerCase(processor);
    if (name.rfind("pic", 0) == 0)
        name.erase(0, 3);
    else if (name.rfind("p", 0) == 0)
        name.erase(0, 1);
    return name == "16c84" || name == "16f84" || name == "16f84a";
}

// ---- instructions and their special mnemonics -----------------------------------------

enum class OperandForm { None, F, FD, FB, K, Target };

// One instruction word of a mnemonic: the code and, for the special mnemonics, the STATUS
// bit or destination they fix.
struct Step {
    int code;
    int statusBit = -1;     // a bit of STATUS instead of a source operand
    int fixedDest = -1;     // 0 W, 1 f
};

struct Mnemonic {
    std::string_view name;
    OperandForm form;
    std::array<Step, 2> steps;
    int count;
};

constexpr std::array<Mnemonic, 30> kSpecials = {{
    {"addcf", OperandForm::FD, {{{kBtfsc, 0}, {kIncf}}}, 2},
    {"adddcf", OperandForm::FD, {{{kBtfsc, 1}, {kIncf}}}, 2},
    {"b", OperandForm::Target, {{{kGoto}}}, 1},
    {"bc", OperandForm::Target, {{{kBtfsc, 0}, {kGoto}}}, 2},
    {"bdc", OperandForm::Target, {{{kBtfsc, 1}, {kGoto}}}, 2},
    {"bnc", OperandForm::Target, {{{kBtfss, 0}, {kGoto}}}, 2},
    {"bndc", OperandForm::Target, {{{kBtfss, 1}, {kGoto}}}, 2},
    {"bnz", OperandForm::Target, {{{kBtfss, 2}, {kGoto}}}, 2},
    {"bz", OperandForm::Target, {{{kBtfsc, 2}, {kGoto}}}, 2},
    {"clrc", OperandForm::None, {{{kBcf, 0}}}, 1},
    {"clrdc", OperandForm::None, {{{kBcf, 1}}}, 1},
    {"clrz", OperandForm::None, {{{kBcf, 2}}}, 1},
    {"setc", OperandForm::None, {{{kBsf, 0}}}, 1},
    {"setdc", OperandForm::None, {{{kBsf, 1}}}, 1},
    {"setz", OperandForm::None, {{{kBsf, 2}}}, 1},
    {"skpc", OperandForm::None, {{{kBtfss, 0}}}, 1},
    {"skpdc", OperandForm::None, {{{kBtfss, 1}}}, 1},
    {"skpz", OperandForm::None, {{{kBtfss, 2}}}, 1},
    {"skpnc", OperandForm::None, {{{kBtfsc, 0}}}, 1},
    {"skpndc", OperandForm::None, {{{kBtfsc, 1}}}, 1},
    {"skpnz", OperandForm::None, {{{kBtfsc, 2}}}, 1},
    {"lcall", OperandForm::Target, {{{kCall}}}, 1},
    {"lgoto", OperandForm::Target, {{{kGoto}}}, 1},
    {"movfw", OperandForm::F, {{{kMovf, -1, 0}}}, 1},
    {"tstf", OperandForm::F, {{{kMovf, -1, 1}}}, 1},
    {"negf", OperandForm::FD, {{{kComf, -1, 1}, {kIncf}}}, 2},
    {"subcf", OperandForm::FD, {{{kBtfsc, 0}, {kDecf}}}, 2},
    {"subdcf", OperandForm::FD, {{{kBtfsc, 1}, {kDecf}}}, 2},
    // No code on a chip of one page; the bank of the register in one bit.
    {"pagesel", OperandForm::Target, {{}}, 0},
    {"banksel", OperandForm::F, {{{kBsf, 5}}}, 1},
}};

OperandForm formOf(OperandShape shape)
{
    switch (shape) {
    case OperandShape::NoOperand: return OperandForm::None;
    case OperandShape::F: return OperandForm::F;
    case OperandShape::FD: return OperandForm::FD;
    case OperandShape::FB: return OperandForm::FB;
    case OperandShape::K: return OperandForm::K;
    case OperandShape::Label: return OperandForm::Target;
    }
    return OperandForm::None;
}

std::optional<Mnemonic> findMnemonic(std::string_view lower)
{
    static const std::unordered_map<std::string_view, Mnemonic> mnemonics = [] {
        std::unordered_map<std::string_view, Mnemonic> table;
        for (const InstructionInfo& info : kInstructions)
            table.emplace(info.mnemonic, Mnemonic{info.mnemonic, formOf(info.shape), {{{info.code}}}, 1});
        for (const Mnemonic& special : kSpecials)
            table.emplace(special.name, special);
        return table;
    }();
    const auto it = mnemonics.find(lower);
    if (it == mnemonics.end())
        return std::nullopt;
    return it->second;
}

// Directives the importer reads, and those it names when refusing.
constexpr std::array<std::string_view, 20> kDirectives = {
    "processor", "list", "radix", "include", "#include", "equ", "set", "variable", "constant",
    "=", "cblock", "endc", "org", "end", "dt", "__config", "errorlevel", "title", "subtitle", "bankisel"};
constexpr std::array<std::string_view, 8> kQuietDirectives = {
    "nolist", "page", "space", "expand", "noexpand", "messg", "stitle", "__maxram"};

struct RefusedDirective {
    std::string_view name;
    std::string_view reason;
};
constexpr std::array<RefusedDirective, 37> kRefused = {{
    {"macro", "macros cannot be imported"},
    {"endm", "macros cannot be imported"},
    {"local", "macros cannot be imported"},
    {"exitm", "macros cannot be imported"},
    {"if", "conditional assembly cannot be imported"},
    {"ifdef", "conditional assembly cannot be imported"},
    {"ifndef", "conditional assembly cannot be imported"},
    {"else", "conditional assembly cannot be imported"},
    {"endif", "conditional assembly cannot be imported"},
    {"while", "conditional assembly cannot be imported"},
    {"endw", "conditional assembly cannot be imported"},
    {"#if", "conditional assembly cannot be imported"},
    {"#ifdef", "conditional assembly cannot be imported"},
    {"#ifndef", "conditional assembly cannot be imported"},
    {"#else", "conditional assembly cannot be imported"},
    {"#endif", "conditional assembly cannot be imported"},
    {"#define", "#define cannot be imported"},
    {"#undefine", "#define cannot be imported"},
    {"res", "res cannot be imported: a program holds no reserved data"},
    {"de", "de cannot be imported: a program holds no EEPROM data"},
    {"data", "data cannot be imported: a program holds only instructions (use dt)"},
    {"dw", "dw cannot be imported: a program holds only instructions (use dt)"},
    {"db", "db cannot be imported: a program holds only instructions (use dt)"},
    {"da", "da cannot be imported: a program holds only instructions (use dt)"},
    {"fill", "fill cannot be imported"},
    {"code", "relocatable sections cannot be imported"},
    {"udata", "relocatable sections cannot be imported"},
    {"udata_shr", "relocatable sections cannot be imported"},
    {"udata_ovr", "relocatable sections cannot be imported"},
    {"idata", "relocatable sections cannot be imported"},
    {"global", "relocatable sections cannot be imported"},
    {"extern", "relocatable sections cannot be imported"},
    {"__idlocs", "ID locations cannot be imported: a program holds no ID words"},
    {"__badram", "__badram cannot be imported"},
    {"option", "option cannot be imported: it is not one of the 35 instructions"},
    {"tris", "tris cannot be imported: it is not one of the 35 instructions"},
    {"error", "error directive in the source"},
}};

bool isKnownOperation(std::string_view lower)
{
    static const std::unordered_set<std::string_view> directives = [] {
        std::unordered_set<std::string_view> names(kDirectives.begin(), kDirectives.end());
        names.insert(kQuietDirectives.begin(), kQuietDirectives.end());
        for (const RefusedDirective& d : kRefused)
            names.insert(d.name);
        return names;
    }();
    return findMnemonic(lower) || directives.count(lower) != 0;
}

// ---- source statements -----------------------------------------------------------------

struct Statement {
    int line = 0;
    bool empty = true;         // nothing but white space and perhaps a comment
    bool hasComment = false;
    std::string_view code;     // the text before the comment
    std::string comment;       // without the semicolon, trimmed
    std::string_view label;
    std::string_view op;
    std::string opLower;
    std::string_view operands;
};

bool isSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The comment starts at the first semicolon outside quotes; H'..' and 'c' hold no semicolon
// but a character literal may.
std::size_t commentStart(std::string_view text)
{
    char quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == '\\' && i + 1 < text.size())
                ++i;
            else if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ';') {
            return i;
        }
    }
    return std::string_view::npos;
}

// A comment kept as the program keeps text: tabs and other control characters as spaces.
std::string cleanComment(std::string_view text)
{
    if (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && (isSpace(text.back()) || text.back() == '\r'))
        text.remove_suffix(1);
    std::string result(text);
    for (char& c : result)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return result;
}

Statement parseStatement(std::string_view text, int line)
{
    Statement s;
    s.line = line;
    const std::size_t semicolon = commentStart(text);
    if (semicolon != std::string_view::npos) {
        s.comment = cleanComment(text.substr(semicolon + 1));
        s.hasComment = true;
        text = text.substr(0, semicolon);
    }
    s.code = text;
    if (trim(text).empty())
        return s;
    s.empty = false;
    std::size_t pos = 0;
    if (!isSpace(text[0])) {
        std::size_t end = 0;
        while (end < text.size() && !isSpace(text[end]) && text[end] != ':')
            ++end;
        const std::string_view word = text.substr(0, end);
        const bool colon = end < text.size() && text[end] == ':';
        if (colon || !isKnownOperation(mpasm::lowerCase(word))) {
            s.label = word;
            pos = colon ? end + 1 : end;
        }
    }
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    std::size_t end = pos;
    while (end < text.size() && !isSpace(text[end]))
        ++end;
    s.op = text.substr(pos, end - pos);
    s.opLower = mpasm::lowerCase(s.op);
    s.operands = trim(text.substr(end));
    return s;
}

// Splits at commas outside quotes and parentheses.
std::vector<std::string_view> splitOperands(std::string_view text)
{
    std::vector<std::string_view> parts;
    if (trim(text).empty())
        return parts;
    char quote = 0;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == '\\' && i + 1 < text.size())
                ++i;
            else if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            // A quote right after a base letter (H'1F') or alone opens a quoted token.
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ',' && depth == 0) {
            parts.push_back(trim(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    parts.push_back(trim(text.substr(start)));
    return parts;
}


// The program's name for a source name: the export writes a name that the assembler would
// take for one of its own words with a leading underscore.
std::string programName(std::string_view name)
{
    if (name.size() > 1 && name[0] == '_' && isMpasmReservedWord(name.substr(1)))
        return std::string(name.substr(1));
    return std::string(name);
}

// ---- the program being built -----------------------------------------------------------

// Symbols are looked up by the views the parser hands out, without a copy.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

enum class ItemKind { Blank, Org, Instruction };

struct Item {
    ItemKind kind = ItemKind::Blank;
    int line = 0;
    int radix = 16;
    bool inactive = false;
    std::string label;           // as the source writes it
    std::string comment;
    int address = 0;             // ORG: the new address; instruction: its word address
    int value = -1;              // ORG: its address, dt: its element, as read (in values_)
    std::string_view orgText;
    int code = 0;
    std::string_view fText, dText, bText, kText, targetText;
    std::optional<std::string_view> rawOperand;  // an Inactive line read as it stands
    int statusBit = -1;
    int fixedDest = -1;
    // Filled when operands are resolved.
    int registerAddress = 0;
    int bitNumber = 0;
    std::string bitName;
    int targetAddress = -1;
    std::string targetName;
    bool operandDone = false;
    std::string operand;
    int destination = 0;
};

// What a user name stands for in the program.
enum class RoleKind { Register, Bit, Literal, Target };
struct Role {
    RoleKind kind;
    int location = 0;  // register (mirrored SFRs by their bank-0 address)
    int line = 0;
};

std::string_view roleName(RoleKind kind)
{
    switch (kind) {
    case RoleKind::Register: return "a register";
    case RoleKind::Bit: return "a bit";
    case RoleKind::Literal: return "a literal";
    case RoleKind::Target: return "a jump target";
    }
    return "";
}

int canonicalLocation(int address) { return isMirroredSfr(address) ? (address & 0x7F) : address; }

// Keeps the assembler's first message and the line it names.
class CheckScreen : public Screen {
public:
    MessageAnswer showMessage(std::string_view, std::string_view text, MessageButtons) override
    {
        if (message.empty())
            message = std::string(text);
        return MessageAnswer::Cancel;
    }
    std::string message;
};

class Importer {
public:
    Importer(std::string_view source, const DeviceDefaults& defaults) : source_(source), defaults_(defaults) {}

    ImportOutcome run()
    {
        ImportOutcome outcome;
        try {
            if (source_.size() > kMaxImportSourceBytes)
                refuse(0, "the source is larger than " + std::to_string(kMaxImportSourceBytes) + " bytes");
            readSource();
            doc_ = std::make_unique<ProgramDocument>(defaults_);
            declareRoles();
            resolveOperands();
            nameRegisters();
            nameBitsAndLiterals();
            writeOperandTexts();
            placeTargets();
            buildLines();
            checkAssembles();
            doc_->untitled = true;
            doc_->modified = true;
            doc_->resetCursorToTop();
            outcome.document = std::move(doc_);
            outcome.notes = std::move(notes_);
        } catch (const Refusal& refusal) {
            outcome.refusal = ImportMessage{refusal.line, refusal.text};
        }
        return outcome;
    }

private:
    // ---- pass 1: statements, symbols and addresses ----

    void readSource()
    {
        int line = 0;
        std::size_t pos = 0;
        bool first = true;
        // Editors on some systems begin a UTF-8 file with a byte order mark.
        if (source_.substr(0, 3) == "\xEF\xBB\xBF")
            pos = 3;
        while (pos < source_.size() && !ended_) {
            std::size_t end = source_.find('\n', pos);
            if (end == std::string_view::npos)
                end = source_.size();
            std::string_view text = source_.substr(pos, end - pos);
            if (!text.empty() && text.back() == '\r')
                text.remove_suffix(1);
            pos = end + 1;
            ++line;
            if (text.find('\0') != std::string_view::npos)
                refuse(line, "the line holds a NUL character: this is no source text");
            // Tarvik's own export marks Inactive lines and displaced labels in comments.
            if (first)
                exportMode_ = text.rfind(';', 0) == 0 && isExportBoilerplate(text);
            first = false;
            const std::size_t before = items_.size();
            if (exportMode_ && isExportBoilerplate(text)) {
                quiet_ = true;
                readLine(text, line);
                quiet_ = false;
                continue;
            }
            if (exportMode_ && !inCblock_ && text.rfind(";@", 0) == 0 && isName(text.substr(2))) {
                if (!pendingLabel_.empty())
                    refuse(line, "two ;@ labels for one line");
                pendingLabel_ = std::string(text.substr(2));
                pendingLine_ = line;
                continue;
            }
            if (exportMode_ && !inCblock_ && text.rfind(";#", 0) == 0)
                readInactiveLine(text.substr(2), line);
            else
                readLine(text, line);
            if (!pendingLabel_.empty() && items_.size() > before) {
                Item& item = items_[before];
                if (!item.label.empty())
                    refuse(line, "the line already has label " + item.label + " (;@" + pendingLabel_ + ")");
                item.label = pendingLabel_;
                placedLabels_.insert(pendingLabel_);
                pendingLabel_.clear();
            }
        }
        if (inCblock_)
            refuse(cblockLine_, "cblock without endc");
        if (!pendingLabel_.empty())
            refuse(pendingLine_, ";@" + pendingLabel_ + " is followed by no line");
    }

    static bool isName(std::string_view text)
    {
        return !text.empty() && mpasm::isSymbolStart(text[0])
            && std::all_of(text.begin(), text.end(), mpasm::isSymbolChar);
    }

    // An Inactive line: read like any other but given no address; what cannot be read is
    // kept as it stands, since it is never assembled.
    void readInactiveLine(std::string_view text, int line)
    {
        const std::size_t before = items_.size();
        inactive_ = true;
        try {
            readLine(text, line);
        } catch (const Refusal&) {
            items_.resize(before);
            const Statement s = parseStatement(text, line);
            const std::optional<Mnemonic> mnemonic = findMnemonic(s.opLower);
            if (mnemonic && mnemonic->count == 1 && mnemonic->steps[0].statusBit < 0) {
                Item& item = addInstruction(s, mnemonic->steps[0].code);
                item.label = std::string(s.label);
                item.rawOperand = s.operands;
            } else {
                Item& item = addItem(ItemKind::Blank, s);
                item.comment = cleanComment(std::string("#") + std::string(text));
            }
        }
        inactive_ = false;
    }

    void readLine(std::string_view text, int line)
    {
        if (inCblock_) {
            readCblockLine(text, line);
            return;
        }
        Statement s = parseStatement(text, line);
        if (s.empty) {
            if (!quiet_)
                addItem(ItemKind::Blank, s);
            return;
        }
        if (s.op.empty()) {
            // A label alone marks the next instruction's address.
            defineLabel(s);
            addItem(ItemKind::Blank, s).label = std::string(s.label);
            return;
        }
        const std::string& op = s.opLower;
        if (const std::optional<Mnemonic> mnemonic = findMnemonic(op)) {
            readInstruction(s, *mnemonic);
            return;
        }
        for (const RefusedDirective& d : kRefused)
            if (d.name == op)
                refuse(line, std::string(d.reason));
        if (inactive_ && op != "org")
            refuse(line, "only instructions and org lines are Inactive lines");
        if (op == "equ" || op == "set" || op == "variable" || op == "=") {
            const Declared declared = defineConstant(s.label, s.operands, s, op != "equ");
            if (declared == Declared::None)
                keepNamedComment(s, s.label);
        } else if (op == "constant") {
            for (std::string_view part : splitOperands(s.operands)) {
                const std::size_t eq = part.find('=');
                if (eq == std::string_view::npos)
                    refuse(line, "constant needs NAME=VALUE");
                defineConstant(trim(part.substr(0, eq)), trim(part.substr(eq + 1)), s, false);
            }
            keepComment(s);
        } else if (op == "processor") {
            checkProcessor(s.operands, line);
            keepLabelledDirective(s);
        } else if (op == "list") {
            readList(s);
            keepLabelledDirective(s);
        } else if (op == "radix") {
            setRadix(s.operands, line);
            keepLabelledDirective(s);
        } else if (op == "include" || op == "#include") {
            readInclude(s);
            keepLabelledDirective(s);
        } else if (op == "cblock") {
            if (!s.label.empty())
                refuse(line, "a label cannot stand on cblock");
            if (!trim(s.operands).empty())
                cblockNext_ = evaluateNow(s.operands, line, false).value;
            inCblock_ = true;
            cblockLine_ = line;
            keepComment(s);
        } else if (op == "endc") {
            refuse(line, "endc without cblock");
        } else if (op == "org") {
            readOrg(s);
        } else if (op == "dt") {
            readTable(s);
        } else if (op == "end") {
            ended_ = true;
            keepLabelledDirective(s);
        } else if (op == "__config") {
            notes_.push_back({line, std::string(s.op) + " " + std::string(s.operands)
                                        + " is not kept: a program holds no configuration word"});
            keepLabelledDirective(s);
        } else if (op == "bankisel") {
            // One RAM page: IRP is always cleared.
            evaluateNow(s.operands, line, true);
            if (!s.label.empty())
                defineLabel(s);
            Item& item = addInstruction(s, kBcf);
            item.label = std::string(s.label);
            item.statusBit = 7;
        } else {
            // errorlevel, title and the listing directives change no word.
            bool quiet = op == "errorlevel" || op == "title" || op == "subtitle";
            for (std::string_view d : kQuietDirectives)
                quiet = quiet || d == op;
            if (!quiet)
                refuse(line, "unknown mnemonic or directive '" + std::string(s.op) + "'");
            keepLabelledDirective(s);
        }
    }

    Item& addItem(ItemKind kind, const Statement& s)
    {
        if (items_.size() >= kMaxProgramLines)
            refuse(s.line, "the source makes more than " + std::to_string(kMaxProgramLines)
                               + " program lines: no program needs that many");
        Item& item = items_.emplace_back();
        item.kind = kind;
        item.line = s.line;
        item.radix = radix_;
        item.inactive = inactive_;
        // A bare semicolon still marks a comment, if a blank one.
        if (!quiet_ && s.hasComment)
            item.comment = s.comment.empty() ? std::string(" ") : s.comment;
        item.address = address_;
        return item;
    }

    // Directive lines the program has no line for leave their comment behind.
    void keepComment(const Statement& s)
    {
        if (!s.comment.empty() && !quiet_)
            addItem(ItemKind::Blank, s);
    }

    // The comment of a name's definition says what the name is for.
    void keepNamedComment(Statement s, std::string_view name)
    {
        if (!s.comment.empty())
            s.comment = std::string(name) + ": " + s.comment;
        keepComment(s);
    }

    void keepLabelledDirective(const Statement& s)
    {
        if (!s.label.empty()) {
            defineLabel(s);
            addItem(ItemKind::Blank, s).label = std::string(s.label);
        } else {
            keepComment(s);
        }
    }

    static void checkName(const std::string& name, int line, std::string_view what)
    {
        if (name.empty())
            refuse(line, "missing name");
        if (name.size() > kMaxNameLength)
            refuse(line, std::string(what) + " " + name + " is longer than " + std::to_string(kMaxNameLength)
                             + " characters");
        if (!LooksLikeName(name))
            refuse(line, std::string(what) + " " + name + " is not a valid name: only letters and digits, first a letter");
    }

    void defineSymbol(std::string_view name, Symbol symbol, int line)
    {
        if (!isName(name))
            refuse(line, "'" + std::string(name) + "' is not a name");
        const auto [it, inserted] = symbols_.emplace(std::string(name), std::move(symbol));
        if (!inserted)
            refuse(line, std::string(name) + " is already defined (line " + std::to_string(it->second.line) + ")");
        definitionOrder_.push_back(&it->first);
    }

    void defineLabel(const Statement& s)
    {
        checkName(programName(s.label), s.line, "label");
        // An Inactive line's label has no address for gpasm: the export defines it by equ.
        if (inactive_)
            placedLabels_.insert(std::string(s.label));
        else
            defineSymbol(s.label, Symbol{SymbolKind::Label, address_, s.line, {}, {}}, s.line);
    }

    Declared defineConstant(std::string_view name, std::string_view expression, const Statement& s, bool variable)
    {
        if (name.empty())
            refuse(s.line, std::string(s.op) + " needs a name in column 1");
        ExprValue value = evaluateNow(expression, s.line, true);
        const auto it = symbols_.find(name);
        if (variable && it != symbols_.end() && it->second.kind == SymbolKind::Constant)
            refuse(s.line, std::string(name) + " is set twice: a program has no variables");
        Symbol symbol{SymbolKind::Constant, value.value, s.line, value, {}};
        symbol.radix = radix_;
        const std::string_view comment = s.comment;
        if (comment == "register") {
            symbol.declared = Declared::Register;
        } else if (comment == "register, bank 1") {
            symbol.declared = Declared::Register;
            symbol.bank1 = true;
        } else if (comment == "literal") {
            symbol.declared = Declared::Literal;
        } else if (comment == "label") {
            symbol.declared = Declared::Label;
        } else if (comment.rfind("bit ", 0) == 0) {
            const std::size_t comma = comment.rfind(',');
            if (comma != std::string_view::npos && comma > 4) {
                symbol.declared = Declared::Bit;
                symbol.bitRegister = std::string(trim(comment.substr(4, comma - 4)));
            }
        }
        const Declared declared = symbol.declared;
        defineSymbol(name, std::move(symbol), s.line);
        return declared;
    }

    void readCblockLine(std::string_view text, int line)
    {
        Statement s = parseStatement(text, line);
        const std::string_view code = trim(s.code);
        if (mpasm::lowerCase(code) == "endc") {
            inCblock_ = false;
            keepComment(s);
            return;
        }
        const std::vector<std::string_view> entries = splitOperands(code);
        for (std::string_view entry : entries) {
            if (entry.empty())
                continue;
            std::int32_t size = 1;
            const std::size_t colon = entry.find(':');
            std::string_view name = entry;
            if (colon != std::string_view::npos) {
                name = trim(entry.substr(0, colon));
                size = evaluateNow(entry.substr(colon + 1), line, false).value;
                if (size < 0 || size > 0x100)
                    refuse(line, "cblock size " + std::to_string(size) + " is out of range");
            }
            ExprValue value;
            value.value = cblockNext_;
            defineSymbol(name, Symbol{SymbolKind::Constant, cblockNext_, line, value, {}}, line);
            if (cblockNext_ > 0x10000)
                refuse(line, "cblock runs past any RAM");
            cblockNext_ += size;
        }
        if (s.empty)
            addItem(ItemKind::Blank, s);
        else if (entries.size() == 1)
            keepNamedComment(s, trim(entries[0].substr(0, entries[0].find(':'))));
        else
            keepComment(s);
    }

    void checkProcessor(std::string_view name, int line)
    {
        name = trim(name);
        if (!isChip(name))
            refuse(line, "processor " + std::string(name) + " is not supported: only 16C84, 16F84 and 16F84A");
    }

    void readList(const Statement& s)
    {
        for (std::string_view option : splitOperands(s.operands)) {
            const std::size_t eq = option.find('=');
            if (eq == std::string_view::npos)
                continue;
            const std::string key = mpasm::lowerCase(trim(option.substr(0, eq)));
            const std::string_view value = trim(option.substr(eq + 1));
            if (key == "p")
                checkProcessor(value, s.line);
            else if (key == "r")
                setRadix(value, s.line);
        }
    }

    void setRadix(std::string_view name, int line)
    {
        const std::string radix = mpasm::lowerCase(trim(name));
        if (radix == "dec" || radix == "decimal")
            radix_ = 10;
        else if (radix == "hex" || radix == "hexadecimal")
            radix_ = 16;
        else if (radix == "oct" || radix == "octal")
            radix_ = 8;
        else
            refuse(line, "unknown radix " + std::string(name));
    }

    void readInclude(const Statement& s)
    {
        std::string_view file = trim(s.operands);
        if (file.size() >= 2
            && ((file.front() == '<' && file.back() == '>') || (file.front() == '"' && file.back() == '"')))
            file = file.substr(1, file.size() - 2);
        // The header may be named with the folder it lives in.
        const std::size_t folder = file.find_last_of("/\\");
        if (folder != std::string_view::npos && isChipHeader(file.substr(folder + 1)))
            file = file.substr(folder + 1);
        if (!isChipHeader(file))
            refuse(s.line, "include " + std::string(file) + " cannot be imported: only the chip's header "
                               "(p16c84.inc, p16f84.inc, p16f84a.inc) is known");
        if (headerIncluded_)
            return;
        headerIncluded_ = true;
        auto device = [&](std::string_view name, SymbolKind kind, int value, std::string_view canonical) {
            if (symbols_.count(std::string(name)) != 0)
                refuse(s.line, std::string(name) + " is defined before the chip's header defines it");
            symbols_.emplace(std::string(name), Symbol{kind, value, s.line, {}, std::string(canonical)});
        };
        for (const RegisterTable* bank : {&defaults_.bank0(), &defaults_.bank1()})
            for (const RegisterEntry& entry : *bank)
                if (LooksLikeName(entry.nameText()) && symbols_.count(std::string(entry.nameText())) == 0)
                    device(entry.nameText(), SymbolKind::DeviceRegister, entry.address, entry.nameText());
        for (const BitEntry& entry : defaults_.bits())
            if (symbols_.count(std::string(entry.nameText())) == 0)
                device(entry.nameText(), SymbolKind::DeviceBit, entry.bit, entry.nameText());
        for (const HeaderAlias& alias : kHeaderAliases)
            device(alias.name, alias.kind, alias.value, alias.canonical);
        device("W", SymbolKind::DeviceNumber, 0, "");
        device("F", SymbolKind::DeviceNumber, 1, "");
    }

    void readOrg(const Statement& s)
    {
        if (inactive_) {
            // Never assembled: the address only has to read as one.
            Item& item = addItem(ItemKind::Org, s);
            item.label = std::string(s.label);
            item.orgText = s.operands;
            if (!s.label.empty())
                defineLabel(s);
            return;
        }
        const ExprValue value = evaluateNow(s.operands, s.line, true);
        if (value.value < address_)
            refuse(s.line, "org " + hex(value.value) + " goes back below " + hex(address_)
                               + ": a program places its code in rising addresses");
        if (value.value >= kProgramWords)
            refuse(s.line, "org " + hex(value.value) + " lies past program memory (1024 words)");
        address_ = value.value;
        Item& item = addItem(ItemKind::Org, s);
        item.value = static_cast<int>(values_.size());
        values_.push_back(value);
        if (!s.label.empty()) {
            defineLabel(s);
            items_.back().label = std::string(s.label);
        }
    }

    Item& addInstruction(const Statement& s, int code)
    {
        if (address_ >= kProgramWords && !inactive_)
            refuse(s.line, "code past program memory (1024 words)");
        Item& item = addItem(ItemKind::Instruction, s);
        item.code = code;
        if (!inactive_)
            ++address_;
        return item;
    }

    void readInstruction(const Statement& s, const Mnemonic& mnemonic)
    {
        const std::vector<std::string_view> operands = splitOperands(s.operands);
        std::size_t wanted = 0;
        switch (mnemonic.form) {
        case OperandForm::None: wanted = 0; break;
        case OperandForm::FD: wanted = operands.size() == 1 ? 1 : 2; break;
        case OperandForm::FB: wanted = 2; break;
        default: wanted = 1; break;
        }
        if (operands.size() != wanted)
            refuse(s.line, std::string(s.op) + " takes " + std::to_string(wanted) + " operand"
                               + (wanted == 1 ? "" : "s"));
        if (!s.label.empty())
            defineLabel(s);
        if (mnemonic.count == 0) {
            addItem(ItemKind::Blank, s).label = std::string(s.label);
            return;
        }
        for (int i = 0; i < mnemonic.count; ++i) {
            const Step& step = mnemonic.steps[static_cast<std::size_t>(i)];
            Item& item = addInstruction(s, step.code);
            if (i == 0)
                item.label = std::string(s.label);
            else
                item.comment.clear();
            item.statusBit = step.statusBit;
            item.fixedDest = step.fixedDest;
            if (step.statusBit >= 0 && mnemonic.name != "banksel")
                continue;
            switch (mnemonic.form) {
            case OperandForm::F:
            case OperandForm::FD:
                item.fText = operands[0];
                if (operands.size() > 1)
                    item.dText = operands[1];
                break;
            case OperandForm::FB:
                item.fText = operands[0];
                item.bText = operands[1];
                break;
            case OperandForm::K: item.kText = operands[0]; break;
            case OperandForm::Target: item.targetText = operands[0]; break;
            case OperandForm::None: break;
            }
        }
    }

    void readTable(const Statement& s)
    {
        if (!s.label.empty())
            defineLabel(s);
        bool first = true;
        auto add = [&]() -> Item& {
            Item& item = addInstruction(s, kRetlw);
            if (first)
                item.label = std::string(s.label);
            else
                item.comment.clear();
            first = false;
            return item;
        };
        const std::vector<std::string_view> parts = splitOperands(s.operands);
        if (parts.empty())
            refuse(s.line, "dt needs at least one value");
        for (std::string_view part : parts) {
            if (part.size() >= 2 && part.front() == '"' && part.back() == '"') {
                const std::string_view body = part.substr(1, part.size() - 2);
                for (std::size_t i = 0; i < body.size();) {
                    std::size_t length = body[i] == '\\' && i + 1 < body.size() ? 2 : 1;
                    if (length == 2 && (body[i + 1] == 'x' || body[i + 1] == 'X'))
                        while (length < 4 && i + length < body.size()
                               && std::isxdigit(static_cast<unsigned char>(body[i + length])))
                            ++length;
                    const std::string token = "'" + std::string(body.substr(i, length)) + "'";
                    const std::optional<int> ch = mpasm::parseCharToken(token);
                    if (!ch)
                        refuse(s.line, "cannot read " + token + " in a dt string");
                    ExprValue value;
                    value.value = *ch;
                    value.notation = Notation::Char;
                    value.token = token;
                    add().value = static_cast<int>(values_.size());
                    values_.push_back(value);
                    i += length;
                }
            } else {
                // Evaluated with the rest, once every label is known.
                add().kText = part;
            }
        }
    }

    // Values needed while reading: only what is defined above the line.
    ExprValue evaluateNow(std::string_view text, int line, bool dollar)
    {
        ExprContext context;
        context.line = line;
        context.radix = radix_;
        if (dollar)
            context.dollar = address_;
        context.lookup = [this, line](std::string_view name) { return lookup(name, line); };
        return mpasm::evaluate(text, context);
    }

    std::int32_t lookup(std::string_view name, int line) const
    {
        const auto it = symbols_.find(name);
        if (it != symbols_.end())
            return it->second.value;
        // gpasm knows the destinations without the chip's header.
        if (name == "W" || name == "w")
            return 0;
        if (name == "F" || name == "f")
            return 1;
        refuse(line, std::string(name) + " is not defined");
    }

    // ---- pass 2: operands and the roles of names ----

    ExprValue evaluateAt(std::string_view text, const Item& item, int radix)
    {
        ExprContext context;
        context.line = item.line;
        context.radix = radix;
        context.dollar = item.address;
        context.lookup = [this, &item](std::string_view name) { return lookup(name, item.line); };
        return mpasm::evaluate(text, context);
    }
    ExprValue evaluateAt(std::string_view text, const Item& item) { return evaluateAt(text, item, item.radix); }

    const Symbol* symbolOf(const std::string& name) const
    {
        const auto it = symbols_.find(name);
        return it == symbols_.end() ? nullptr : &it->second;
    }

    // Whether the source name is one of the chip's own, defined by its header or by the
    // source. A user's W or F comes from an export as _W or _F.
    bool isDeviceName(const std::string& sourceName)
    {
        if (sourceName == "W" || sourceName == "F" || sourceName == "w" || sourceName == "f")
            return true;
        if (!deviceNames_.empty() && !headerIncluded_ && (sourceName.empty() || sourceName[0] != '_'))
            return deviceNames_.find(sourceName) != deviceNames_.end();
        if (deviceNames_.empty()) {
            for (const RegisterTable* bank : {&defaults_.bank0(), &defaults_.bank1()})
                for (const RegisterEntry& entry : *bank)
                    deviceNames_.emplace(entry.nameText());
            for (const BitEntry& entry : defaults_.bits())
                deviceNames_.emplace(entry.nameText());
            deviceNames_.emplace("OPTION_REG");
        }
        const std::string name = programName(sourceName);
        if (deviceNames_.find(name) != deviceNames_.end())
            return true;
        return headerIncluded_ && std::any_of(kHeaderAliases.begin(), kHeaderAliases.end(),
                                              [&](const HeaderAlias& alias) { return alias.name == name; });
    }

    // A user name (not the chip's) that the expression consisted of; empty otherwise.
    std::string userName(const ExprValue& value)
    {
        if (value.bareName.empty() || isDeviceName(value.bareName))
            return {};
        return value.bareName;
    }

    // The chip's name of a register under one of the names the source may use for it.
    std::string deviceRegisterName(const std::string& sourceName)
    {
        if (sourceName.empty())
            return {};
        if (!isDeviceName(sourceName))
            return {};
        const std::string name = programName(sourceName);
        for (const RegisterTable* bank : {&defaults_.bank0(), &defaults_.bank1()})
            if (bank->holdsName(name))
                return name;
        for (const HeaderAlias& alias : kHeaderAliases)
            if (alias.name == name && alias.kind == SymbolKind::DeviceRegister)
                return std::string(alias.canonical);
        return {};
    }

    void bindRole(const std::string& name, Role role)
    {
        const auto [it, inserted] = roles_.try_emplace(name, role);
        if (inserted)
            return;
        const Role& old = it->second;
        if (old.kind != role.kind)
            refuse(role.line, programName(name) + " is used as " + std::string(roleName(role.kind)) + " here and as "
                                  + std::string(roleName(old.kind)) + " in line " + std::to_string(old.line)
                                  + ": a program name has one role");
        if (old.kind == RoleKind::Bit && old.location != role.location)
            refuse(role.line, programName(name) + " is used as a bit of two registers (" + hex(old.location)
                                  + " in line " + std::to_string(old.line) + ")");
    }

    void refuseLabelRole(const std::string& name, RoleKind kind, int line)
    {
        const Symbol* symbol = symbolOf(name);
        if (isLabel(name, symbol))
            refuse(line, programName(name) + " is a label and cannot be used as " + std::string(roleName(kind)));
    }

    bool isLabel(const std::string& name, const Symbol* symbol) const
    {
        return (symbol && symbol->kind == SymbolKind::Label) || placedLabels_.count(name) != 0;
    }

    int registerAddress(const ExprValue& value, int line) const
    {
        int address = value.value;
        if (const Symbol* symbol = value.bareName.empty() ? nullptr : symbolOf(value.bareName))
            if (symbol->bank1)
                address |= 0x80;
        if (address < 0 || address > 0xFF)
            refuse(line, "register address " + std::to_string(value.value) + " is not on this chip");
        if ((address & 0x7F) > kLastRam)
            refuse(line, "register " + hex(address) + " lies past the chip's RAM (0x2F)");
        return address;
    }

    // A register operand; its name, if it is one, becomes the register's name.
    int useRegister(const ExprValue& value, int line)
    {
        const int address = registerAddress(value, line);
        const int location = canonicalLocation(address);
        if (const std::string name = userName(value); !name.empty()) {
            refuseLabelRole(name, RoleKind::Register, line);
            bindRole(name, Role{RoleKind::Register, location, line});
            nameLocation(location, programName(name), line);
        } else if (const std::string device = deviceRegisterName(value.bareName); !device.empty()) {
            // The chip's name stays where it belongs; elsewhere it is refused as taken.
            nameLocation(location, device, line);
        }
        return address;
    }

    // One name per register: two names for one location cannot both resolve.
    void nameLocation(int location, const std::string& name, int line)
    {
        const auto [it, inserted] = locationNames_.try_emplace(location, name, line);
        if (!inserted && it->second.first != name)
            refuse(line, "register " + hex(location) + " is called both " + it->second.first + " (line "
                             + std::to_string(it->second.second) + ") and " + name
                             + ": a program gives each register one name");
    }

    void useBit(const std::string& name, int address, int bit, int line)
    {
        refuseLabelRole(name, RoleKind::Bit, line);
        const int location = canonicalLocation(address);
        bindRole(name, Role{RoleKind::Bit, location, line});
        const std::string written = programName(name);
        const auto [it, inserted] = bitNames_.try_emplace(std::make_pair(location, bit), written, line);
        if (!inserted && it->second.first != written)
            refuse(line, "bit " + std::to_string(bit) + " of register " + hex(location) + " is called both "
                             + it->second.first + " (line " + std::to_string(it->second.second) + ") and " + written);
    }

    std::string useLiteral(const std::string& name, int line)
    {
        refuseLabelRole(name, RoleKind::Literal, line);
        bindRole(name, Role{RoleKind::Literal, 0, line});
        const std::string written = programName(name);
        checkName(written, line, "literal");
        const Symbol* symbol = symbolOf(name);
        literals_.emplace(written, std::make_pair(literalText(symbol->definition, symbol->radix, line), symbol->line));
        return written;
    }

    // Names whose equ line states their role are kept whether the program uses them or not.
    void declareRoles()
    {
        for (const std::string* name : definitionOrder_) {
            const Symbol& symbol = symbols_.at(*name);
            ExprValue value = symbol.definition;
            value.bareName = *name;
            switch (symbol.declared) {
            case Declared::None: break;
            case Declared::Register: useRegister(value, symbol.line); break;
            case Declared::Bit: {
                if (symbol.value < 0 || symbol.value > 7)
                    refuse(symbol.line, "bit number " + std::to_string(symbol.value) + " is not 0 to 7");
                Item where;
                where.line = symbol.line;
                const ExprValue reg = evaluateAt(symbol.bitRegister, where, symbol.radix);
                const int address = useRegister(reg, symbol.line);
                if (!isDeviceName(*name))
                    useBit(*name, address, symbol.value, symbol.line);
                break;
            }
            case Declared::Literal:
                if (!isDeviceName(*name))
                    useLiteral(*name, symbol.line);
                break;
            case Declared::Label:
                if (placedLabels_.count(*name) != 0)
                    bindRole(*name, Role{RoleKind::Target, 0, symbol.line});
                break;
            }
        }
    }

    void resolveOperands()
    {
        for (Item& item : items_) {
            if (item.kind != ItemKind::Instruction)
                continue;
            if (item.rawOperand) {
                keepAsWritten(item);
                continue;
            }
            if (!item.inactive) {
                resolveOperand(item);
                continue;
            }
            try {
                resolveOperand(item);
            } catch (const Refusal&) {
                keepAsWritten(item);
            }
        }
    }

    void resolveOperand(Item& item)
    {
        const OperandShape shape = instructionInfo(item.code)->shape;
        if (shape == OperandShape::F || shape == OperandShape::FD || shape == OperandShape::FB)
            resolveRegister(item);
        if (shape == OperandShape::FD)
            resolveDestination(item);
        if (shape == OperandShape::FB)
            resolveBit(item);
        if (shape == OperandShape::K)
            resolveLiteral(item);
        if (shape == OperandShape::Label)
            resolveTarget(item);
    }

    // An Inactive line whose operand does not resolve keeps its text.
    void keepAsWritten(Item& item)
    {
        const OperandShape shape = instructionInfo(item.code)->shape;
        std::string text;
        if (item.rawOperand) {
            text = std::string(*item.rawOperand);
        } else if (shape == OperandShape::FB) {
            text = std::string(item.fText) + "," + std::string(item.bText);
        } else {
            text = std::string(item.fText) + std::string(item.kText) + std::string(item.targetText);
        }
        if (shape == OperandShape::FD) {
            int toF = 1;
            const std::size_t comma = text.rfind(',');
            if (comma != std::string::npos) {
                const std::string d = mpasm::lowerCase(trim(std::string_view(text).substr(comma + 1)));
                if (d == "w" || d == "0" || d == "f" || d == "1") {
                    toF = d == "f" || d == "1";
                    text.erase(comma);
                }
            }
            item.destination = destinationIsF(item.code, 1) == (toF == 1) ? 1 : 0;
        }
        text = std::string(trim(text));
        if (text.size() > kMaxNameLength)
            refuse(item.line, "the operand " + text + " is longer than " + std::to_string(kMaxNameLength) + " characters");
        item.operand = text;
        item.operandDone = true;
    }

    void resolveRegister(Item& item)
    {
        if (item.statusBit >= 0 && item.fText.empty()) {
            item.registerAddress = kStatus;
            return;
        }
        const ExprValue value = evaluateAt(item.fText, item);
        if (item.statusBit == 5) {
            // banksel: the register only tells the bank.
            const int address = registerAddress(value, item.line);
            item.registerAddress = kStatus;
            if (!(address & 0x80))
                item.code = kBcf;
            return;
        }
        item.registerAddress = useRegister(value, item.line);
    }

    void resolveDestination(Item& item)
    {
        int toF = 1;
        if (item.fixedDest >= 0) {
            toF = item.fixedDest;
        } else if (!item.dText.empty()) {
            const ExprValue value = evaluateAt(item.dText, item);
            if (value.value != 0 && value.value != 1)
                refuse(item.line, "destination " + std::string(item.dText) + " is neither W (0) nor F (1)");
            toF = value.value;
        }
        item.destination = destinationIsF(item.code, 1) == (toF == 1) ? 1 : 0;
    }

    void resolveBit(Item& item)
    {
        if (item.statusBit >= 0) {
            item.bitNumber = item.statusBit;
            return;
        }
        const ExprValue value = evaluateAt(item.bText, item);
        if (value.value < 0 || value.value > 7)
            refuse(item.line, "bit number " + std::to_string(value.value) + " is not 0 to 7");
        item.bitNumber = value.value;
        item.bitName = programName(value.bareName);
        if (const std::string name = userName(value); !name.empty())
            useBit(name, item.registerAddress, item.bitNumber, item.line);
    }

    void resolveLiteral(Item& item)
    {
        const ExprValue value = item.value >= 0 ? values_[static_cast<std::size_t>(item.value)]
                                                : evaluateAt(item.kText, item);
        if (value.value < -255 || value.value > 255)
            refuse(item.line, "literal " + std::to_string(value.value) + " is out of range (0 to 255)");
        if (const std::string name = userName(value); !name.empty())
            item.operand = useLiteral(name, item.line);
        else
            item.operand = literalText(value, item.radix, item.line);
        item.operandDone = true;
    }

    // A literal as the program writes it: the source's own text where it is one of the
    // program's notations, else the same value in the closest one.
    static std::string literalText(const ExprValue& value, int radix, int line)
    {
        if (value.value < -255 || value.value > 255)
            refuse(line, "literal " + std::to_string(value.value) + " is out of range (0 to 255)");
        const int k = value.value & 0xFF;
        if (value.notation && value.value >= 0) {
            int parsed = 0;
            const std::string& token = value.token;
            const bool decimalHere = *value.notation == Notation::Decimal && radix == 10 && IsAllDigits(token);
            if (!token.empty() && token.size() <= kMaxNameLength
                && ((decimalHere && IsDecimalNumber(token, parsed)) || ParseLiteralValue(token, parsed))
                && parsed == k)
                return token;
            char text[16];
            switch (*value.notation) {
            case Notation::Hex: std::snprintf(text, sizeof text, "H'%02X'", static_cast<unsigned>(k)); return text;
            case Notation::Binary: {
                std::string bits = "B'";
                for (int bit = 7; bit >= 0; --bit)
                    bits += (k >> bit & 1) ? '1' : '0';
                return bits + "'";
            }
            case Notation::Char:
                if ((k >= 'A' && k <= 'Z') || (k >= 'a' && k <= 'z') || (k >= '0' && k <= '9'))
                    return std::string("'") + static_cast<char>(k) + "'";
                break;
            default: break;
            }
        }
        return std::to_string(k);
    }

    void resolveTarget(Item& item)
    {
        const ExprValue value = evaluateAt(item.targetText, item);
        const Symbol* symbol = value.bareName.empty() ? nullptr : symbolOf(value.bareName);
        if (isLabel(value.bareName, symbol)) {
            if (placedLabels_.count(value.bareName) != 0)
                bindRole(value.bareName, Role{RoleKind::Target, 0, item.line});
            item.operand = programName(value.bareName);
            item.operandDone = true;
            return;
        }
        if (value.value < 0 || value.value >= kProgramWords)
            refuse(item.line, "jump target " + hex(value.value) + " lies past program memory (1024 words)");
        if (item.inactive)
            refuse(item.line, "an Inactive line keeps its target as written");
        item.targetAddress = value.value;
        if (const std::string name = userName(value); !name.empty()) {
            bindRole(name, Role{RoleKind::Target, value.value, item.line});
            item.targetName = programName(name);
            checkName(item.targetName, item.line, "label");
        }
    }

    // ---- names in the document ----

    void nameRegisters()
    {
        for (const auto& [location, entry] : locationNames_) {
            const auto& [name, line] = entry;
            RegisterTable& file = location & 0x80 ? doc_->registerFile1 : doc_->registerFile0;
            const RegisterEntry* current = file.find(location);
            if (current && current->nameText() == name)
                continue;
            checkName(name, line, "register");
            if ((location & 0x7F) == 0x07)
                refuse(line, "register " + hex(location) + " is not implemented on this chip");
            if (NameInUse(*doc_, name))
                refuse(line, name + " is already a name of the chip or of the program");
            nameOne(location, name);
            if (isMirroredSfr(location))
                nameOne(location ^ 0x80, name);
        }
    }

    void nameOne(int address, const std::string& name)
    {
        const bool general = (address & 0x7F) >= 0x0C;
        const bool bank1 = address & 0x80;
        RegisterTable& user = general ? (bank1 ? doc_->userRegisters1 : doc_->userRegisters0)
                                      : (bank1 ? doc_->userSfrNames1 : doc_->userSfrNames0);
        user.insert(name, address);
        (bank1 ? doc_->registerFile1 : doc_->registerFile0).rename(address, name);
    }

    void nameBitsAndLiterals()
    {
        for (const auto& [key, entry] : bitNames_) {
            const auto& [location, bit] = key;
            const auto& [name, line] = entry;
            checkName(name, line, "bit");
            if (NameInUse(*doc_, name))
                refuse(line, name + " is already a name of the chip or of the program");
            doc_->userBits.insert(name, bit, 0, location);
            if (isMirroredSfr(location))
                doc_->userBits.insert(name, bit, 0, location ^ 0x80);
        }
        for (const auto& [name, entry] : literals_) {
            if (NameInUse(*doc_, name))
                refuse(entry.second, name + " is already a name of the chip or of the program");
            doc_->literals.insert(name, entry.first);
        }
    }

    std::string registerText(int address) const
    {
        const RegisterTable& file = address & 0x80 ? doc_->registerFile1 : doc_->registerFile0;
        return std::string(file.find(address)->nameText());
    }

    void writeOperandTexts()
    {
        for (Item& item : items_) {
            if (item.kind != ItemKind::Instruction || item.operandDone)
                continue;
            const OperandShape shape = instructionInfo(item.code)->shape;
            if (shape == OperandShape::F || shape == OperandShape::FD) {
                item.operand = registerText(item.registerAddress);
            } else if (shape == OperandShape::FB) {
                item.operand = bitText(item);
                if (item.operand.size() > kMaxNameLength) {
                    if (item.inactive) {
                        keepAsWritten(item);
                        continue;
                    }
                    refuse(item.line, "the bit operand " + item.operand + " is longer than "
                                          + std::to_string(kMaxNameLength) + " characters");
                }
            }
            if (instructionInfo(item.code)->polarity == DestinationPolarity::AlwaysF)
                item.destination = 0;
        }
    }

    std::string bitText(const Item& item) const
    {
        const int location = canonicalLocation(item.registerAddress);
        std::string name = item.bitName;
        if (item.statusBit >= 0)
            name = std::string(defaults_.bits().find(kStatus, item.statusBit)->nameText());
        const auto alias = std::find_if(kHeaderAliases.begin(), kHeaderAliases.end(),
                                        [&](const HeaderAlias& a) { return a.name == name; });
        if (alias != kHeaderAliases.end() && headerIncluded_ && !alias->canonical.empty())
            name = std::string(alias->canonical);
        if (!name.empty()) {
            if (const BitEntry* user = doc_->userBits.find(name))
                if (canonicalLocation(user->address) == location && user->bit == item.bitNumber)
                    return name;
            if (const BitEntry* device = defaults_.bits().find(name))
                if (!doc_->userBits.find(name) && canonicalLocation(device->address) == location
                    && device->bit == item.bitNumber)
                    return name;
        }
        return registerText(item.registerAddress) + "," + std::to_string(item.bitNumber);
    }

    // Jumps to $, a number or an address name go to a label on the line of that address.
    void placeTargets()
    {
        std::map<int, std::string> labelAt;
        for (const Item& item : items_) {
            const Symbol* symbol = item.label.empty() ? nullptr : symbolOf(item.label);
            if (symbol && symbol->kind == SymbolKind::Label && !item.inactive)
                labelAt.emplace(symbol->value, programName(item.label));
        }
        for (Item& item : items_) {
            if (item.kind != ItemKind::Instruction || item.targetAddress < 0 || item.operandDone)
                continue;
            const int address = item.targetAddress;
            if (!item.targetName.empty()) {
                if (extraLabels_.count(item.targetName) == 0) {
                    Item* target = instructionAt(address, item.line);
                    extraLabels_.emplace(item.targetName, target);
                }
                item.operand = item.targetName;
                continue;
            }
            auto found = labelAt.find(address);
            if (found == labelAt.end()) {
                Item* target = instructionAt(address, item.line);
                const std::string name = freshLabel(address);
                if (target->label.empty())
                    target->label = name;
                else
                    extraLabels_.emplace(name, target);
                generated_.insert(name);
                found = labelAt.emplace(address, name).first;
            }
            item.operand = found->second;
        }
    }

    Item* instructionAt(int address, int line)
    {
        for (Item& candidate : items_)
            if (candidate.kind == ItemKind::Instruction && !candidate.inactive && candidate.address == address)
                return &candidate;
        refuse(line, "jump target " + hex(address) + " is not the address of an instruction");
    }

    std::string freshLabel(int address) const
    {
        for (int suffix = 0;; ++suffix) {
            char text[16];
            std::snprintf(text, sizeof text, "L%03X", static_cast<unsigned>(address));
            std::string name = text;
            if (suffix > 0)
                name += "x" + std::to_string(suffix);
            if (symbols_.count(name) == 0 && extraLabels_.count(name) == 0 && generated_.count(name) == 0
                && !NameInUse(*doc_, name) && placedLabels_.count(name) == 0)
                return name;
        }
    }

    // ---- the lines ----

    void buildLines()
    {
        // Every name but the labels is in place now; labels must differ from all of them.
        for (const RegisterTable* table : {&doc_->registerFile0, &doc_->registerFile1})
            for (const RegisterEntry& entry : *table)
                takenNames_.emplace(entry.nameText());
        for (const BitTable* table : {static_cast<const BitTable*>(&doc_->userBits), &defaults_.bits()})
            for (const BitEntry& entry : *table)
                takenNames_.emplace(entry.nameText());
        for (const NameValueEntry& entry : doc_->literals)
            takenNames_.emplace(entry.nameText());
        std::multimap<const Item*, std::string> before;
        for (const auto& [name, target] : extraLabels_)
            before.emplace(target, name);
        doc_->lines.setCursor(doc_->lines.last());
        for (const Item& item : items_) {
            const auto [from, to] = before.equal_range(&item);
            for (auto it = from; it != to; ++it)
                appendLine(kBlankCode, {}, 0, it->second, {}, false, item.line);
            int code = kBlankCode;
            std::string operand = item.operand;
            if (item.kind == ItemKind::Org) {
                code = kOrgCode;
                operand = item.inactive ? std::string(trim(item.orgText)) : orgText(values_[static_cast<std::size_t>(item.value)]);
                if (operand.size() > kMaxNameLength)
                    refuse(item.line, "the org address " + operand + " is longer than "
                                          + std::to_string(kMaxNameLength) + " characters");
            } else if (item.kind == ItemKind::Instruction) {
                code = item.code;
            }
            appendLine(code, operand, item.destination, programName(item.label), item.comment, item.inactive,
                       item.line);
        }
    }

    // What the importer built always assembles; where an Inactive line of an export or a line
    // after the last word of memory keeps it from doing so, the source is refused instead.
    void checkAssembles()
    {
        CheckScreen screen;
        HexImage image;
        if (!assembleProgram(*doc_, screen, image)) {
            int line = 0;
            const std::size_t digit = screen.message.find_first_of("0123456789");
            if (digit != std::string::npos) {
                const std::size_t number = static_cast<std::size_t>(std::atoi(screen.message.c_str() + digit));
                if (number < sourceLineOf_.size())
                    line = sourceLineOf_[number];
            }
            refuse(line, "the program would not assemble: " + screen.message);
        }
        // A label an equ places by ;@ or on an Inactive line must get the address gpasm uses.
        for (const std::string& name : placedLabels_) {
            const Symbol* symbol = symbolOf(name);
            int address = -1;
            const std::optional<std::string_view> value = doc_->labels.valueOf(programName(name));
            if (symbol && value && IsDecimalNumber(*value, address) && address != symbol->value)
                refuse(symbol->line, name + " is " + std::to_string(symbol->value) + " here, but the line it stands on"
                                         " is at address " + std::to_string(address));
        }
        doc_->labels.clearValues();
    }

    static std::string orgText(const ExprValue& value)
    {
        int parsed = 0;
        if (value.notation && !value.token.empty() && value.token.size() <= kMaxNameLength
            && (*value.notation == Notation::Decimal || *value.notation == Notation::Hex)
            && (IsAllDigits(value.token) ? *value.notation == Notation::Decimal : true)
            && ParseAddress(value.token, parsed) && parsed == value.value)
            return value.token;
        if (value.notation == Notation::Hex) {
            char text[16];
            std::snprintf(text, sizeof text, "H'%X'", static_cast<unsigned>(value.value));
            return text;
        }
        return std::to_string(value.value);
    }

    void appendLine(int code, const std::string& operand, int destination, const std::string& label,
                    const std::string& comment, bool inactive, int sourceLine)
    {
        ProgramLine record;
        record.code = code;
        record.setOperand(operand);
        record.destination = destination;
        record.state = inactive ? LineState::Inactive : LineState::Normal;
        if (const InstructionInfo* info = instructionInfo(code))
            record.setAffected(info->affected);
        if (!label.empty()) {
            checkName(label, sourceLine, "label");
            if (!labelNames_.insert(label).second)
                refuse(sourceLine, "label " + label + " stands on two lines");
            if (takenNames_.count(label) != 0)
                refuse(sourceLine, label + " is already a name of the chip or of the program");
            record.setLabel(label);
            doc_->labels.insert(label, {});
        }
        const std::vector<std::string> pieces = commentPieces(comment);
        if (sourceLineOf_.size() + std::max<std::size_t>(pieces.size(), 1) > kMaxProgramLines + 1)
            refuse(sourceLine, "the source makes more than " + std::to_string(kMaxProgramLines)
                                   + " program lines: no program needs that many");
        if (!pieces.empty())
            record.commentIndex = doc_->comments.append(pieces.front());
        if (!doc_->lines.insertAfterCursor(record))
            refuse(sourceLine, "out of memory");
        sourceLineOf_.push_back(sourceLine);
        // A comment longer than the comment field goes on in blank lines below it.
        for (std::size_t i = 1; i < pieces.size(); ++i) {
            ProgramLine more;
            more.code = kBlankCode;
            more.commentIndex = doc_->comments.append(pieces[i]);
            if (!doc_->lines.insertAfterCursor(more))
                refuse(sourceLine, "out of memory");
            sourceLineOf_.push_back(sourceLine);
        }
    }

    static std::vector<std::string> commentPieces(std::string_view text)
    {
        std::vector<std::string> pieces;
        if (text.empty())
            return pieces;
        while (text.size() > kCommentLength) {
            std::size_t cut = text.rfind(' ', kCommentLength);
            if (cut == std::string_view::npos || cut == 0) {
                cut = kCommentLength;
                // Never inside a UTF-8 sequence.
                while (cut > 1 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
                    --cut;
            }
            pieces.emplace_back(text.substr(0, cut));
            text = text.substr(cut);
            if (!text.empty() && text.front() == ' ')
                text.remove_prefix(1);
        }
        pieces.emplace_back(text);
        return pieces;
    }

    std::string_view source_;
    const DeviceDefaults& defaults_;
    std::unique_ptr<ProgramDocument> doc_;
    std::vector<ImportMessage> notes_;
    // Items stay where they are as more are added: lines and labels point at them.
    std::deque<Item> items_;
    std::deque<ExprValue> values_;
    std::unordered_map<std::string, Symbol, NameHash, std::equal_to<>> symbols_;
    std::unordered_set<std::string, NameHash, std::equal_to<>> deviceNames_;
    std::vector<const std::string*> definitionOrder_;
    std::map<std::string, Role> roles_;
    std::map<int, std::pair<std::string, int>> locationNames_;
    std::map<std::pair<int, int>, std::pair<std::string, int>> bitNames_;
    std::map<std::string, std::pair<std::string, int>> literals_;
    std::map<std::string, Item*> extraLabels_;
    std::set<std::string> generated_;
    std::set<std::string> placedLabels_;
    std::unordered_set<std::string, NameHash, std::equal_to<>> takenNames_;
    std::unordered_set<std::string, NameHash, std::equal_to<>> labelNames_;
    std::vector<int> sourceLineOf_ = {0};  // by program line, the header line being 0
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
    bool headerIncluded_ = false;
};

} // namespace

ImportOutcome importMpasmSource(std::string_view source, const DeviceDefaults& defaults)
{
    return Importer(source, defaults).run();
}

std::string formatImportMessage(std::string_view sourceName, const ImportMessage& message)
{
    return std::string(sourceName) + ":" + std::to_string(message.line) + ": " + message.text;
}

bool importMpasmFile(DocumentWindows& windows, Screen& screen, const DeviceDefaults& defaults,
                     const std::string& path)
{
    const std::string name = fileNameText(fileNameWithoutFolder(path));
    std::ifstream in(path, std::ios::binary);
    std::string source;
    if (in) {
        char buffer[65536];
        while (source.size() <= kMaxImportSourceBytes && in.read(buffer, sizeof buffer).gcount() > 0)
            source.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (!in && !in.eof()) {
        screen.showMessage(kMessageCaption, name + ": cannot read the file", MessageButtons::Ok);
        return false;
    }
    ImportOutcome outcome = importMpasmSource(source, defaults);
    if (!outcome.document) {
        screen.showMessage(kMessageCaption, formatImportMessage(name, *outcome.refusal), MessageButtons::Ok);
        return false;
    }
    const std::string caption = freshUntitledName(windows);
    outcome.document->fileName = caption;
    windows.addDocument(std::move(outcome.document), caption);
    if (!outcome.notes.empty()) {
        std::string text;
        for (const ImportMessage& note : outcome.notes)
            text += (text.empty() ? "" : "\n") + formatImportMessage(name, note);
        screen.showMessage(kMessageCaption, text, MessageButtons::Ok);
    }
    return true;
}

} // namespace tarvik
