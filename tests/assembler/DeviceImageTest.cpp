// Device, configuration word and EEPROM data through every path a program takes: the
// word each device's fields give (checked against gpasm with the chip's own header), the
// HEX image, the export and its import, the program file and its older readers, undo and
// the simulator.

#include "HexText.h"
#include "ProgramBuilder.h"
#include "TempDir.h"

#include "FakeScreen.h"
#include "assembler/ConvertToHex.h"
#include "assembler/IntelHex.h"
#include "editor/UndoHistory.h"
#include "files/ProgramFile.h"
#include "model/SymbolCommands.h"
#include "mpasm/Import.h"
#include "mpasm/MpasmExport.h"
#include "mpasm/Mnemonics.h"
#include "simulator/Session.h"
#include "simulator/SimProgram.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace tarvik {
namespace {

using mpasm::codeOf;

std::string headerName(Device device) { return "p" + std::string(deviceShortName(device)) + ".inc"; }

// The image gpasm makes of a source; nullopt when it fails.
std::optional<test::MemoryImage> gpasmImage(const test::TempDir& dir, const std::string& source)
{
    std::ofstream(dir.path("g.asm")) << source;
    const std::string command = "cd '" + dir.root().string() + "' && gpasm -a inhx8m g.asm > g.log 2>&1";
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE() << test::readWholeFile(dir.path("g.log"));
        return std::nullopt;
    }
    return test::parseIntelHex(test::readWholeFile(dir.path("g.hex")));
}

int wordAt(const test::MemoryImage& image, int wordAddress)
{
    const auto low = image.find(2 * wordAddress);
    const auto high = image.find(2 * wordAddress + 1);
    return low == image.end() || high == image.end() ? -1 : low->second | high->second << 8;
}

TEST(ConfigWord, EveryFieldCombinationMatchesGpasmWithTheDevicesHeader)
{
    const DeviceDefaults defaults;
    test::TempDir dir;
    constexpr std::string_view kOscillators[] = {"_LP_OSC", "_XT_OSC", "_HS_OSC", "_RC_OSC"};
    for (Device device : kDevices) {
        std::string source = "        processor " + std::string(deviceShortName(device)) + "\n        include \""
                             + headerName(device) + "\"\n";
        std::vector<std::pair<ConfigFields, std::string>> cases;
        for (int osc = 0; osc < 4; ++osc)
            for (int flags = 0; flags < 8; ++flags) {
                const ConfigFields fields{static_cast<Oscillator>(osc), (flags & 1) != 0, (flags & 2) != 0,
                                          (flags & 4) != 0};
                const std::string expression = std::string(kOscillators[osc]) + (fields.watchdog ? " & _WDT_ON" : " & _WDT_OFF")
                    + (fields.powerUpTimer ? " & _PWRTE_ON" : " & _PWRTE_OFF")
                    + (fields.codeProtection ? " & _CP_ON" : " & _CP_OFF");
                cases.push_back({fields, expression});
            }
        for (const auto& [fields, expression] : cases) {
            SCOPED_TRACE(std::string(deviceName(device)) + ": " + expression);
            const std::string one = source + "        __config " + expression + "\n        end\n";
            const std::optional<test::MemoryImage> image = gpasmImage(dir, one);
            ASSERT_TRUE(image);
            const int word = configWord(device, fields);
            EXPECT_EQ(wordAt(*image, kConfigAddress), word);
            EXPECT_EQ(configFields(device, word), fields);
            // The importer reads the same header names and & expression to the same word.
            const ImportOutcome imported = importMpasmSource(one, defaults);
            ASSERT_TRUE(imported.document) << imported.refusal->text;
            EXPECT_EQ(imported.document->configWord, word);
            EXPECT_EQ(imported.document->device(), device);
        }
    }
}

// A program that stores into the device's top RAM address, with a word and EEPROM data.
void buildDeviceProgram(ProgramDocument& doc, Device device)
{
    doc.setDevice(device);
    test::ProgramBuilder add(doc);
    add.line(codeOf("movlw"), "90");
    add.line(codeOf("movwf"), generalPurposeName(lastGeneralPurpose(device)), 1);
    add.line(codeOf("movwf"), generalPurposeName(0x80 | lastGeneralPurpose(device)), 1);
    add.line(codeOf("clrwdt"));
    add.line(codeOf("goto"), "Top", 0, "Top");
    doc.configWord = configWord(device, {Oscillator::XT, false, true, false});
    for (int i = 0; i < kEepromSize; ++i)
        doc.eepromData[static_cast<std::size_t>(i)] = static_cast<std::int16_t>((i * 37) & 0xFF);
    doc.eepromData[0] = 0x12;
    doc.eepromData[1] = 0;
    doc.eepromData[2] = 0xFF;
}

