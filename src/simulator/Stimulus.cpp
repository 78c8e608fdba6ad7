#include "simulator/Stimulus.h"

#include <algorithm>
#include <cctype>

namespace tarvik::sim {

namespace {

// The bad lines told of a file; a file with more is hardly a stimulus.
constexpr std::size_t kMaxErrors = 20;

// Up to 10^15 cycles: years at any clock, and sums of two never overflow.
constexpr std::size_t kMaxDigits = 15;

std::optional<std::uint64_t> number(std::string_view text)
{
    if (text.empty() || text.size() > kMaxDigits || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text)
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    return value;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// A field as the message quotes it: printable, and short.
std::string quoted(std::string_view field)
{
    std::string text;
    for (char c : field.substr(0, 24))
        text += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    return field.size() > 24 ? text + "..." : text;
}

std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t' || line[at] == '\r'))
            ++at;
        const std::size_t start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t' && line[at] != '\r')
            ++at;
        if (at > start)
            out.push_back(line.substr(start, at - start));
    }
    return out;
}

} // namespace

std::optional<int> stimulusPin(std::string_view name)
{
    const std::size_t slash = name.find('/');
    if (slash != std::string_view::npos) {
        const auto first = stimulusPin(name.substr(0, slash));
        const auto second = stimulusPin(name.substr(slash + 1));
        return first && first == second && name.substr(slash + 1).find('/') == std::string_view::npos ? first : std::nullopt;
    }
    if (sameName(name, "MCLR"))
        return kMclrPin;
    if (sameName(name, "T0CKI"))
        return 4;
    if (sameName(name, "INT"))
        return 5;
    for (int signal = 0; signal < kPinSignals; ++signal)
        if (sameName(name, pinSignalName(signal)))
            return signal;
    return std::nullopt;
}

StimulusReadOutcome parseStimulus(std::string_view text)
{
    Stimulus stimulus;
    std::vector<std::string> errors;
    int lineNumber = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        if (errors.size() == kMaxErrors) {
            errors.emplace_back("more bad lines follow");
            break;
        }
        ++lineNumber;
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        line = line.substr(0, line.find(';'));
        const std::vector<std::string_view> f = fields(line);
        if (f.empty())
            continue;
        // A bad line is noted and the rest still read, so that all of them can be told.
        const auto fail = [&](const std::string& why) { errors.push_back("line " + std::to_string(lineNumber) + ": " + why); };
        const bool clock = f.size() >= 3 && sameName(f[2], "clock");
        if (clock ? f.size() > 5 || f.size() < 4 : f.size() != 3) {
            fail("expected CYCLE PIN LEVEL or CYCLE PIN clock PERIOD [HIGH]");
            continue;
        }
        StimulusItem item;
        item.line = lineNumber;
        const auto cycle = number(f[0]);
        if (!cycle) {
            fail("not a number of cycles: " + quoted(f[0]));
            continue;
        }
        item.cycle = *cycle;
        const auto pin = stimulusPin(f[1]);
        if (!pin) {
            fail("unknown pin " + quoted(f[1]) + " (RA0-RA4, RB0-RB7, MCLR)");
            continue;
        }
        item.pin = *pin;
        if (clock) {
            const auto period = number(f[3]);
            if (!period || *period < 2) {
                fail("the period is a number of cycles, 2 or more: " + quoted(f[3]));
                continue;
            }
            item.period = *period;
            item.high = *period / 2;
            if (f.size() == 5) {
                const auto high = number(f[4]);
                if (!high || *high == 0 || *high >= *period) {
                    fail("the high time is 1 to " + std::to_string(*period - 1) + " cycles: " + quoted(f[4]));
                    continue;
                }
                item.high = *high;
            }
        } else if (f[2] == "0" || f[2] == "1") {
            item.level = f[2] == "1";
        } else {
            fail("the level is 0 or 1, not " + quoted(f[2]));
            continue;
        }
        stimulus.items.push_back(item);
    }
    if (!errors.empty()) {
        StimulusReadOutcome refused;
        refused.error = errors.front();
        refused.errors = std::move(errors);
        return refused;
    }
    std::stable_sort(stimulus.items.begin(), stimulus.items.end(),
                     [](const StimulusItem& a, const StimulusItem& b) { return a.cycle < b.cycle; });
    return {std::move(stimulus), {}, {}};
}

StimulusPlayer::StimulusPlayer(const Stimulus& stimulus)
{
    for (const StimulusItem& item : stimulus.items)
        tracks_[static_cast<std::size_t>(item.pin)].items.push_back(item);
}

bool StimulusPlayer::empty() const
{
    return std::all_of(tracks_.begin(), tracks_.end(), [](const Track& t) { return t.items.empty(); });
}

void StimulusPlayer::restart()
{
    for (Track& track : tracks_) {
        track.next = 0;
        track.period = 0;
        track.edge = kNever;
    }
}

std::uint64_t StimulusPlayer::nextChange(const Track& track)
{
    const std::uint64_t item = track.next < track.items.size() ? track.items[track.next].cycle : kNever;
    return std::min(item, track.edge);
}

std::uint64_t StimulusPlayer::nextCycle() const
{
    std::uint64_t next = kNever;
    for (const Track& track : tracks_)
        next = std::min(next, nextChange(track));
    return next;
}

void StimulusPlayer::applyUntil(Pic16c84& chip, std::uint64_t cycle)
{
    for (;;) {
        Track* due = nullptr;
        std::uint64_t at = kNever;
        for (Track& track : tracks_) {
            const std::uint64_t change = nextChange(track);
            if (change <= cycle && change < at) {
                due = &track;
                at = change;
            }
        }
        if (!due)
            return;
        bool level = false;
        // An item due at the clock's edge ends the clock first.
        if (due->next < due->items.size() && due->items[due->next].cycle == at) {
            const StimulusItem& item = due->items[due->next++];
            due->period = item.period;
            due->high = item.high;
            level = item.period ? true : item.level;
            due->edge = item.period ? at + item.high : kNever;
            due->edgeLevel = false;
        } else {
            level = due->edgeLevel;
            due->edge = at + (level ? due->high : due->period - due->high);
            due->edgeLevel = !level;
        }
        const auto pin = static_cast<int>(due - tracks_.data());
        if (pin == kMclrPin)
            chip.setMclr(level);
        else
            chip.setInputPin(pin < 5 ? Port::A : Port::B, pin < 5 ? pin : pin - 5, level, at);
    }
}

} // namespace tarvik::sim
