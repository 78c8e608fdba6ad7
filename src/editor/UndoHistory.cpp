#include "editor/UndoHistory.h"

#include "files/ProgramFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <utility>

namespace tarvik {

namespace {

// After the opening marker the file is eleven sections, each a count, that many records
// and a closing marker: lines, comments, the six register tables, literals, labels, bits.
constexpr std::array<std::size_t, 11> kRecordSizes = {64, 60, 28, 28, 28, 28, 28, 28, 40, 40, 36};
constexpr std::size_t kWord = 4;
constexpr std::size_t kLabelsSection = 9;

struct Section {
    std::int32_t count = 0;
    std::span<const std::uint8_t> records;
};
using Sections = std::array<Section, kRecordSizes.size()>;

std::int32_t wordAt(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < kWord; ++i)
        value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    return static_cast<std::int32_t>(value);
}

void putWord(std::vector<std::uint8_t>& bytes, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < kWord; ++i)
        bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

// The encodings handled here are our own, so their layout holds.
Sections split(const std::vector<std::uint8_t>& bytes)
{
    Sections sections;
    std::size_t offset = kWord;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        sections[i].count = wordAt(bytes, offset);
        offset += kWord;
        const std::size_t length = static_cast<std::size_t>(sections[i].count) * kRecordSizes[i];
        sections[i].records = std::span(bytes).subspan(offset, length);
        offset += length + kWord;
    }
    return sections;
}

std::vector<std::uint8_t> join(const std::array<std::pair<std::int32_t, std::vector<std::uint8_t>>, 11>& sections)
{
    constexpr std::int32_t kMarker = 16;
    std::vector<std::uint8_t> bytes;
    std::size_t size = kWord;
    for (const auto& section : sections)
        size += 2 * kWord + section.second.size();
    bytes.reserve(size);
    putWord(bytes, kMarker);
    for (const auto& [count, records] : sections) {
        putWord(bytes, count);
        bytes.insert(bytes.end(), records.begin(), records.end());
        putWord(bytes, kMarker);
    }
    return bytes;
}

std::size_t patchBytes(const std::vector<UndoHistory::SectionPatch>& patch)
{
    std::size_t bytes = 0;
    for (const UndoHistory::SectionPatch& section : patch)
        bytes += sizeof section + section.middle.capacity();
    return bytes;
}

} // namespace

std::vector<std::uint8_t> encodeUserState(const ProgramDocument& document)
{
    std::vector<std::uint8_t> bytes = encodeProgramFile(document);
    std::size_t offset = kWord;
    for (std::size_t i = 0; i < kRecordSizes.size(); ++i) {
        const auto count = static_cast<std::size_t>(wordAt(bytes, offset));
        offset += kWord;
        if (i == kLabelsSection) {
            for (std::size_t k = 0; k < count; ++k) {
                const auto value = bytes.begin() + static_cast<std::ptrdiff_t>(offset + k * kRecordSizes[i] + kSymbolNameWidth);
                std::fill(value, value + kSymbolValueWidth, std::uint8_t{0});
            }
        }
        offset += count * kRecordSizes[i] + kWord;
    }
    return bytes;
}

std::vector<UndoHistory::SectionPatch> diffEncodings(const std::vector<std::uint8_t>& from,
                                                     const std::vector<std::uint8_t>& to)
{
    std::vector<UndoHistory::SectionPatch> patch;
    if (from == to)
        return patch;
    const Sections a = split(from);
    const Sections b = split(to);
    for (std::size_t i = 0; i < a.size(); ++i) {
        const std::span<const std::uint8_t> x = a[i].records;
        const std::span<const std::uint8_t> y = b[i].records;
        if (a[i].count == b[i].count && std::equal(x.begin(), x.end(), y.begin(), y.end()))
            continue;
        const std::size_t shorter = std::min(x.size(), y.size());
        std::size_t head = 0;
        while (head < shorter && x[head] == y[head])
            ++head;
        std::size_t tail = 0;
        while (tail < shorter - head && x[x.size() - 1 - tail] == y[y.size() - 1 - tail])
            ++tail;
        UndoHistory::SectionPatch section;
        section.section = static_cast<std::uint8_t>(i);
        section.count = b[i].count;
        section.head = static_cast<std::uint32_t>(head);
        section.tail = static_cast<std::uint32_t>(tail);
        section.middle.assign(y.begin() + static_cast<std::ptrdiff_t>(head),
                              y.end() - static_cast<std::ptrdiff_t>(tail));
        patch.push_back(std::move(section));
    }
    return patch;
}

std::vector<std::uint8_t> applyPatch(const std::vector<std::uint8_t>& from,
                                     const std::vector<UndoHistory::SectionPatch>& patch)
{
    const Sections sections = split(from);
    std::array<std::pair<std::int32_t, std::vector<std::uint8_t>>, 11> result;
    for (std::size_t i = 0; i < sections.size(); ++i)
        result[i] = {sections[i].count, {sections[i].records.begin(), sections[i].records.end()}};
    for (const UndoHistory::SectionPatch& section : patch) {
        auto& [count, records] = result[section.section];
        std::vector<std::uint8_t> rebuilt(records.begin(), records.begin() + section.head);
        rebuilt.insert(rebuilt.end(), section.middle.begin(), section.middle.end());
        rebuilt.insert(rebuilt.end(), records.end() - section.tail, records.end());
        count = section.count;
        records = std::move(rebuilt);
    }
    return join(result);
}

