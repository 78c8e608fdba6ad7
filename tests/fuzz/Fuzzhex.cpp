// Whatever text an Intel HEX file holds: reading it ends in a program or a reason, and a
// program it gives holds only what the chip can hold and runs.

#include "simulator/Pic16c84.h"
#include "simulator/SimProgram.h"
#include "simulator/StateReport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace sim = tarvik::sim;
    const sim::HexReadOutcome hex = sim::parseIntelHex(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!hex.program) {
        if (hex.error.empty())
            std::abort();
        return 0;
    }
    if (!hex.error.empty())
        std::abort();
    const sim::SimProgram& program = *hex.program;
    for (std::uint16_t word : program.words)
        if (word > 0x3FFF)
            std::abort();
    if (program.configuration && *program.configuration > 0x3FFF)
        std::abort();

    auto chip = std::make_unique<sim::Pic16c84>();
    chip->loadProgram(program.words);
    chip->loadEeprom(program.eeprom);
    chip->setWatchdogEnabled(program.watchdogEnabled());
    chip->powerOnReset();
    const std::uint64_t ran = chip->run(2000);
    (void)sim::stateReport(*chip, ran);
    return 0;
}
