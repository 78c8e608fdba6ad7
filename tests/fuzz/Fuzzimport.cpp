// Whatever text an MPASM source holds: import ends in a program or a refusal, never in a
// crash, and a program it accepts always assembles, writes and exports.

#include "assembler/ConvertToHex.h"
#include "files/ProgramFile.h"
#include "mpasm/Import.h"
#include "mpasm/MpasmExport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

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
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    tarvik::ImportOutcome outcome = tarvik::importMpasmSource(source, defaults);
    if (!outcome.document) {
        if (!outcome.refusal)
            std::abort();
        return 0;
    }
    tarvik::ProgramDocument& doc = *outcome.document;
    SilentScreen screen;
    tarvik::HexImage image;
    if (!tarvik::assembleProgram(doc, screen, image))
        std::abort();
    (void)tarvik::encodeProgramFile(doc);
    std::string text;
    if (tarvik::exportMpasmSource(doc, screen, text))
        (void)tarvik::importMpasmSource(text, defaults);
    return 0;
}
