#pragma once

#include "model/ProgramDocument.h"
#include "model/ProgramLine.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

enum class RunColour : std::uint8_t { Black, Blue, Green, Purple, Olive, Red, Dimmed, Grey };

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// Dimmed text and the cursor background stand for system colours; these pale greys are
// their fixed substitutes.
constexpr Rgb rgbOf(RunColour colour)
{
    switch (colour) {
    case RunColour::Black: return {0, 0, 0};
    case RunColour::Blue: return {0, 0, 255};
    case RunColour::Green: return {0, 128, 0};
    case RunColour::Purple: return {128, 0, 128};
    case RunColour::Olive: return {128, 128, 0};
    case RunColour::Red: return {255, 0, 0};
    case RunColour::Dimmed: return {168, 168, 168};
    case RunColour::Grey: return {96, 96, 96};
    }
    return {0, 0, 0};
}
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kCursorBackground{227, 227, 227};

inline constexpr int kLabelX = 5;
inline constexpr int kSkipGap = 8;
inline constexpr int kHeaderFillWidth = 310;

struct ColumnPositions {
    int instructionX = 90;
    int bankX = 230;
    int commentX = 275;
    // An instruction line's cycles end here, right-aligned; 0 shows none.
    int cyclesRight = 0;
    bool operator==(const ColumnPositions&) const = default;
};

struct TextRun {
    std::string text;
    RunColour colour;
    int x;  // left edge in the row; the row's top is the view's business
    bool operator==(const TextRun&) const = default;
};

struct RenderedLine {
    std::vector<TextRun> runs;
    // The header line first fills its row from x 0 to fillWidth (0: no fill) with the
    // cursor background or white.
    int fillWidth = 0;
    bool fillWithCursorBackground = false;
};

// Pixel width of a text in the view's drawing font; instruction runs are placed with it.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    virtual int width(std::string_view text) const = 0;
};

// The colour a run of the given base colour takes on a line in this state. A state outside
// the three known ones (a damaged file) draws like Normal.
RunColour stateColour(LineState state, RunColour base);

// "1" for bsf and "0" for bcf of the bank-select bit (STATUS bit 5, either bank) named by a
// default or user bit name; empty otherwise.
std::string_view bankMark(const ProgramLine& line, const ProgramDocument& document);

// What one row shows: the runs of a line in a notation (0 symbolic, otherwise MPASM), with
// its cycles ("1", "2", "1/2") in grey where the columns have room for them.
// onCursorRow says whether the line is drawn in the cursor row. A code that is no known
// line kind shows its label, a "?" and its comment, so a damaged line stays visible.
void renderLine(const ProgramLine& line, int displayMode, const ProgramDocument& document,
                const ColumnPositions& columns, bool onCursorRow, const TextMeasure& measure,
                RenderedLine& out);
RenderedLine renderLine(const ProgramLine& line, int displayMode, const ProgramDocument& document,
                        const ColumnPositions& columns, bool onCursorRow,
                        const TextMeasure& measure);

} // namespace tarvik