TEST(DeviceImage, ConvertToHexExportAndImportGiveOneWholeImageOnEveryDevice)
{
    const DeviceDefaults defaults;
    test::TempDir dir;
    for (Device device : kDevices) {
        SCOPED_TRACE(deviceName(device));
        ProgramDocument doc(defaults);
        buildDeviceProgram(doc, device);
        test::FakeScreen screen;
        HexImage image;
        ASSERT_TRUE(assembleProgram(doc, screen, image)) << (screen.messages.empty() ? "" : screen.messages[0].text);
        const std::optional<test::MemoryImage> hex = test::parseIntelHex(intelHexText(image));
        ASSERT_TRUE(hex);
        EXPECT_EQ(wordAt(*hex, kConfigAddress), *doc.configWord);
        EXPECT_EQ(wordAt(*hex, kEepromAddress), 0x12);
        EXPECT_EQ(wordAt(*hex, kEepromAddress + 63), (63 * 37) & 0xFF);
        EXPECT_EQ(wordAt(*hex, 1), 0x0080 | (lastGeneralPurpose(device) & 0x7F));

        std::string source;
        ASSERT_TRUE(exportMpasmSource(doc, screen, source));
        EXPECT_NE(source.find("processor " + std::string(deviceShortName(device))), std::string::npos);
        const std::optional<test::MemoryImage> assembled = gpasmImage(dir, source);
        ASSERT_TRUE(assembled);
        EXPECT_EQ(*assembled, *hex) << source;

        const ImportOutcome imported = importMpasmSource(source, defaults);
        ASSERT_TRUE(imported.document) << imported.refusal->text;
        EXPECT_EQ(imported.document->device(), device);
        HexImage again;
        ASSERT_TRUE(assembleProgram(*imported.document, screen, again));
        EXPECT_EQ(test::memoryOf(again), *hex);
    }
}

// Reads pieces 1 to 16 as a reader of the older format does, with its checks: false when
// one fails. The addresses each register file holds are collected.
bool readsAsOlderFormat(const std::vector<std::uint8_t>& bytes, std::vector<int>& registerAddresses)
{
    std::size_t at = 0;
    const auto int32 = [&](std::int32_t& value) {
        if (at + 4 > bytes.size())
            return false;
        value = static_cast<std::int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16
                                          | static_cast<std::uint32_t>(bytes[at + 3]) << 24);
        at += 4;
        return true;
    };
    std::int32_t value = 0;
    if (!int32(value) || value != 16)
        return false;
    constexpr std::size_t kSizes[] = {64, 60, 28, 28, 28, 28, 28, 28, 40, 40, 36};
    for (std::size_t section = 0; section < std::size(kSizes); ++section) {
        std::int32_t count = 0;
        if (!int32(count) || count < 0 || at + count * kSizes[section] > bytes.size())
            return false;
        for (std::int32_t i = 0; i < count; ++i, at += kSizes[section])
            if (section == 2 || section == 5)
                registerAddresses.push_back(bytes[at + 16] | bytes[at + 17] << 8);
        if (!int32(value) || value != 16)
            return false;
    }
    return true;  // what follows is never looked at
}

TEST(DeviceFile, NewSettingsFollowPiece16AndReadBack)
{
    const DeviceDefaults defaults;
    for (Device device : kDevices) {
        SCOPED_TRACE(deviceName(device));
        ProgramDocument doc(defaults);
        buildDeviceProgram(doc, device);
        test::FakeScreen screen;
        ASSERT_TRUE(NameRegister(doc, screen, lastGeneralPurpose(device), "TopRam"));
        const std::vector<std::uint8_t> bytes = encodeProgramFile(doc);

        std::vector<int> addresses;
        ASSERT_TRUE(readsAsOlderFormat(bytes, addresses));
        EXPECT_EQ(addresses.size(), 2u * static_cast<std::size_t>(bankSize(device)));

        ReadOutcome read = decodeProgramFile(bytes, defaults);
        ASSERT_EQ(read.status, ReadStatus::Ok);
        EXPECT_EQ(read.document->device(), device);
        EXPECT_EQ(read.document->configWord, doc.configWord);
        EXPECT_EQ(read.document->eepromData, doc.eepromData);
        EXPECT_EQ(read.document->registerFile0.find(lastGeneralPurpose(device))->nameText(), "TopRam");
        EXPECT_EQ(encodeProgramFile(*read.document), bytes);

        // Cut after piece 16: what an older writer would have kept reads as a 16C84 program.
        const std::vector<std::uint8_t> older(bytes.begin(), bytes.end() - (8 + 4 + 136 + 4));
        ReadOutcome cut = decodeProgramFile(older, defaults);
        ASSERT_EQ(cut.status, ReadStatus::Ok);
        EXPECT_EQ(cut.document->device(), Device::Pic16C84);
        EXPECT_FALSE(cut.document->configWord);
        EXPECT_EQ(cut.document->eepromData, kNoEepromData);
        EXPECT_EQ(cut.document->registerFile0.count(), 48);
    }
}

