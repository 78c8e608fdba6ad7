#include "editor/InstructionEntry.h"

#include "model/Names.h"
#include "model/InstructionCode.h"

namespace tarvik {

namespace {

bool hasDestination(EntryKind kind)
{
    return kind == EntryKind::TwoF || kind == EntryKind::OneF || kind == EntryKind::Skip2;
}

bool writesOperand(EntryKind kind) { return kind != EntryKind::Zero; }
bool writesLabel(EntryKind kind) { return kind != EntryKind::Org; }

// The operand check that runs first in both modes. An offer may define the symbol under
// another name, which then replaces the operand.
bool checkOperand(ProgramDocument& doc, Screen& screen, EntryLine& entry)
{
    switch (entry.kind) {
    case EntryKind::TwoF:
    case EntryKind::OneF:
    case EntryKind::Skip2:
        if (!EnsureRegister(doc, screen, entry.operandKnown, entry.operand))
            return false;
        break;
    case EntryKind::Bit:
        // Picking another register empties the bit box but leaves the bit known from before.
        if (entry.operand.empty() || !EnsureBit(doc, screen, entry.operandKnown, entry.operand))
            return false;
        break;
    case EntryKind::Literal: {
        if (entry.operand.empty())
            return false;
        int value = 0;
        if (!CheckLiteralOperand(doc, screen, entry.operandKnown, entry.operand, value))
            return false;
        break;
    }
    case EntryKind::Org: {
        int address = 0;
        if (!ParseAddress(entry.operand, address)) {
            ReportError(screen, "Syntax error!");
            return false;
        }
        break;
    }
    case EntryKind::Branch:
    case EntryKind::Zero:
        break;
    }
    // A register name of 13 characters with ",7" picked from a bit list would not fit the
    // operand field; cutting it would name another bit or none.
    if (writesOperand(entry.kind) && entry.operand.size() > kMaxNameLength) {
        ShowSyntaxError(screen, entry.operand);
        return false;
    }
    return true;
}

bool validCommentIndex(const ProgramDocument& doc, int index)
{
    return index >= 1 && index <= doc.comments.count();
}

} // namespace

std::optional<EntryKind> entryKindOf(std::int32_t code)
{
    if (code == kOrgCode)
        return EntryKind::Org;
    if (code == kBlankCode)
        return EntryKind::Zero;
    const InstructionInfo* info = instructionInfo(code);
    if (!info)
        return std::nullopt;
    switch (info->dialog) {
    case DialogClass::TfrmTwoF: return EntryKind::TwoF;
    case DialogClass::TfrmOneF: return EntryKind::OneF;
    case DialogClass::TfrmSkip2: return EntryKind::Skip2;
    case DialogClass::TfrmBit1: return EntryKind::Bit;
    case DialogClass::TfrmLit1: return EntryKind::Literal;
    case DialogClass::TfrmLit2: return EntryKind::Branch;
    case DialogClass::TfrmZero: return EntryKind::Zero;
    }
    return std::nullopt;
}

EntryResult insertEntryLine(ProgramDocument& doc, Screen& screen, EntryLine& entry, const LineInserter& insert)
{
    if (!checkOperand(doc, screen, entry))
        return EntryResult::OperandRefused;
    if (writesLabel(entry.kind) && !AddLabel(doc, screen, entry.label))
        return EntryResult::LabelRefused;

    ProgramLine line;
    line.code = entry.kind == EntryKind::Org ? kOrgCode : entry.code;
    if (writesLabel(entry.kind)) {
        line.setLabel(entry.label);
        line.setAffected(entry.affected);
    }
    if (writesOperand(entry.kind))
        line.setOperand(entry.operand);
    if (hasDestination(entry.kind))
        line.destination = entry.destination;
    // The comment is in the table before the line goes in: the view shows the new line's
    // comment the moment it inserts it. Should the insertion fail, the comment stays pending
    // and its entry unused, as a deleted line's comment does.
    if (!doc.pendingComment.empty())
        line.commentIndex = doc.comments.append(doc.pendingComment);

    const bool inserted = insert ? insert(line) : doc.lines.insertAfterCursor(line) != nullptr;
    if (!inserted)
        return EntryResult::Failed;
    doc.pendingComment.clear();
    doc.modified = true;
    return EntryResult::Written;
}

EntryResult rewriteEntryLine(ProgramDocument& doc, Screen& screen, EntryLine& entry)
{
    ProgramLine* line = doc.lines.cursor();
    if (!doc.lines.isLine(line) || line == doc.lines.first())
        return EntryResult::Failed;
    if (!checkOperand(doc, screen, entry))
        return EntryResult::OperandRefused;
    if (writesLabel(entry.kind)) {
        if (!IsValidName(screen, entry.label))
            return EntryResult::LabelRefused;
        if (!entry.label.empty() && NameInUse(doc, entry.label) && entry.label != line->labelText()) {
            screen.showMessage(kMessageCaption,
                               formatMessage("'%s' is already exist!", entry.label.c_str()),
                               MessageButtons::Ok);
            return EntryResult::LabelRefused;
        }
    }
    doc.modified = true;

    if (writesLabel(entry.kind)) {
        doc.labels.relabel(line->labelText(), entry.label);
        line->setLabel(entry.label);
    }
    if (writesOperand(entry.kind))
        line->setOperand(entry.operand);
    if (hasDestination(entry.kind))
        line->destination = entry.destination;
    // An index that a damaged file left outside the table counts as no comment.
    if (validCommentIndex(doc, line->commentIndex))
        doc.comments.overwrite(line->commentIndex, doc.pendingComment);
    else if (!doc.pendingComment.empty())
        line->commentIndex = doc.comments.append(doc.pendingComment);
    doc.pendingComment.clear();
    return EntryResult::Written;
}

EntryLine loadEntryLine(ProgramDocument& doc, EntryKind kind)
{
    EntryLine entry;
    entry.kind = kind;
    const ProgramLine* line = doc.lines.cursor();
    if (!doc.lines.isLine(line))
        return entry;
    entry.code = line->code;
    entry.label = line->labelText();
    entry.operand = line->operandText();
    entry.affected = line->affectedText();
    entry.destination = hasDestination(kind) && line->destination != 0 ? 1 : 0;
    entry.operandKnown = 1;
    if (line->commentIndex != -1)
        doc.setPendingComment(doc.comments.textAt(line->commentIndex));
    return entry;
}

void cancelEntry(ProgramDocument& doc)
{
    doc.pendingComment.clear();
}

bool MatchesRegister(const ProgramDocument& doc, std::string_view text)
{
    return doc.registerFile0.holdsName(text) || doc.registerFile1.holdsName(text);
}

bool MatchesLiteral(const ProgramDocument& doc, std::string_view text)
{
    return doc.literals.holds(text);
}

bool MatchesLabel(const ProgramDocument& doc, std::string_view text)
{
    return doc.labels.holds(text);
}

const RegisterEntry* RegisterAtIndex(const ProgramDocument& doc, int index)
{
    if (index < 0)
        return nullptr;
    return index < kBankEntries ? doc.registerFile0.at(index) : doc.registerFile1.at(index - kBankEntries);
}

int registerComboIndex(int address)
{
    if (address >= 0 && address < kBankEntries)
        return address;
    if (address >= 0x80 && address < 0x80 + kBankEntries)
        return kBankEntries + address - 0x80;
    return -1;
}

std::array<BitListItem, 8> bitListOf(const ProgramDocument& doc, const RegisterEntry& reg)
{
    std::array<BitListItem, 8> items;
    for (int bit = 0; bit < 8; ++bit) {
        BitListItem& item = items[static_cast<std::size_t>(bit)];
        item.text = BitDisplayName(doc, reg, bit);
        item.fits = item.text.size() <= kMaxNameLength;
    }
    return items;
}

InfoPage registerInfoPage(const ProgramDocument& doc, std::string_view text)
{
    const std::string name(text);
    InfoPage page;
    page.name = formatMessage("1. Register: %s", name.c_str());
    const int p0 = doc.registerFile0.positionOf(text);
    const int p1 = doc.registerFile1.positionOf(text);
    if (p0 && p1) {
        page.address = formatMessage("2. Address: H%02X and H%02X", p0 - 1, p1 - 1 + 0x80);
        page.bank = formatMessage("3. Bank: %d and %d", 0, 1);
    } else if (p0) {
        page.address = formatMessage("2. Address: H%02X", p0 - 1);
        page.bank = "3. Bank: 0";
    } else if (p1) {
        page.address = formatMessage("2. Address: H%02X", p1 - 1 + 0x80);
        page.bank = "3. Bank: 1";
    } else {
        page.address = formatMessage("2. Address: %c", '?');
        page.bank = "3. Bank: ?";
    }
    return page;
}

InfoPage bitInfoPage(const ProgramDocument& doc, std::string_view text)
{
    InfoPage page;
    page.name = formatMessage("1. Bit: %s", std::string(text).c_str());
    int address = 0;
    int bit = 0;
    if (!ResolveBitOperand(doc, text, address, bit)) {
        page.address = "2. Address: ?";
        page.bank = "3. Bank: ?";
    } else if (isMirroredSfr(address)) {
        // A user bit may name the bank-1 copy; both addresses are then still bank 0 and 1.
        const int low = address & 0x7F;
        page.address = formatMessage("2. Address: H%02X,%d and H%02X,%d", low, bit, low + 128, bit);
        page.bank = "3. Bank: 0 and 1";
    } else {
        page.address = formatMessage("2. Address: H%02X,%d", address, bit);
        page.bank = address >= 128 ? "3. Bank: 1" : "3. Bank: 0";
    }
    return page;
}

InfoPage literalInfoPage(const ProgramDocument& doc, std::string_view text)
{
    InfoPage page;
    const std::string typed(text);
    if (const auto value = doc.literals.valueOf(text)) {
        page.name = formatMessage("1. Literal: %s", typed.c_str());
        page.address = formatMessage("2. Value: %s", std::string(*value).c_str());
    } else {
        page.name = "1. Literal: ";
        page.address = formatMessage("2. Value: %s", typed.c_str());
    }
    return page;
}

} // namespace tarvik