UndoHistory::UndoHistory(std::size_t depth)
    : depth_(std::max<std::size_t>(depth, 1))
{
}

void UndoHistory::reset(const ProgramDocument& document)
{
    undo_.clear();
    redo_.clear();
    current_ = encodeUserState(document);
    saved_.reset();
    if (!document.modified)
        saved_ = current_;
}

void UndoHistory::begin(const ProgramDocument& document, ViewSpot spot)
{
    begun_ = spot;
    std::vector<std::uint8_t> live = encodeUserState(document);
    // A change made outside a command would make every step apply to the wrong state;
    // rather than restore something that never was, the history starts again here.
    if (live != current_) {
        undo_.clear();
        redo_.clear();
        current_ = std::move(live);
    }
}

bool UndoHistory::commit(const ProgramDocument& document, std::string name, ViewSpot spot, bool merge)
{
    std::vector<std::uint8_t> after = encodeUserState(document);
    if (after == current_)
        return false;
    if (merge && redo_.empty() && !undo_.empty() && undo_.back().name == name) {
        Step& last = undo_.back();
        last.patch = diffEncodings(after, applyPatch(current_, last.patch));
        last.after = spot;
        // Back where the run began: nothing left to undo.
        if (last.patch.empty())
            undo_.pop_back();
        current_ = std::move(after);
        return true;
    }
    undo_.push_back({std::move(name), diffEncodings(after, current_), begun_, spot});
    redo_.clear();
    if (undo_.size() > depth_)
        undo_.pop_front();
    current_ = std::move(after);
    return true;
}

const std::string& UndoHistory::undoName() const
{
    static const std::string none;
    return undo_.empty() ? none : undo_.back().name;
}

const std::string& UndoHistory::redoName() const
{
    static const std::string none;
    return redo_.empty() ? none : redo_.back().name;
}

std::optional<ViewSpot> UndoHistory::undo(ProgramDocument& document)
{
    if (undo_.empty())
        return std::nullopt;
    Step step = std::move(undo_.back());
    undo_.pop_back();
    std::vector<std::uint8_t> before = applyPatch(current_, step.patch);
    const std::vector<SectionPatch> taken = std::exchange(step.patch, diffEncodings(before, current_));
    restore(document, std::move(before), taken);
    const ViewSpot spot = step.before;
    redo_.push_back(std::move(step));
    return spot;
}

std::optional<ViewSpot> UndoHistory::redo(ProgramDocument& document)
{
    if (redo_.empty())
        return std::nullopt;
    Step step = std::move(redo_.back());
    redo_.pop_back();
    std::vector<std::uint8_t> after = applyPatch(current_, step.patch);
    const std::vector<SectionPatch> taken = std::exchange(step.patch, diffEncodings(after, current_));
    restore(document, std::move(after), taken);
    const ViewSpot spot = step.after;
    undo_.push_back(std::move(step));
    return spot;
}

void UndoHistory::restore(ProgramDocument& document, std::vector<std::uint8_t> bytes,
                          const std::vector<SectionPatch>& patch)
{
    // Decoding inserts every symbol by name, which is the slow part; sections that stay
    // as they are go in empty.
    std::array<bool, kRecordSizes.size()> changed{};
    for (const SectionPatch& section : patch)
        changed[section.section] = true;
    const Sections sections = split(bytes);
    std::array<std::pair<std::int32_t, std::vector<std::uint8_t>>, 11> reduced;
    for (std::size_t i = 0; i < sections.size(); ++i)
        if (changed[i])
            reduced[i] = {sections[i].count, {sections[i].records.begin(), sections[i].records.end()}};
    ReadOutcome decoded = decodeProgramFile(join(reduced), document.defaults());
    ProgramDocument& state = *decoded.document;

    if (changed[0]) {
        document.lines.clear();
        for (const ProgramLine& line : state.lines)
            document.lines.insertAfterCursor(line);
    }
    RegisterTable* registers[] = {&document.registerFile0, &document.userSfrNames0, &document.userRegisters0,
                                  &document.registerFile1, &document.userSfrNames1, &document.userRegisters1};
    const RegisterTable* decodedRegisters[] = {&state.registerFile0, &state.userSfrNames0, &state.userRegisters0,
                                               &state.registerFile1, &state.userSfrNames1, &state.userRegisters1};
    for (std::size_t i = 0; i < 6; ++i)
        if (changed[2 + i])
            *registers[i] = *decodedRegisters[i];
    if (changed[1])
        document.comments = state.comments;
    if (changed[8])
        document.literals = state.literals;
    if (changed[kLabelsSection]) {
        // The addresses the last assembly gave stay with the labels that remain.
        NameValueTable labels = state.labels;
        for (const NameValueEntry& label : state.labels)
            if (const std::optional<std::string_view> known = document.labels.valueOf(label.nameText()))
                labels.setValue(label.nameText(), *known);
        document.labels = std::move(labels);
    }
    if (changed[10])
        document.userBits = state.userBits;
    document.resetCursorToTop();
    current_ = std::move(bytes);
    document.modified = !saved_ || *saved_ != current_;
}

void UndoHistory::markSaved(const ProgramDocument& document)
{
    saved_ = encodeUserState(document);
}

std::size_t UndoHistory::stepBytes() const
{
    std::size_t bytes = 0;
    for (const Step& step : undo_)
        bytes += sizeof step + step.name.capacity() + patchBytes(step.patch);
    for (const Step& step : redo_)
        bytes += sizeof step + step.name.capacity() + patchBytes(step.patch);
    return bytes;
}

} // namespace tarvik
