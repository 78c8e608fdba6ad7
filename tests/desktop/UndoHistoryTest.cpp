#include "editor/FindReplace.h"
#include "editor/LineCommands.h"
#include "editor/UndoHistory.h"
#include "files/ProgramFile.h"
#include "model/SymbolCommands.h"
#include "FakeScreen.h"
#include "RandomProgram.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <span>
#include <string>
#include <vector>

using namespace tarvik;

namespace {

using Bytes = std::vector<std::uint8_t>;

const DeviceDefaults& defaults()
{
    static const DeviceDefaults instance;
    return instance;
}

// A view of the document as the window would hold it: the cursor line's position and the
// top index; commands that move the cursor keep it in step.
struct Session {
    explicit Session(std::unique_ptr<ProgramDocument> document) : doc(std::move(document)) {}

    std::unique_ptr<ProgramDocument> doc;
    UndoHistory history;
    LineList clipboard;
    test::FakeScreen screen;
    ViewSpot spot{0, 0};

    ProgramLine* lineAt(int position) { return doc->lines.stepForward(doc->lines.first(), position); }
    void moveTo(int position)
    {
        spot = {std::max(0, position - 3), position};
        doc->lines.setCursor(lineAt(position));
    }
    ViewPlace place() { return {spot.cursorPosition - spot.topIndex, lineAt(spot.topIndex), spot.topIndex}; }
    void take(const ViewPlace& view)
    {
        spot = {view.topIndex, view.topIndex + view.cursorRow};
    }
    bool run(const std::string& name, const std::function<void()>& command)
    {
        history.begin(*doc, spot);
        command();
        spot = {0, doc->lines.positionOf(doc->lines.cursor()) - 1};
        return history.commit(*doc, name, spot);
    }
};

// One random command of every kind the editor has, some of them refused or changing
// nothing at times.
void randomCommand(Session& s, test::SplitMix64& rng, int counter)
{
    const int n = s.doc->lines.count();
    s.moveTo(rng.below(n));
    const std::string fresh = "N" + std::to_string(counter);
    switch (rng.below(12)) {
    case 0:
        s.run("Insert Blank Line", [&] { ViewPlace v = s.place(); insertBlankLine(*s.doc, v); });
        break;
    case 1:
        s.run("Delete Line", [&] { ViewPlace v = s.place(); deleteCursorLine(*s.doc, v); });
        break;
    case 2:
        s.run("Active/Inactive", [&] { toggleInactive(*s.doc); });
        break;
    case 3:
        s.run("Select", [&] { toggleSelected(*s.doc, *s.doc->lines.cursor()); });
        break;
    case 4:
        s.run("Select All", [&] { selectAll(*s.doc); });
        break;
    case 5:
        s.run("Cut", [&] { cutSelection(*s.doc, s.clipboard); });
        break;
    case 6:
        s.run("Paste", [&] { pasteClipboard(s.clipboard, *s.doc); });
        break;
    case 7:
        s.run("Delete", [&] { deleteSelection(*s.doc); });
        break;
    case 8:
        s.run("Add Literal", [&] { AddLiteral(*s.doc, s.screen, fresh, std::to_string(rng.below(256))); });
        break;
    case 9:
        s.run("Registers", [&] { NameRegister(*s.doc, s.screen, 0x0C + rng.below(0x24), fresh); });
        break;
    case 10:
        s.run("Bits", [&] { NameBit(*s.doc, s.screen, 0x0C + rng.below(0x24), rng.below(8), fresh); });
        break;
    default: {
        const ProgramLine* line = s.lineAt(rng.below(n));
        const std::string operand(line->operandText());
        s.run("Replace", [&] { ReplaceOperand(*s.doc, s.screen, operand, fresh); });
        break;
    }
    }
}

} // namespace

