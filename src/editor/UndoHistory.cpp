#include "editor/UndoHistory.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tarvik {

namespace {

std::size_t patchBytes(const std::vector<UndoHistory::SectionPatch>& patch)
{
    std::size_t bytes = 0;
    for (const UndoHistory::SectionPatch& section : patch)
        bytes += sizeof section + section.middle.capacity();
    return bytes;
}

std::size_t indexOf(FileSection section)
{
    return static_cast<std::size_t>(section);
}

// Whether the patch can rebuild its section from these records: the head and tail it
// keeps are there, and what it gives is count whole records.
bool fits(const UndoHistory::SectionPatch& patch, const EncodedSections& sections)
{
    const std::size_t index = indexOf(patch.section);
    if (index >= sections.size() || patch.count < 0)
        return false;
    const std::size_t kept = std::size_t{patch.head} + patch.tail;
    return kept <= sections[index].records.size()
        && kept + patch.middle.size()
        == static_cast<std::size_t>(patch.count) * kProgramFileSections[index].recordSize;
}

} // namespace

std::vector<std::uint8_t> encodeUserState(const ProgramDocument& document)
{
    std::vector<std::uint8_t> bytes = encodeProgramFile(document);
    const std::optional<EncodedSections> sections = splitProgramFile(bytes);
    if (!sections)
        return bytes;
    const EncodedSection& labels = (*sections)[indexOf(FileSection::Labels)];
    const std::size_t recordSize = kProgramFileSections[indexOf(FileSection::Labels)].recordSize;
    const auto start = static_cast<std::size_t>(labels.records.data() - bytes.data());
    for (std::size_t k = 0; k < static_cast<std::size_t>(labels.count); ++k) {
        const auto value = bytes.begin() + static_cast<std::ptrdiff_t>(start + k * recordSize + kSymbolNameWidth);
        std::fill(value, value + kSymbolValueWidth, std::uint8_t{0});
    }
    return bytes;
}

std::optional<std::vector<UndoHistory::SectionPatch>> diffEncodings(std::span<const std::uint8_t> from,
                                                                    std::span<const std::uint8_t> to)
{
    const std::optional<EncodedSections> a = splitProgramFile(from);
    const std::optional<EncodedSections> b = splitProgramFile(to);
    if (!a || !b)
        return std::nullopt;
    std::vector<UndoHistory::SectionPatch> patch;
    for (const SectionLayout& layout : kProgramFileSections) {
        const std::size_t i = indexOf(layout.section);
        const std::span<const std::uint8_t> x = (*a)[i].records;
        const std::span<const std::uint8_t> y = (*b)[i].records;
        if ((*a)[i].count == (*b)[i].count && std::equal(x.begin(), x.end(), y.begin(), y.end()))
            continue;
        const std::size_t shorter = std::min(x.size(), y.size());
        std::size_t head = 0;
        while (head < shorter && x[head] == y[head])
            ++head;
        std::size_t tail = 0;
        while (tail < shorter - head && x[x.size() - 1 - tail] == y[y.size() - 1 - tail])
            ++tail;
        UndoHistory::SectionPatch section;
        section.section = layout.section;
        section.count = (*b)[i].count;
        section.head = static_cast<std::uint32_t>(head);
        section.tail = static_cast<std::uint32_t>(tail);
        section.middle.assign(y.begin() + static_cast<std::ptrdiff_t>(head),
                              y.end() - static_cast<std::ptrdiff_t>(tail));
        patch.push_back(std::move(section));
    }
    return patch;
}

std::optional<std::vector<std::uint8_t>> applyPatch(std::span<const std::uint8_t> from,
                                                    const std::vector<UndoHistory::SectionPatch>& patch)
{
    const std::optional<EncodedSections> sections = splitProgramFile(from);
    if (!sections)
        return std::nullopt;
    for (const UndoHistory::SectionPatch& section : patch)
        if (!fits(section, *sections))
            return std::nullopt;
    EncodedSections result = *sections;
    std::vector<std::vector<std::uint8_t>> rebuilt(patch.size());
    for (std::size_t n = 0; n < patch.size(); ++n) {
        const UndoHistory::SectionPatch& section = patch[n];
        const std::span<const std::uint8_t> old = (*sections)[indexOf(section.section)].records;
        std::vector<std::uint8_t>& records = rebuilt[n];
        records.reserve(section.head + section.middle.size() + section.tail);
        records.assign(old.begin(), old.begin() + section.head);
        records.insert(records.end(), section.middle.begin(), section.middle.end());
        records.insert(records.end(), old.end() - section.tail, old.end());
        result[indexOf(section.section)] = {section.count, records};
    }
    return joinProgramFile(result);
}

UndoHistory::UndoHistory(std::size_t depth)
    : depth_(std::max<std::size_t>(depth, 1))
{
}

