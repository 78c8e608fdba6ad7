#include "mpasm/Import.h"

#include "mpasm/DocumentBuilder.h"
#include "mpasm/NameMapper.h"
#include "mpasm/RolePass.h"
#include "mpasm/SourceProgram.h"
#include "mpasm/SourceReader.h"

#include <fstream>

namespace tarvik {

ImportOutcome importMpasmSource(std::string_view source, const DeviceDefaults& defaults,
                                std::optional<Device> device)
{
    ImportOutcome outcome;
    try {
        if (source.size() > kMaxImportSourceBytes)
            mpasm::refuse(0, "the source is larger than " + std::to_string(kMaxImportSourceBytes) + " bytes");
        mpasm::SourceProgram program(source);
        program.device = device;
        program.deviceForced = device.has_value();
        mpasm::SourceReader(program, defaults).read();
        auto doc = std::make_unique<ProgramDocument>(defaults);
        doc->setDevice(program.chip());
        doc->configWord = program.configWord;
        doc->eepromData = program.eeprom;
        mpasm::RolePass roles(program, defaults);
        roles.run();
        mpasm::NameMapper names(program, roles, defaults);
        names.run();
        mpasm::DocumentBuilder(program, roles, names, *doc).build();
        doc->untitled = true;
        doc->modified = true;
        doc->resetCursorToTop();
        outcome.document = std::move(doc);
        outcome.notes = program.takeNotes();
    } catch (const mpasm::Refusal& refusal) {
        outcome.refusal = ImportMessage{refusal.line, refusal.text};
    }
    return outcome;
}

std::string formatImportMessage(std::string_view sourceName, const ImportMessage& message)
{
    return std::string(sourceName) + ":" + std::to_string(message.line) + ": " + message.text;
}

bool importMpasmFile(DocumentWindows& windows, Screen& screen, const DeviceDefaults& defaults,
                     const std::string& path)
{
    const std::string name = fileNameText(fileNameWithoutFolder(path));
    std::ifstream in(path, std::ios::binary);
    std::string source;
    if (in) {
        char buffer[65536];
        while (source.size() <= kMaxImportSourceBytes && in.read(buffer, sizeof buffer).gcount() > 0)
            source.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (!in && !in.eof()) {
        screen.showMessage(kMessageCaption, name + ": cannot read the file", MessageButtons::Ok);
        return false;
    }
    ImportOutcome outcome = importMpasmSource(source, defaults);
    if (!outcome.document) {
        screen.showMessage(kMessageCaption, formatImportMessage(name, *outcome.refusal), MessageButtons::Ok);
        return false;
    }
    const std::string caption = freshUntitledName(windows);
    outcome.document->fileName = caption;
    windows.addDocument(std::move(outcome.document), caption);
    if (!outcome.notes.empty()) {
        std::string text;
        for (const ImportMessage& note : outcome.notes) {
            if (!text.empty())
                text += '\n';
            text += formatImportMessage(name, note);
        }
        screen.showMessage(kMessageCaption, text, MessageButtons::Ok);
    }
    return true;
}

} // namespace tarvik