TEST(UndoHistory, ALongRandomSequenceUndoesToTheStartAndRedoesToTheEnd)
{
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        Session s{test::makeRandomProgram(defaults(), seed)};
        s.history.reset(*s.doc);
        test::SplitMix64 rng(seed);
        std::vector<Bytes> states = {encodeProgramFile(*s.doc)};
        for (int i = 0; i < 300; ++i) {
            randomCommand(s, rng, i);
            Bytes now = encodeProgramFile(*s.doc);
            if (now != states.back())
                states.push_back(std::move(now));
        }
        ASSERT_EQ(s.history.undoCount(), states.size() - 1);
        ASSERT_GT(states.size(), 100u);
        ASSERT_LE(states.size(), UndoHistory::kDefaultDepth);

        for (std::size_t i = states.size() - 1; i > 0; --i) {
            ASSERT_TRUE(s.history.undo(*s.doc));
            ASSERT_EQ(encodeProgramFile(*s.doc), states[i - 1]) << "seed " << seed << " undo to " << i - 1;
        }
        EXPECT_FALSE(s.history.undo(*s.doc));
        EXPECT_FALSE(s.doc->modified);
        for (std::size_t i = 1; i < states.size(); ++i) {
            ASSERT_TRUE(s.history.redo(*s.doc));
            ASSERT_EQ(encodeProgramFile(*s.doc), states[i]) << "seed " << seed << " redo to " << i;
        }
        EXPECT_FALSE(s.history.redo(*s.doc));
        EXPECT_TRUE(s.doc->modified);
    }
}

TEST(UndoHistory, NothingChangedLeavesNoStepAndANewStepDropsTheRedos)
{
    Session s{std::make_unique<ProgramDocument>(defaults())};
    s.history.reset(*s.doc);
    EXPECT_FALSE(s.run("Delete Line", [&] { ViewPlace v = s.place(); deleteCursorLine(*s.doc, v); }));
    EXPECT_FALSE(s.run("Add Literal", [&] { AddLiteral(*s.doc, s.screen, "1BAD", "5"); }));  // refused
    EXPECT_FALSE(s.history.canUndo());

    EXPECT_TRUE(s.run("Insert Blank Line", [&] { ViewPlace v = s.place(); insertBlankLine(*s.doc, v); }));
    EXPECT_TRUE(s.run("Add Literal", [&] { AddLiteral(*s.doc, s.screen, "FIVE", "5"); }));
    EXPECT_EQ(s.history.undoName(), "Add Literal");
    s.history.undo(*s.doc);
    EXPECT_EQ(s.history.undoName(), "Insert Blank Line");
    EXPECT_EQ(s.history.redoName(), "Add Literal");
    EXPECT_FALSE(s.doc->literals.holds("FIVE"));
    EXPECT_TRUE(s.run("Add Literal", [&] { AddLiteral(*s.doc, s.screen, "SIX", "6"); }));
    EXPECT_FALSE(s.history.canRedo());
}

TEST(UndoHistory, TheModifiedFlagIsClearExactlyAtTheSavedState)
{
    Session s{std::make_unique<ProgramDocument>(defaults())};
    s.history.reset(*s.doc);
    auto insert = [&] { s.run("Insert", [&] { ViewPlace v = s.place(); insertBlankLine(*s.doc, v); }); };
    insert();
    insert();
    s.history.markSaved(*s.doc);  // saved with two lines
    insert();
    s.history.undo(*s.doc);
    EXPECT_FALSE(s.doc->modified);
    s.history.undo(*s.doc);
    EXPECT_TRUE(s.doc->modified);
    s.history.undo(*s.doc);
    EXPECT_TRUE(s.doc->modified);  // empty is not what was saved
    s.history.redo(*s.doc);
    s.history.redo(*s.doc);
    EXPECT_FALSE(s.doc->modified);
    s.history.redo(*s.doc);
    EXPECT_TRUE(s.doc->modified);
}

