// Any program memory, run for a bounded number of steps: the simulator never crashes, keeps
// its state inside the chip's limits, and its fast path for long runs ends in exactly the
// state that stepping one instruction at a time reaches.
//
// Input: a flags byte (bit 0 the watchdog, bits 1-2 the clock), a step-count byte, a pin byte
// (nonzero: the run is cut into pieces of that many steps, an input pin changing between
// them), then program words, low byte first.

#include "simulator/Pic16c84.h"
#include "simulator/StateReport.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

namespace sim = tarvik::sim;

void same(const sim::Pic16c84& a, const sim::Pic16c84& b)
{
    bool equal = a.pc() == b.pc() && a.w() == b.w() && a.cycles() == b.cycles() && a.asleep() == b.asleep()
        && a.stackDepth() == b.stackDepth() && a.interruptEntries() == b.interruptEntries();
    for (int i = 0; equal && i < a.stackDepth(); ++i)
        equal = a.stackEntry(i) == b.stackEntry(i);
    for (int address = 0; equal && address < 0x100; ++address)
        equal = a.peek(address) == b.peek(address);
    for (int address = 0; equal && address < sim::kEepromBytes; ++address)
        equal = a.eeprom(address) == b.eeprom(address);
    if (!equal)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const bool watchdog = data[0] & 1;
    static constexpr std::uint32_t kClocks[] = {4'000'000, 32'768, 20'000'000, 1'000'000};
    const std::uint32_t clock = kClocks[(data[0] >> 1) & 3];
    const std::uint64_t steps = (data[1] + 1u) * 16u;
    const unsigned piece = data[2];
    std::array<std::uint16_t, sim::kProgramWords> words;
    words.fill(sim::kErasedWord);
    for (std::size_t i = 3; i + 1 < size && (i - 3) / 2 < words.size(); i += 2)
        words[(i - 3) / 2] = static_cast<std::uint16_t>((data[i] | data[i + 1] << 8) & 0x3FFF);

    auto fast = std::make_unique<sim::Pic16c84>();
    auto slow = std::make_unique<sim::Pic16c84>();
    for (sim::Pic16c84* chip : {fast.get(), slow.get()}) {
        chip->loadProgram(words);
        chip->setClockHz(clock);
        chip->setWatchdogEnabled(watchdog);
        chip->powerOnReset();
    }
    std::uint64_t done = 0;
    unsigned pins = data[2] * 0x9Du;
    while (done < steps) {
        const std::uint64_t want = piece ? std::min<std::uint64_t>(piece, steps - done) : steps - done;
        const std::uint64_t ran = fast->run(want);
        std::uint64_t stepped = 0;
        while (stepped < want && slow->step() != sim::StepOutcome::Asleep)
            ++stepped;
        // The whole state at the end; between pieces what is quick to compare.
        if (ran != stepped || ran > want || fast->pc() != slow->pc() || fast->w() != slow->w()
            || fast->cycles() != slow->cycles())
            std::abort();
        // The program counter is 13 bits wide; memory repeats above its 1K words.
        if (fast->pc() > 0x1FFF || fast->stackDepth() > sim::kStackLevels)
            std::abort();
        done += want;
        if (ran < want && !piece)
            break;  // asleep for good
        if (piece) {
            pins = pins * 1103515245u + 12345u;
            const sim::Port port = (pins >> 16) & 1 ? sim::Port::B : sim::Port::A;
            const int pin = static_cast<int>((pins >> 17) % (port == sim::Port::A ? 5 : 8));
            const bool high = (pins >> 21) & 1;
            fast->setInputPin(port, pin, high);
            slow->setInputPin(port, pin, high);
        }
    }
    same(*fast, *slow);
    (void)sim::stateReport(*fast, done);
    return 0;
}