void UndoHistory::forgetSteps()
{
    undo_.clear();
    redo_.clear();
}

void UndoHistory::reset(const ProgramDocument& document)
{
    forgetSteps();
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
        forgetSteps();
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
        std::optional<std::vector<std::uint8_t>> before = applyPatch(current_, last.patch);
        std::optional<std::vector<SectionPatch>> joined;
        if (before)
            joined = diffEncodings(after, *before);
        if (joined) {
            last.patch = std::move(*joined);
            last.after = spot;
            // Back where the run began: nothing left to undo.
            if (last.patch.empty())
                undo_.pop_back();
            current_ = std::move(after);
            return true;
        }
    }
    std::optional<std::vector<SectionPatch>> back = diffEncodings(after, current_);
    if (!back) {
        forgetSteps();
        current_ = std::move(after);
        return false;
    }
    undo_.push_back({std::move(name), std::move(*back), begun_, spot});
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
    return takeStep(document, undo_, redo_, &Step::before);
}

std::optional<ViewSpot> UndoHistory::redo(ProgramDocument& document)
{
    return takeStep(document, redo_, undo_, &Step::after);
}

std::optional<ViewSpot> UndoHistory::takeStep(ProgramDocument& document, std::deque<Step>& from,
                                              std::deque<Step>& to, ViewSpot Step::*spot)
{
    if (from.empty())
        return std::nullopt;
    Step& step = from.back();
    std::optional<std::vector<std::uint8_t>> target = applyPatch(current_, step.patch);
    std::optional<std::vector<SectionPatch>> back;
    if (target)
        back = diffEncodings(*target, current_);
    if (!back || !restore(document, std::move(*target), step.patch)) {
        forgetSteps();
        return std::nullopt;
    }
    step.patch = std::move(*back);
    to.push_back(std::move(step));
    from.pop_back();
    return to.back().*spot;
}

bool UndoHistory::restore(ProgramDocument& document, std::vector<std::uint8_t> bytes,
                          const std::vector<SectionPatch>& patch)
{
    // Decoding inserts every symbol by name, which is the slow part; sections that stay
    // as they are go in empty.
    std::array<bool, kProgramFileSections.size()> changed{};
    for (const SectionPatch& section : patch)
        changed[indexOf(section.section)] = true;
    const std::optional<EncodedSections> sections = splitProgramFile(bytes);
    if (!sections)
        return false;
    // The device settings always go in: without them the register files would read as a
    // 16C84's and lose the F84s' locations.
    changed[indexOf(FileSection::DeviceSettings)] = true;
    EncodedSections reduced;
    for (std::size_t i = 0; i < reduced.size(); ++i)
        if (changed[i])
            reduced[i] = (*sections)[i];
    ReadOutcome decoded = decodeProgramFile(joinProgramFile(reduced), document.defaults());
    if (decoded.status != ReadStatus::Ok)
        return false;
    ProgramDocument& state = *decoded.document;
    // First, so that the register files assigned below are not resized again.
    document.setDevice(state.device());
    document.configWord = state.configWord;
    document.eepromData = state.eepromData;

    for (const SectionLayout& layout : kProgramFileSections) {
        if (!changed[indexOf(layout.section)])
            continue;
        switch (layout.section) {
        case FileSection::Lines:
            document.lines.clear();
            for (const ProgramLine& line : state.lines)
                document.lines.insertAfterCursor(line);
            break;
        case FileSection::Comments: document.comments = state.comments; break;
        case FileSection::RegisterFile0: document.registerFile0 = state.registerFile0; break;
        case FileSection::UserSfrNames0: document.userSfrNames0 = state.userSfrNames0; break;
        case FileSection::UserRegisters0: document.userRegisters0 = state.userRegisters0; break;
        case FileSection::RegisterFile1: document.registerFile1 = state.registerFile1; break;
        case FileSection::UserSfrNames1: document.userSfrNames1 = state.userSfrNames1; break;
        case FileSection::UserRegisters1: document.userRegisters1 = state.userRegisters1; break;
        case FileSection::Literals: document.literals = state.literals; break;
        case FileSection::Labels: {
            // The addresses the last assembly gave stay with the labels that remain.
            NameValueTable labels = state.labels;
            for (const NameValueEntry& label : state.labels)
                if (const std::optional<std::string_view> known = document.labels.valueOf(label.nameText()))
                    labels.setValue(label.nameText(), *known);
            document.labels = std::move(labels);
            break;
        }
        case FileSection::Bits: document.userBits = state.userBits; break;
        case FileSection::DeviceSettings: break;
        }
    }
    document.resetCursorToTop();
    current_ = std::move(bytes);
    document.modified = !saved_ || *saved_ != current_;
    return true;
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
