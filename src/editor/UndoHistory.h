#pragma once

#include "editor/ViewPaging.h"
#include "files/ProgramFile.h"
#include "model/ProgramDocument.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarvik {

// Undo and redo for one document. A state is the document's program-file encoding, which
// holds the lines and every table byte for byte, except the labels' addresses: those are
// the assembler's to rewrite at every Convert to Hex, not the user's changes, so they
// neither make a step nor count against the saved state. A step keeps only what differs
// between two states, per section of the file, so a one-line edit of a large program costs
// bytes, not the whole file. Commands are bracketed by begin and commit; a command that
// changed nothing (cancelled, or refused) leaves no step.
class UndoHistory {
public:
    static constexpr std::size_t kDefaultDepth = 256;

    explicit UndoHistory(std::size_t depth = kDefaultDepth);

    // Forgets every step; the document as it is now is the starting state, and also the
    // saved one unless it is modified.
    void reset(const ProgramDocument& document);

    // Before a command; spot is where the view stands.
    void begin(const ProgramDocument& document, ViewSpot spot);
    // After it: a step named name when the document changed. True when one was recorded.
    // With merge, a change right after a step of the same name joins that step, so that a
    // run of one small command (a selection extended line by line) is undone at once.
    bool commit(const ProgramDocument& document, std::string name, ViewSpot spot, bool merge = false);

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    const std::string& undoName() const;
    const std::string& redoName() const;

    // Take the document back or forward one step, in place (its address stays, its line
    // records are new). The modified flag is clear exactly when the state is the one last
    // saved. Returns where the view stood, or nothing when there is no step.
    std::optional<ViewSpot> undo(ProgramDocument& document);
    std::optional<ViewSpot> redo(ProgramDocument& document);

    // The document as it is now is on disk.
    void markSaved(const ProgramDocument& document);

    std::size_t undoCount() const { return undo_.size(); }
    // Bytes held by the steps (both directions), for measuring.
    std::size_t stepBytes() const;

    // One section of the file changed: its new count and the records between an unchanged
    // head and an unchanged tail.
    struct SectionPatch {
        FileSection section = FileSection::Lines;
        std::int32_t count = 0;
        std::uint32_t head = 0;
        std::uint32_t tail = 0;
        std::vector<std::uint8_t> middle;
    };

private:
    struct Step {
        std::string name;
        std::vector<SectionPatch> patch;  // turns the neighbouring state into this step's target
        ViewSpot before;
        ViewSpot after;
    };

    // Takes the newest step of from and files it in to, turned round. Nothing changes
    // when there is none; a step that does not fit the current state is refused and the
    // history starts again from the document as it is.
    std::optional<ViewSpot> takeStep(ProgramDocument& document, std::deque<Step>& from, std::deque<Step>& to,
                                     ViewSpot Step::*spot);
    // Brings the sections the patch names over from bytes; the others are as they were.
    // False, with the document untouched, when bytes do not decode.
    bool restore(ProgramDocument& document, std::vector<std::uint8_t> bytes, const std::vector<SectionPatch>& patch);
    void forgetSteps();

    std::size_t depth_;
    std::deque<Step> undo_;
    std::deque<Step> redo_;
    std::vector<std::uint8_t> current_;
    std::optional<std::vector<std::uint8_t>> saved_;
    ViewSpot begun_{0, 0};
};

// The document's program-file encoding with every label's address left empty.
std::vector<std::uint8_t> encodeUserState(const ProgramDocument& document);

// The patch that turns from into to, both whole program-file encodings: empty when they
// are equal, nullopt when either is not a whole encoding. Applying it to from gives to
// byte for byte.
std::optional<std::vector<UndoHistory::SectionPatch>> diffEncodings(std::span<const std::uint8_t> from,
                                                                    std::span<const std::uint8_t> to);
// Nullopt when from is not a whole encoding or the patch does not fit it.
std::optional<std::vector<std::uint8_t>> applyPatch(std::span<const std::uint8_t> from,
                                                    const std::vector<UndoHistory::SectionPatch>& patch);

} // namespace tarvik
