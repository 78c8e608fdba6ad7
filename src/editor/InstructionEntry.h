#pragma once

#include "model/ProgramDocument.h"
#include "model/Screen.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarvik {

// What OK of an entry dialog does to the document. The dialogs read their controls into an
// EntryLine and call these functions; everything that checks, writes and attaches lives here.

// The entry dialog classes, by the operand they take.
enum class EntryKind { TwoF, OneF, Skip2, Bit, Literal, Branch, Zero, Org };

// The dialog that enters and edits lines of a code; nullopt for the header line and
// anything else no dialog writes.
std::optional<EntryKind> entryKindOf(std::int32_t code);

// The line being written, as the dialog's controls and state give it.
struct EntryLine {
    EntryKind kind = EntryKind::Zero;
    std::int32_t code = 0;
    std::string label;
    std::string operand;
    std::int32_t destination = 0;
    std::string affected;
    int operandKnown = 0;
};

enum class EntryResult {
    Written,
    OperandRefused,  // undefined symbol not defined, bad literal or address, empty literal
    LabelRefused,    // invalid or already used label
    Failed,          // no memory for the line
};

// Inserts the new line after the cursor. The editor view passes its own insertion steps;
// without one the line goes straight into the list.
using LineInserter = std::function<bool(const ProgramLine&)>;

// OK in insert mode: operand check (which may offer a definition and rename the operand),
// label check, the new line with the pending comment, insertion, modified flag.
EntryResult insertEntryLine(ProgramDocument& doc, Screen& screen, EntryLine& entry,
                            const LineInserter& insert = {});
// OK in edit mode: the same operand check, the label rules of an edit, relabelling, and the
// cursor line rewritten in place with its comment.
EntryResult rewriteEntryLine(ProgramDocument& doc, Screen& screen, EntryLine& entry);
// LoadFromLine: the cursor line's fields, and its comment into pendingComment.
EntryLine loadEntryLine(ProgramDocument& doc, EntryKind kind);
// Cancel, and a dialog closed by its close box: the pending comment goes with it.
void cancelEntry(ProgramDocument& doc);

// Sets editMode for as long as an edit-mode dialog is open.
class EditModeScope {
public:
    explicit EditModeScope(ProgramDocument& doc) : doc_(doc) { doc_.editMode = true; }
    ~EditModeScope() { doc_.editMode = false; }
    EditModeScope(const EditModeScope&) = delete;
    EditModeScope& operator=(const EditModeScope&) = delete;

private:
    ProgramDocument& doc_;
};

// Operand recognition while typing.
bool MatchesRegister(const ProgramDocument& doc, std::string_view text);
bool MatchesLiteral(const ProgramDocument& doc, std::string_view text);
bool MatchesLabel(const ProgramDocument& doc, std::string_view text);

// Register combos list registerFile0 then registerFile1: index i is bank-0 address i below
// kBankEntries and bank-1 address 0x80 + (i - kBankEntries) from there on.
inline constexpr int kBankEntries = 48;
const RegisterEntry* RegisterAtIndex(const ProgramDocument& doc, int index);
// The combo index of a register address; -1 for an address no register file holds.
int registerComboIndex(int address);

// The eight items of the bit list of a register. A name that would not fit a line's operand
// field is flagged, so the list can show it without letting it be chosen.
struct BitListItem {
    std::string text;
    bool fits = true;
};
std::array<BitListItem, 8> bitListOf(const ProgramDocument& doc, const RegisterEntry& reg);

// The three lines of the register, bit or literal page.
struct InfoPage {
    std::string name;
    std::string address;  // the value line on the literal page
    std::string bank;
};
InfoPage registerInfoPage(const ProgramDocument& doc, std::string_view text);
InfoPage bitInfoPage(const ProgramDocument& doc, std::string_view text);
InfoPage literalInfoPage(const ProgramDocument& doc, std::string_view text);

} // namespace tarvik