TEST(UndoHistory, TheCursorAndViewComeBackAndOldStepsGoPastTheDepth)
{
    Session s{test::makeRandomProgram(defaults(), 9)};
    UndoHistory shallow(3);
    s.history.reset(*s.doc);
    shallow.reset(*s.doc);
    s.moveTo(12);
    const ViewSpot before = s.spot;
    s.run("Delete Line", [&] { ViewPlace v = s.place(); deleteCursorLine(*s.doc, v); });
    EXPECT_EQ(s.history.undo(*s.doc), before);
    EXPECT_EQ(s.doc->lines.cursor(), s.doc->lines.first());  // the view puts the cursor back

    for (int i = 0; i < 5; ++i) {
        shallow.begin(*s.doc, s.spot);
        ViewPlace v = s.place();
        insertBlankLine(*s.doc, v);
        shallow.commit(*s.doc, "Insert", s.spot);
    }
    EXPECT_EQ(shallow.undoCount(), 3u);
}

TEST(UndoHistory, AChangeMadeOutsideACommandStartsTheHistoryAgain)
{
    Session s{std::make_unique<ProgramDocument>(defaults())};
    s.history.reset(*s.doc);
    s.run("Insert", [&] { ViewPlace v = s.place(); insertBlankLine(*s.doc, v); });
    s.doc->literals.insert("X", "1");
    s.run("Insert", [&] { ViewPlace v = s.place(); insertBlankLine(*s.doc, v); });
    EXPECT_EQ(s.history.undoCount(), 1u);
    s.history.undo(*s.doc);
    EXPECT_TRUE(s.doc->literals.holds("X"));
    EXPECT_EQ(s.doc->lines.count(), 2);
}

TEST(UndoHistory, LabelAddressesAreTheAssemblersAndNeverTheUsersChange)
{
    Session s{std::make_unique<ProgramDocument>(defaults())};
    s.doc->labels.insert("LOOP", {});
    s.doc->labels.insert("GONE", {});
    s.history.reset(*s.doc);
    s.history.markSaved(*s.doc);
    EXPECT_TRUE(s.run("Insert", [&] { ViewPlace v = s.place(); insertBlankLine(*s.doc, v); }));

    // What Convert to Hex does to the labels is no step, and moves no saved state.
    EXPECT_FALSE(s.run("Convert to Hex", [&] {
        s.doc->labels.setValue("LOOP", "1");
        s.doc->labels.setValue("GONE", "2");
    }));
    EXPECT_EQ(s.history.undoName(), "Insert");
    EXPECT_TRUE(s.run("Delete Label", [&] { s.doc->labels.remove("GONE"); }));

    s.history.undo(*s.doc);
    EXPECT_EQ(s.doc->labels.valueOf("LOOP"), "1");  // the last assembly's address stays
    EXPECT_EQ(s.doc->labels.valueOf("GONE"), "");   // one that came back has none until the next
    s.history.undo(*s.doc);
    EXPECT_FALSE(s.doc->modified);
    EXPECT_EQ(s.doc->labels.valueOf("LOOP"), "1");
}

TEST(UndoHistory, MergedChangesAreOneStepThatEndsWhereTheRunBegan)
{
    Session s{std::make_unique<ProgramDocument>(defaults())};
    for (int i = 0; i < 5; ++i) {
        ViewPlace v = s.place();
        insertBlankLine(*s.doc, v);
    }
    s.history.reset(*s.doc);
    const Bytes start = encodeProgramFile(*s.doc);
    auto select = [&](int position, bool merge) {
        s.history.begin(*s.doc, s.spot);
        s.lineAt(position)->state = s.lineAt(position)->isSelected() ? LineState::Normal : LineState::Selected;
        return s.history.commit(*s.doc, "Select", s.spot, merge);
    };
    ASSERT_TRUE(select(2, false));
    ASSERT_TRUE(select(3, true));
    ASSERT_TRUE(select(4, true));
    EXPECT_EQ(s.history.undoCount(), 1u);
    const Bytes three = encodeProgramFile(*s.doc);
    s.history.undo(*s.doc);
    EXPECT_EQ(encodeProgramFile(*s.doc), start);
    s.history.redo(*s.doc);
    EXPECT_EQ(encodeProgramFile(*s.doc), three);

    // Unselected one by one back to the start: nothing is left to undo.
    ASSERT_TRUE(select(4, true));
    ASSERT_TRUE(select(3, true));
    ASSERT_TRUE(select(2, true));
    EXPECT_FALSE(s.history.canUndo());
    // A step of another name is never joined.
    ASSERT_TRUE(s.run("Insert", [&] { ViewPlace v = s.place(); insertBlankLine(*s.doc, v); }));
    ASSERT_TRUE(select(2, true));
    EXPECT_EQ(s.history.undoCount(), 2u);
}

