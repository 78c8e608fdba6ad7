#pragma once

#include "model/BitTable.h"
#include "model/CommentTable.h"
#include "model/DeviceDefaults.h"
#include "model/LineList.h"
#include "model/NameValueTable.h"
#include "model/RegisterTable.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace tarvik {

inline constexpr std::size_t kPendingCommentWidth = 52;

// The model of one document window: its program, its symbols and its file state.
// A new document already holds its header line and both register files.
class ProgramDocument {
public:
    explicit ProgramDocument(const DeviceDefaults& defaults);
    ProgramDocument(const ProgramDocument&) = delete;
    ProgramDocument& operator=(const ProgramDocument&) = delete;

    const DeviceDefaults& defaults() const { return *defaults_; }

    ProgramLine* headerLine() { return lines.first(); }
    // The number the user sees: the header line is 0.
    int lineNumberOf(const ProgramLine* line) const { return lines.positionOf(line) - 1; }
    // Makes the header line the cursor.
    void resetCursorToTop() { lines.setCursor(lines.first()); }

    // True when a register file, the labels, the user or default bits, or the literals
    // hold the name: one name space covers the whole program.
    bool nameInUse(std::string_view name) const;
    // The name a location falls back to when its user name goes: the GPR pattern for a
    // general purpose register, the device name for an SFR.
    std::string defaultNameOf(int address) const;
    // Sets pendingComment, cut to what the comment field holds.
    void setPendingComment(std::string_view text);

    LineList lines;
    RegisterTable registerFile0;
    RegisterTable registerFile1;
    RegisterTable userRegisters0;
    RegisterTable userRegisters1;
    RegisterTable userSfrNames0;
    RegisterTable userSfrNames1;
    BitTable userBits;
    NameValueTable literals;
    NameValueTable labels;
    CommentTable comments;
    std::string pendingComment;
    bool editMode = false;

    std::string fileName;
    bool untitled = true;
    bool modified = false;
    // The MPASM source an imported program was read from, which no writer may replace.
    std::string importedFrom;

private:
    const DeviceDefaults* defaults_;
};

} // namespace tarvik
