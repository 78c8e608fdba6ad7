// Whatever bytes a program file holds: reading them, writing what was read, and assembling,
// exporting and listing the program must end in a result or a message, never in a crash.

#include "assembler/ConvertToHex.h"
#include "files/ProgramFile.h"
#include "mpasm/MpasmExport.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

class SilentScreen : public tarvik::Screen {
public:
    tarvik::MessageAnswer showMessage(std::string_view, std::string_view, tarvik::MessageButtons) override
    {
        return tarvik::MessageAnswer::Cancel;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const tarvik::DeviceDefaults defaults;
    tarvik::ReadOutcome read = tarvik::decodeProgramFile(std::span<const std::uint8_t>(data, size), defaults);
    if (!read.document)
        return 0;
    tarvik::ProgramDocument& doc = *read.document;
    (void)tarvik::encodeProgramFile(doc);
    SilentScreen screen;
    tarvik::HexImage image;
    if (tarvik::assembleProgram(doc, screen, image)) {
        std::string text;
        tarvik::exportMpasmSource(doc, screen, text);
        tarvik::writeListing(doc, screen, text);
    }
    return 0;
}