TEST(DeviceFile, ProgramsWithoutNewSettingsStayInTheOlderFormat)
{
    const DeviceDefaults defaults;
    ProgramDocument fresh(defaults);
    EXPECT_EQ(encodeProgramFile(fresh).size(), 2780u);
    // Stored files written before the device existed read and write back unchanged.
    for (const char* name : {"blink.qel", "eeprom-counter.qel", "button.qel"}) {
        const std::string text = test::readWholeFile(std::string(TARVIK_TEST_DATA_DIR) + "/../../examples/" + name);
        const std::vector<std::uint8_t> bytes(text.begin(), text.end());
        ReadOutcome read = decodeProgramFile(bytes, defaults);
        ASSERT_EQ(read.status, ReadStatus::Ok) << name;
        EXPECT_EQ(read.document->device(), Device::Pic16C84);
        EXPECT_EQ(encodeProgramFile(*read.document), bytes) << name;
    }
}

TEST(DeviceFile, DamagedTrailingSectionIsRefused)
{
    const DeviceDefaults defaults;
    ProgramDocument doc(defaults);
    doc.configWord = 0x3FF1;
    const std::vector<std::uint8_t> good = encodeProgramFile(doc);
    const std::size_t opening = good.size() - (8 + 4 + 136 + 4);
    for (std::size_t offset : {opening + 4, opening + 12, opening + 19, good.size() - 1}) {
        std::vector<std::uint8_t> bad = good;
        bad[offset] ^= 0x40;
        EXPECT_EQ(decodeProgramFile(bad, defaults).status, ReadStatus::BadSection6) << offset;
    }
    // Bytes after piece 16 without the section's marker are no section: ignored, as the
    // older reader ignores them.
    std::vector<std::uint8_t> foreign = good;
    foreign[opening] ^= 0x40;
    const ReadOutcome older = decodeProgramFile(foreign, defaults);
    ASSERT_EQ(older.status, ReadStatus::Ok);
    EXPECT_FALSE(older.document->configWord);
    std::vector<std::uint8_t> extra = good;
    extra.push_back(0);
    EXPECT_EQ(decodeProgramFile(extra, defaults).status, ReadStatus::BadSection6);
}

TEST(DeviceFile, UndoCoversDeviceWordAndEeprom)
{
    const DeviceDefaults defaults;
    ProgramDocument doc(defaults);
    UndoHistory history;
    history.reset(doc);
    const std::vector<std::uint8_t> before = encodeProgramFile(doc);
    history.begin(doc, {});
    buildDeviceProgram(doc, Device::Pic16F84A);
    ASSERT_TRUE(history.commit(doc, "Configuration Word", {}));
    const std::vector<std::uint8_t> after = encodeProgramFile(doc);
    ASSERT_TRUE(history.undo(doc));
    EXPECT_EQ(encodeProgramFile(doc), before);
    EXPECT_EQ(doc.device(), Device::Pic16C84);
    ASSERT_TRUE(history.redo(doc));
    EXPECT_EQ(encodeProgramFile(doc), after);
    EXPECT_EQ(doc.registerFile1.count(), 80);
}

TEST(DeviceModel, ChangingDeviceKeepsNamesOrRefusesToLoseThem)
{
    const DeviceDefaults defaults;
    ProgramDocument doc(defaults);
    test::FakeScreen screen;
    EXPECT_FALSE(NameRegister(doc, screen, 0x40, "High"));
    doc.setDevice(Device::Pic16F84);
    EXPECT_EQ(proposedRegisterAddress(doc, 0), 0x0C);
    ASSERT_TRUE(NameRegister(doc, screen, 0x40, "High"));
    EXPECT_FALSE(doc.canChangeDeviceTo(Device::Pic16C84));
    EXPECT_TRUE(doc.canChangeDeviceTo(Device::Pic16F84A));
    for (int a = 0x0C; a <= 0x4F; ++a)
        if (a != 0x40)
            doc.userRegisters0.insert("R" + std::to_string(a), a);
    EXPECT_EQ(doc.userRegisters0.nextFreeAddress(), 0x0C) << "all 68 named: back to the first";
}

