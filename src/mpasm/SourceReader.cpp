#include "mpasm/SourceReader.h"

#include "mpasm/DirectiveTable.h"
#include "mpasm/MpasmExport.h"

namespace tarvik::mpasm {

SourceReader::SourceReader(SourceProgram& program, const DeviceDefaults& defaults)
    : program_(program), defaults_(defaults)
{
}

bool SourceReader::isOperation(std::string_view lowerCaseWord)
{
    return findMnemonic(lowerCaseWord) || DirectiveTable::knows(lowerCaseWord);
}

void SourceReader::read()
{
    const std::string_view source = program_.text.text();
    int line = 0;
    std::size_t pos = 0;
    bool first = true;
    while (pos < source.size() && !ended_) {
        std::size_t end = source.find('\n', pos);
        if (end == std::string_view::npos)
            end = source.size();
        std::string_view text = source.substr(pos, end - pos);
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
        const std::size_t before = program_.items.size();
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
        if (!pendingLabel_.empty() && program_.items.size() > before) {
            Item& item = program_.items[before];
            if (!item.label.empty())
                refuse(line, "the line already has label " + item.label + " (;@" + pendingLabel_ + ")");
            item.label = pendingLabel_;
            program_.placedLabels.insert(pendingLabel_);
            pendingLabel_.clear();
        }
    }
    if (inCblock_)
        refuse(cblockLine_, "cblock without endc");
    if (!pendingLabel_.empty())
        refuse(pendingLine_, ";@" + pendingLabel_ + " is followed by no line");
}

// An Inactive line: read like any other but given no address; what cannot be read is kept as
// it stands, since it is never assembled.
void SourceReader::readInactiveLine(std::string_view text, int line)
{
    const std::size_t before = program_.items.size();
    inactive_ = true;
    try {
        readLine(text, line);
    } catch (const Refusal&) {
        program_.items.resize(before);
        const Statement s = lexer_.statement(text, line);
        const Mnemonic* mnemonic = findMnemonic(s.opLower);
        if (mnemonic && mnemonic->count == 1 && mnemonic->steps[0].statusBit < 0) {
            Item& item = addInstruction(s, mnemonic->steps[0].code);
            item.label = std::string(s.label);
            item.rawOperand = s.operands;
        } else {
            Item& item = addItem(ItemKind::Blank, s);
            item.comment = program_.programText(Lexer::cleanComment(std::string("#") + std::string(text)), line);
        }
    }
    inactive_ = false;
}

void SourceReader::readLine(std::string_view text, int line)
{
    if (inCblock_) {
        readCblockLine(text, line);
        return;
    }
    const Statement s = lexer_.statement(text, line);
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
    if (const Mnemonic* mnemonic = findMnemonic(s.opLower)) {
        readInstruction(s, *mnemonic);
        return;
    }
    if (const std::optional<std::string_view> reason = DirectiveTable::refusalOf(s.opLower))
        refuse(line, std::string(*reason));
    if (inactive_ && s.opLower != "org")
        refuse(line, "only instructions and org lines are Inactive lines");
    const DirectiveTable::Handler handler = DirectiveTable::find(s.opLower);
    if (!handler)
        refuse(line, "unknown mnemonic or directive '" + std::string(s.op) + "'");
    handler(*this, s);
}

void SourceReader::startCblock(int line, std::optional<std::int32_t> next)
{
    inCblock_ = true;
    cblockLine_ = line;
    if (next)
        cblockNext_ = *next;
}

void SourceReader::readCblockLine(std::string_view text, int line)
{
    const Statement s = lexer_.statement(text, line);
    const std::string_view code = Lexer::trim(s.code);
    if (lowerCase(code) == "endc") {
        inCblock_ = false;
        keepComment(s);
        return;
    }
    const std::vector<std::string_view> entries = Lexer::splitOperands(code);
    for (std::string_view entry : entries) {
        if (entry.empty())
            continue;
        std::int32_t size = 1;
        const std::size_t colon = entry.find(':');
        std::string_view name = entry;
        if (colon != std::string_view::npos) {
            name = Lexer::trim(entry.substr(0, colon));
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
        keepNamedComment(s, Lexer::trim(entries[0].substr(0, entries[0].find(':'))));
    else
        keepComment(s);
}

Item& SourceReader::addItem(ItemKind kind, const Statement& s)
{
    if (program_.items.size() >= kMaxProgramLines)
        refuse(s.line, "the source makes more than " + std::to_string(kMaxProgramLines)
                           + " program lines: no program needs that many");
    Item& item = program_.items.emplace_back();
    item.kind = kind;
    item.line = s.line;
    item.radix = radix_;
    item.inactive = inactive_;
    // A bare semicolon still marks a comment, if a blank one.
    if (!quiet_ && s.hasComment)
        item.comment = s.comment.empty() ? std::string(" ") : program_.programText(s.comment, s.line);
    item.address = address_;
    return item;
}

Item& SourceReader::addInstruction(const Statement& s, int code)
{
    if (address_ >= kProgramWords && !inactive_)
        refuse(s.line, "code past program memory (1024 words)");
    Item& item = addItem(ItemKind::Instruction, s);
    item.code = code;
    if (!inactive_)
        ++address_;
    return item;
}

void SourceReader::keepComment(const Statement& s)
{
    if (!s.comment.empty() && !quiet_)
        addItem(ItemKind::Blank, s);
}

void SourceReader::keepNamedComment(Statement s, std::string_view name)
{
    if (!s.comment.empty())
        s.comment = std::string(name) + ": " + s.comment;
    keepComment(s);
}

void SourceReader::keepLabelledDirective(const Statement& s)
{
    if (!s.label.empty()) {
        defineLabel(s);
        addItem(ItemKind::Blank, s).label = std::string(s.label);
    } else {
        keepComment(s);
    }
}

void SourceReader::defineSymbol(std::string_view name, Symbol symbol, int line)
{
    if (!isName(name))
        refuse(line, "'" + std::string(name) + "' is not a name");
    const auto [it, inserted] = program_.symbols.emplace(std::string(name), std::move(symbol));
    if (!inserted)
        refuse(line, std::string(name) + " is already defined (line " + std::to_string(it->second.line) + ")");
    program_.definitionOrder.push_back(&it->first);
}

void SourceReader::defineLabel(const Statement& s)
{
    checkName(programName(s.label), s.line, "label");
    // An Inactive line's label has no address for gpasm: the export defines it by equ.
    if (inactive_)
        program_.placedLabels.insert(std::string(s.label));
    else
        defineSymbol(s.label, Symbol{SymbolKind::Label, address_, s.line, {}, {}}, s.line);
}

Declared SourceReader::defineConstant(std::string_view name, std::string_view expression, const Statement& s,
                                      bool variable)
{
    if (name.empty())
        refuse(s.line, std::string(s.op) + " needs a name in column 1");
    ExprValue value = evaluateNow(expression, s.line, true);
    const Symbol* old = program_.symbolOf(name);
    if (variable && old && old->kind == SymbolKind::Constant)
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
            symbol.bitRegister = std::string(Lexer::trim(comment.substr(4, comma - 4)));
        }
    }
    const Declared declared = symbol.declared;
    defineSymbol(name, std::move(symbol), s.line);
    return declared;
}

ExprValue SourceReader::evaluateNow(std::string_view text, int line, bool dollar)
{
    return program_.evaluate(text, line, radix_, dollar ? std::optional<int>(address_) : std::nullopt);
}

void SourceReader::readInstruction(const Statement& s, const Mnemonic& mnemonic)
{
    const std::vector<std::string_view> operands = Lexer::splitOperands(s.operands);
    std::size_t wanted = 0;
    switch (mnemonic.form) {
    case OperandForm::None: wanted = 0; break;
    case OperandForm::FD: wanted = operands.size() == 1 ? 1 : 2; break;
    case OperandForm::FB: wanted = 2; break;
    default: wanted = 1; break;
    }
    if (operands.size() != wanted)
        refuse(s.line, std::string(s.op) + " takes " + std::to_string(wanted) + " operand" + (wanted == 1 ? "" : "s"));
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

} // namespace tarvik::mpasm