// The encodings the history holds are its own, but a damaged one must be refused, never read
// past its end: every cut, a byte too many, and each section's marker and count spoiled.
TEST(UndoHistoryEncodings, DamagedEncodingsAndPatchesThatDoNotFitAreRefused)
{
    const auto doc = test::makeRandomProgram(defaults(), 4);
    const Bytes good = encodeProgramFile(*doc);
    doc->literals.insert("EXTRA", "7");
    const Bytes changed = encodeProgramFile(*doc);
    const auto patch = diffEncodings(good, changed);
    ASSERT_TRUE(patch && patch->size() == 1);
    ASSERT_EQ(applyPatch(good, *patch), changed);

    const auto refused = [&](std::span<const std::uint8_t> bad, const std::string& what) {
        EXPECT_FALSE(diffEncodings(bad, changed)) << what;
        EXPECT_FALSE(diffEncodings(changed, bad)) << what;
        EXPECT_FALSE(applyPatch(bad, *patch)) << what;
        EXPECT_FALSE(applyPatch(bad, {})) << what;
    };
    for (std::size_t length = 0; length < good.size(); ++length)
        refused(std::span(good).first(length), "cut to " + std::to_string(length));
    Bytes longer = good;
    longer.push_back(0);
    refused(longer, "a byte too many");

    const std::optional<EncodedSections> sections = splitProgramFile(good);
    ASSERT_TRUE(sections);
    for (const EncodedSection& section : *sections) {
        if (!section.records.data())
            continue;  // the device section, absent from this program
        const std::size_t records = static_cast<std::size_t>(section.records.data() - good.data());
        for (const auto& [offset, value] : {std::pair{records + section.records.size(), 17},
                                            std::pair{records - 4, section.count + 1},
                                            std::pair{records - 4, -1}, std::pair{records - 4, INT_MAX}}) {
            Bytes bad = good;
            for (std::size_t i = 0; i < 4; ++i)
                bad[offset + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
            refused(bad, std::to_string(value) + " at " + std::to_string(offset));
        }
    }

    // A patch whose section, head, tail or count does not fit the records it would rebuild.
    const auto spoiled = [&](auto&& spoil) {
        auto bad = *patch;
        spoil(bad.front());
        return applyPatch(good, bad);
    };
    const std::size_t size = (*sections)[static_cast<std::size_t>(patch->front().section)].records.size();
    EXPECT_FALSE(spoiled([](auto& p) { p.section = static_cast<FileSection>(kProgramFileSections.size()); }));
    EXPECT_FALSE(spoiled([&](auto& p) { p.head = static_cast<std::uint32_t>(size + 1); }));
    EXPECT_FALSE(spoiled([&](auto& p) { p.tail = static_cast<std::uint32_t>(size - p.head + 1); }));
    EXPECT_FALSE(spoiled([](auto& p) { p.count += 1; }));
    EXPECT_FALSE(spoiled([](auto& p) { p.count = -1; }));
    EXPECT_FALSE(spoiled([](auto& p) { p.middle.pop_back(); }));
}