TEST(DeviceImport, DeviceDataAndRefusals)
{
    const DeviceDefaults defaults;
    const ImportOutcome ok = importMpasmSource("        list p=16F84A\n        org 0x2100\n        de \"Hi\", 3\n"
                                               "        org 0\n        movwf 0x4F\n        end\n",
                                               defaults);
    ASSERT_TRUE(ok.document) << ok.refusal->text;
    EXPECT_EQ(ok.document->device(), Device::Pic16F84A);
    EXPECT_EQ(ok.document->eepromData[0], 'H');
    EXPECT_EQ(ok.document->eepromData[2], 3);
    EXPECT_EQ(ok.document->eepromData[3], -1);
    EXPECT_EQ(ok.document->eepromData[0x10], -1);

    // An unset byte is left to the programmer in the HEX; the export gives it the erased value.
    ProgramDocument gaps(defaults);
    gaps.eepromData[1] = 5;
    test::FakeScreen screen;
    HexImage image;
    ASSERT_TRUE(assembleProgram(gaps, screen, image));
    EXPECT_EQ(test::memoryOf(image).count(2 * kEepromAddress), 0u);
    std::string source;
    ASSERT_TRUE(exportMpasmSource(gaps, screen, source));
    EXPECT_NE(source.find("        org     0x2100\n        de      255, 5\n        end"), std::string::npos) << source;

    const std::pair<std::string, std::optional<Device>> refused[] = {
        {"        movwf 0x4F\n        end\n", std::nullopt},
        {"        processor 16f84\n        end\n", Device::Pic16C84},
        {"        processor 16f84\n        processor 16c84\n        end\n", std::nullopt},
        {"        de 1\n        end\n", std::nullopt},
        {"        org 0x2100\n        de 300\n        end\n", std::nullopt},
        {"        org 0x2100\n        de \"0123456789012345678901234567890123456789012345678901234567890123\", 1\n"
         "        end\n", std::nullopt},
        {"        org 0x2110\n        de 1\n        end\n", std::nullopt},
        {"        org 0x2100\n        nop\n        end\n", std::nullopt},
        {"        __config 1\n        __config 2\n        end\n", std::nullopt},
    };
    for (const auto& [source, device] : refused)
        EXPECT_FALSE(importMpasmSource(source, defaults, device).document) << source;
    EXPECT_TRUE(importMpasmSource("        movwf 0x4F\n        end\n", defaults, Device::Pic16F84).document);
}

TEST(DeviceSimulation, WatchdogEepromAndF84Ram)
{
    const DeviceDefaults defaults;
    for (Device device : kDevices) {
        SCOPED_TRACE(deviceName(device));
        ProgramDocument doc(defaults);
        test::ProgramBuilder add(doc);
        add.line(codeOf("movlw"), "90");
        add.line(codeOf("movwf"), "GPR0H2F", 1);
        if (device != Device::Pic16C84)
            add.line(codeOf("movwf"), "GPR1HCF", 1);
        add.line(codeOf("goto"), "Top", 0, "Top");
        doc.setDevice(device);
        doc.eepromData[5] = 0xA5;
        test::FakeScreen screen;
        sim::SimProgram program;
        ASSERT_TRUE(assembleForSimulation(doc, screen, program));
        {
            sim::Session session(program);
            EXPECT_FALSE(session.chip().watchdogEnabled()) << "no word: watchdog off, as before";
            EXPECT_EQ(session.chip().eeprom(5), 0xA5);
            session.chip().run(4);
            EXPECT_EQ(session.chip().peek(0x2F), 0x5A);
            EXPECT_EQ(session.chip().peek(0x4F), device == Device::Pic16C84 ? 0 : 0x5A);
            EXPECT_EQ(session.chip().peek(0xCF), device == Device::Pic16C84 ? 0 : 0x5A);
        }
        for (bool watchdog : {false, true}) {
            doc.configWord = configWord(device, {Oscillator::XT, watchdog, false, false});
            ASSERT_TRUE(assembleForSimulation(doc, screen, program));
            sim::Session session(program);
            EXPECT_EQ(session.chip().watchdogEnabled(), watchdog);
        }
    }
}

} // namespace
} // namespace tarvik
