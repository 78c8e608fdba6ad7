#include "assembler/ConvertToHex.h"

#include "assembler/AssemblerPasses.h"
#include "assembler/IntelHex.h"
#include "model/Names.h"

#include <filesystem>
#include <system_error>

namespace tarvik {

std::optional<std::string> hexFileNameFor(std::string_view documentFileName)
{
    const std::string part = std::filesystem::path(documentFileName).filename().string();
    if (part.size() > kMaxFileNamePartLength)
        return std::nullopt;
    const std::size_t point = part.find('.');
    std::string name = point == std::string::npos ? std::string("qel.hex") : part.substr(0, point + 1) + "hex";
    if (name.size() > kMaxHexFileNameLength)
        return std::nullopt;
    return name;
}

bool assembleProgram(ProgramDocument& doc, Screen& screen, HexImage& image, int* failingLine)
{
    image.reset();
    doc.labels.clearValues();
    if (!(CheckLabels(doc, screen, failingLine) && AssignAddresses(doc, screen, failingLine)
          && EncodeProgram(doc, screen, image, failingLine) == OperandError::None))
        return false;
    image.appendDeviceData(doc.configWord, doc.eepromData);
    return true;
}

ConvertOutcome convertToHex(ProgramDocument& doc, Screen& screen, HexImage& image,
                            const std::optional<std::string>& outputPath)
{
    if (!assembleProgram(doc, screen, image))
        return {ConvertStatus::AssemblyFailed, {}};
    std::optional<std::string> name = outputPath;
    if (!name) {
        name = hexFileNameFor(doc.fileName);
        if (!name) {
            const std::string part = std::filesystem::path(doc.fileName).filename().string();
            ReportError(screen, "The file name %s is too long!", fileNameText(part).c_str());
            return {ConvertStatus::NameTooLong, {}};
        }
    }
    // A program saved under a .hex name, or an output path naming the program itself, would
    // be replaced by its own HEX text.
    std::error_code error;
    if (!doc.untitled && std::filesystem::equivalent(*name, doc.fileName, error)) {
        ReportError(screen, "The HEX file %s would overwrite the program!", fileNameText(*name).c_str());
        return {ConvertStatus::TargetIsProgram, {}};
    }
    const bool written = WriteIntelHex(screen, *name, image);
    return {written ? ConvertStatus::Written : ConvertStatus::WriteFailed, *name};
}

} // namespace tarvik
