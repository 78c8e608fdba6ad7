#include "files/ProgramFile.h"

#include "FileSizeLimit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const DeviceDefaults& defaults()
{
    static const DeviceDefaults instance;
    return instance;
}

std::int32_t int32At(const Bytes& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | bytes.at(offset + static_cast<std::size_t>(i));
    return static_cast<std::int32_t>(value);
}

void putInt32(Bytes& bytes, std::size_t offset, std::int32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
}

std::string textAt(const Bytes& bytes, std::size_t offset, std::size_t width)
{
    std::string text;
    for (std::size_t i = 0; i < width && bytes.at(offset + i); ++i)
        text += static_cast<char>(bytes[offset + i]);
    return text;
}

// The file's sections as the format lays them out, found by walking the counts: an
// independent reading of the layout to aim corruptions at.
struct Section {
    int check;              // the number in "[n]" when this section is damaged
    std::size_t countOffset;
    std::size_t recordSize;
    std::int32_t count;
    std::size_t markerOffset;
};

std::vector<Section> layoutOf(const Bytes& bytes)
{
    const std::pair<int, std::size_t> kinds[] = {
        {1, 64}, {2, 60}, {3, 28}, {3, 28}, {3, 28}, {3, 28}, {3, 28}, {3, 28}, {4, 40}, {4, 40}, {5, 36}};
    std::vector<Section> sections;
    std::size_t offset = 4;
    for (auto [check, size] : kinds) {
        const std::int32_t count = int32At(bytes, offset);
        const std::size_t marker = offset + 4 + static_cast<std::size_t>(count) * size;
        sections.push_back({check, offset, size, count, marker});
        offset = marker + 4;
    }
    EXPECT_EQ(offset, bytes.size());
    return sections;
}

ReadStatus badSection(int check)
{
    return static_cast<ReadStatus>(static_cast<int>(ReadStatus::BadSection1) + check - 1);
}

ProgramLine makeLine(int code, std::string_view label, std::string_view operand, std::string_view affected,
                     int destination = 0, int commentIndex = -1, LineState state = LineState::Normal)
{
    ProgramLine line;
    line.code = code;
    line.setLabel(label);
    line.setOperand(operand);
    line.setAffected(affected);
    line.destination = destination;
    line.commentIndex = commentIndex;
    line.state = state;
    return line;
}

// A program touching every section: lines of each kind and state, comments, renamed
// registers in both banks, user SFR names, user bits, literals and assembled labels.
std::unique_ptr<ProgramDocument> realisticDocument()
{
    auto doc = std::make_unique<ProgramDocument>(defaults());
    const int greeting = doc->comments.append("set up the ports");
    const int loopNote = doc->comments.append("main loop");
    doc->comments.append("comment of a deleted line");
    doc->comments.append(std::string(51, 'x'));

    LineList& lines = doc->lines;
    lines.insertAfterCursor(makeLine(kOrgCode, "", "0x000", "", 0, greeting));
    lines.insertAfterCursor(makeLine(24, "START", "5", "None"));
    lines.insertAfterCursor(makeLine(7, "", "LEDS", "None"));
    lines.insertAfterCursor(makeLine(kBlankCode, "LOOP", "", "", 0, loopNote));
    lines.insertAfterCursor(makeLine(1, "", "COUNTER", "C,DC,Z", 1));
    lines.insertAfterCursor(makeLine(6, "", "COUNTER", "C,DC,Z", 0, -1, LineState::Selected));
    lines.insertAfterCursor(makeLine(16, "", "LED0", "None", 0, -1, LineState::Inactive));
    lines.insertAfterCursor(makeLine(18, "", "STATUS,2", "None"));
    lines.insertAfterCursor(makeLine(22, "", "STEP", "C,DC,Z"));
    lines.insertAfterCursor(makeLine(kBlankCode, "", "", "", 0, 4));
    lines.insertAfterCursor(makeLine(27, "ABCDEFGHIJKLM", "LOOP", "None", 0, -1, LineState::Selected));
    lines.insertAfterCursor(makeLine(31, "", "", "TO,PD"));
    for (int i = 0; i < 20; ++i)
        lines.insertAfterCursor(makeLine(15, "", "", "None", i % 2));

    doc->registerFile0.rename(0x06, "LEDS");
    doc->userSfrNames0.insert("LEDS", 0x06);
    doc->registerFile0.rename(0x0C, "COUNTER");
    doc->userRegisters0.insert("COUNTER", 0x0C);
    doc->registerFile0.rename(0x2F, "LAST");
    doc->userRegisters0.insert("LAST", 0x2F);
    doc->registerFile1.rename(0x86, "DIRB");
    doc->userSfrNames1.insert("DIRB", 0x86);
    doc->registerFile1.rename(0x8C, "BUFFER");
    doc->userRegisters1.insert("BUFFER", 0x8C);
    doc->userBits.insert("LED0", 0, 0, 0x06);
    doc->userBits.insert("FLAG", 7, 0, 0x0C);
    doc->literals.insert("STEP", "0x10");
    doc->literals.insert("LIMIT", "B'1010'");
    doc->labels.insert("START", "0");
    doc->labels.insert("LOOP", "2");
    doc->labels.insert("ABCDEFGHIJKLM", "");
    return doc;
}

Bytes fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void putFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> linesSummary(const ProgramDocument& doc)
{
    std::vector<std::string> summary;
    for (const ProgramLine& line : doc.lines)
        summary.push_back(std::to_string(line.code) + "|" + std::string(line.labelText()) + "|"
                          + std::string(line.operandText()) + "|" + std::string(line.affectedText()) + "|"
                          + std::to_string(line.destination) + "|" + std::to_string(line.commentIndex) + "|"
                          + std::to_string(static_cast<int>(line.state)));
    return summary;
}

template <typename Table>
std::vector<std::string> names(const Table& table)
{
    std::vector<std::string> result;
    for (const auto& entry : table)
        result.emplace_back(entry.nameText());
    return result;
}

TEST(ProgramFileLayout, NewEmptyDocumentIsWrittenAs2780BytesInTheFormatsOrder)
{
    const ProgramDocument doc(defaults());
    const Bytes bytes = encodeProgramFile(doc);
    ASSERT_EQ(bytes.size(), 2780u);

    std::size_t offset = 0;
    const auto expectInt = [&](std::int32_t value) {
        EXPECT_EQ(int32At(bytes, offset), value) << "at offset " << offset;
        offset += 4;
    };
    for (int value : {16, 0, 16, 0, 16})
        expectInt(value);
    for (int bank : {0, 1}) {
        expectInt(48);
        for (int i = 0; i < 48; ++i) {
            const int address = bank * 0x80 + i;
            const RegisterEntry* entry = (bank ? doc.registerFile1 : doc.registerFile0).find(address);
            ASSERT_NE(entry, nullptr);
            EXPECT_EQ(textAt(bytes, offset, 16), entry->nameText());
            EXPECT_EQ(int32At(bytes, offset + 16), address);
            offset += 28;
        }
        for (int value : {16, 0, 16, 0, 16})
            expectInt(value);
    }
    for (int value : {0, 16, 0, 16, 0, 16})
        expectInt(value);
    EXPECT_EQ(offset, bytes.size());
    EXPECT_EQ(textAt(bytes, 24 + 7 * 28, 16), "<Reserved>");
}

TEST(ProgramFileLayout, LineRecordHoldsTextsThenIntegersWithZerosWhereNothingIsStored)
{
    ProgramDocument doc(defaults());
    ProgramLine line = makeLine(24, "START", "5", "None", 0);
    // Stale bytes after a terminator must not reach the file.
    std::memset(line.operand + 2, 'Z', sizeof line.operand - 3);
    doc.lines.insertAfterCursor(line);
    const Bytes bytes = encodeProgramFile(doc);

    ASSERT_EQ(int32At(bytes, 4), 1);
    const Bytes record(bytes.begin() + 8, bytes.begin() + 8 + 64);
    Bytes expected(64, 0);
    std::memcpy(expected.data() + 0, "START", 5);
    expected[15] = '5';
    std::memcpy(expected.data() + 30, "None", 4);
    for (int i = 44; i < 48; ++i)
        expected[static_cast<std::size_t>(i)] = 0xFF;
    expected[48] = 0x18;
    EXPECT_EQ(record, expected);
    EXPECT_EQ(int32At(bytes, 8 + 64), 16);
}

TEST(ProgramFileLayout, CommentRecordsAreNumberedInFileOrder)
{
    auto doc = realisticDocument();
    const Bytes bytes = encodeProgramFile(*doc);
    const Section comments = layoutOf(bytes)[1];
    ASSERT_EQ(comments.count, 4);
    for (int i = 0; i < comments.count; ++i) {
        const std::size_t record = comments.countOffset + 4 + static_cast<std::size_t>(i) * 60;
        EXPECT_EQ(textAt(bytes, record, 52), doc->comments.textAt(i + 1));
        EXPECT_EQ(int32At(bytes, record + 52), i + 1);
    }
}

// The table the reader, the writer and the undo history share against the layout above.
TEST(ProgramFileLayout, TheSectionTableSplitsAFileWhereItsCountsSay)
{
    const Bytes bytes = encodeProgramFile(*realisticDocument());
    const std::vector<Section> sections = layoutOf(bytes);
    const std::optional<EncodedSections> split = splitProgramFile(bytes);
    ASSERT_TRUE(split);
    // The device section follows only where a program has something to keep in it.
    ASSERT_EQ(split->size(), sections.size() + 1);
    EXPECT_EQ(split->back().count, 0);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        EXPECT_EQ(kProgramFileSections[i].recordSize, sections[i].recordSize) << i;
        EXPECT_EQ(kProgramFileSections[i].whenDamaged, badSection(sections[i].check)) << i;
        EXPECT_EQ((*split)[i].count, sections[i].count) << i;
        EXPECT_EQ((*split)[i].records.data(), bytes.data() + sections[i].countOffset + 4) << i;
        EXPECT_EQ((*split)[i].records.size(), static_cast<std::size_t>(sections[i].count) * sections[i].recordSize);
    }
    EXPECT_EQ(joinProgramFile(*split), bytes);
}

TEST(ProgramFileRoundTrip, SavingAndReloadingKeepsTheWholeProgram)
{
    test::TempDir folder;
    const std::string path = (folder.root() / "blink.qel").string();
    auto original = realisticDocument();
    original->modified = true;
    ASSERT_EQ(writeProgramFile(path, *original), WriteStatus::Ok);
    EXPECT_TRUE(original->modified) << "flags are the caller's business";

    ReadOutcome loaded = readProgramFile(path, defaults());
    ASSERT_EQ(loaded.status, ReadStatus::Ok);
    ASSERT_TRUE(loaded.document);
    const ProgramDocument& doc = *loaded.document;

    EXPECT_EQ(linesSummary(doc), linesSummary(*original));
    EXPECT_EQ(doc.lines.countSelected(), 2);
    EXPECT_EQ(doc.lines.cursor(), doc.lines.first());
    EXPECT_EQ(doc.lines.first()->code, kHeaderCode);
    EXPECT_EQ(doc.comments.count(), 4);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(doc.comments.textAt(i), original->comments.textAt(i));
    EXPECT_EQ(doc.lines.first()->next->commentIndex, 1);
    EXPECT_EQ(doc.comments.textAt(doc.lines.first()->next->commentIndex), "set up the ports");

    EXPECT_EQ(names(doc.registerFile0), names(original->registerFile0));
    EXPECT_EQ(names(doc.registerFile1), names(original->registerFile1));
    EXPECT_EQ(doc.registerFile0.addressOf("COUNTER"), 0x0C);
    EXPECT_EQ(doc.registerFile1.addressOf("BUFFER"), 0x8C);
    EXPECT_EQ(names(doc.userSfrNames0), std::vector<std::string>{"LEDS"});
    EXPECT_EQ(names(doc.userSfrNames1), std::vector<std::string>{"DIRB"});
    EXPECT_EQ(names(doc.userRegisters0), (std::vector<std::string>{"COUNTER", "LAST"}));
    EXPECT_EQ(doc.userRegisters0.addressOf("LAST"), 0x2F);
    EXPECT_EQ(doc.userRegisters1.addressOf("BUFFER"), 0x8C);
    EXPECT_EQ(doc.userRegisters0.base(), 12);
    EXPECT_EQ(doc.userRegisters1.base(), 140);

    ASSERT_EQ(doc.userBits.count(), 2);
    EXPECT_EQ(doc.userBits.at(1)->nameText(), "FLAG");
    EXPECT_EQ(doc.userBits.at(1)->bit, 7);
    EXPECT_EQ(doc.userBits.at(1)->address, 0x0C);
    EXPECT_EQ(names(doc.literals), (std::vector<std::string>{"STEP", "LIMIT"}));
    EXPECT_EQ(doc.literals.valueOf("LIMIT"), "B'1010'");
    EXPECT_EQ(names(doc.labels), (std::vector<std::string>{"START", "LOOP", "ABCDEFGHIJKLM"}));
    EXPECT_EQ(doc.labels.valueOf("LOOP"), "2");

    EXPECT_EQ(doc.fileName, path);
    EXPECT_FALSE(doc.untitled);
    EXPECT_FALSE(doc.modified);
    EXPECT_EQ(encodeProgramFile(doc), encodeProgramFile(*original));
}

TEST(ProgramFileChecks, EachDamagedMarkerNamesItsOwnSectionAndKeepsWhatCameBefore)
{
    const auto original = realisticDocument();
    const Bytes good = encodeProgramFile(*original);
    const std::vector<Section> sections = layoutOf(good);
    const char* const messages[] = {
        "Error! This file does not valid qel file [1].", "Error! This file does not valid qel file [2].",
        "Error! This file does not valid qel file [3].", "Error! This file does not valid qel file [4].",
        "Error! This file does not valid qel file [5]."};

    for (std::size_t i = 0; i < sections.size(); ++i) {
        SCOPED_TRACE("section " + std::to_string(i));
        Bytes bad = good;
        putInt32(bad, sections[i].markerOffset, 17);
        ReadOutcome outcome = decodeProgramFile(bad, defaults());
        const int check = sections[i].check;
        EXPECT_EQ(outcome.status, badSection(check));
        EXPECT_EQ(readStatusMessage(outcome.status), messages[check - 1]);
        ASSERT_TRUE(outcome.document);
        const ProgramDocument& doc = *outcome.document;
        EXPECT_TRUE(doc.untitled);
        EXPECT_TRUE(doc.fileName.empty());
        EXPECT_FALSE(doc.modified);
        EXPECT_EQ(doc.lines.cursor(), doc.lines.first());
        EXPECT_EQ(doc.lines.count(), original->lines.count()) << "lines come before every marker";
        // A section's records are read before its marker is checked.
        EXPECT_EQ(doc.comments.count(), check >= 2 ? 4 : 0);
        EXPECT_EQ(doc.literals.count(), check >= 4 ? 2 : 0);
        EXPECT_EQ(doc.userBits.count(), check == 5 ? 2 : 0);
    }
}

TEST(ProgramFileChecks, AFirstWordOtherThan16CreatesNothing)
{
    const Bytes rows[] = {{}, {16, 0, 0}, {15, 0, 0, 0}, {0, 0, 0, 16}, {'q', 'e', 'l', '!', 16, 0, 0, 0}};
    for (const Bytes& bytes : rows) {
        ReadOutcome outcome = decodeProgramFile(bytes, defaults());
        EXPECT_EQ(outcome.status, ReadStatus::NotProgramFile) << bytes.size();
        EXPECT_FALSE(outcome.document);
    }
    EXPECT_EQ(readStatusMessage(ReadStatus::NotProgramFile), "Error! This file does not valid qel file.");

    test::TempDir folder;
    putFile(folder.root() / "notes.qel", {'h', 'e', 'l', 'l', 'o'});
    ReadOutcome outcome = readProgramFile((folder.root() / "notes.qel").string(), defaults());
    EXPECT_EQ(outcome.status, ReadStatus::NotProgramFile);
    EXPECT_FALSE(outcome.document);
}

TEST(ProgramFileChecks, AFileThatCannotBeOpenedCreatesNothing)
{
    test::TempDir folder;
    for (const fs::path& path : {folder.root() / "missing.qel", folder.root(), fs::path()}) {
        ReadOutcome outcome = readProgramFile(path.string(), defaults());
        EXPECT_EQ(outcome.status, ReadStatus::CannotOpen) << path;
        EXPECT_FALSE(outcome.document);
    }
    EXPECT_EQ(readStatusMessage(ReadStatus::CannotOpen), "The file is not exist!");
    EXPECT_EQ(readStatusMessage(ReadStatus::Ok), "");
}

TEST(ProgramFileChecks, AFileFarLargerThanAnyProgramIsRefusedBeforeItIsRead)
{
    test::TempDir folder;
    const fs::path path = folder.root() / "huge.qel";
    putFile(path, {16, 0, 0, 0, 0, 0, 0, 0});
    fs::resize_file(path, 17u << 20);  // sparse: costs no disk
    ReadOutcome outcome = readProgramFile(path.string(), defaults());
    EXPECT_EQ(outcome.status, ReadStatus::NotProgramFile);
    EXPECT_FALSE(outcome.document);
}

TEST(ProgramFileChecks, EveryTruncationFailsTheSectionItCutsAndKeepsTheWholeLinesBeforeIt)
{
    const auto original = realisticDocument();
    const Bytes good = encodeProgramFile(*original);
    const std::vector<Section> sections = layoutOf(good);
    const std::size_t linesStart = sections[0].countOffset + 4;

    for (std::size_t length = 0; length < good.size(); ++length) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        ReadOutcome outcome = decodeProgramFile(cut, defaults());
        if (length < 4) {
            EXPECT_EQ(outcome.status, ReadStatus::NotProgramFile) << length;
            continue;
        }
        // The first missing byte lies in the section that fails.
        int check = 0;
        for (const Section& s : sections)
            if (length >= s.countOffset && length < s.markerOffset + 4) {
                check = s.check;
                break;
            }
        ASSERT_EQ(outcome.status, badSection(check)) << "length " << length;
        ASSERT_TRUE(outcome.document);
        const std::size_t wholeLines = length <= linesStart ? 0 : std::min<std::size_t>(
            (length - linesStart) / 64, static_cast<std::size_t>(sections[0].count));
        EXPECT_EQ(outcome.document->lines.count(), static_cast<int>(wholeLines) + 1) << "length " << length;
    }
    EXPECT_EQ(decodeProgramFile(good, defaults()).status, ReadStatus::Ok);
}

TEST(ProgramFileChecks, AbsurdCountsFailTheirSectionWithoutReadingPastTheEnd)
{
    const Bytes good = encodeProgramFile(*realisticDocument());
    const std::vector<Section> sections = layoutOf(good);
    for (const Section& section : sections)
        for (std::int32_t count : {INT32_MAX, INT32_MIN, -1, section.count + 1, 0x04000000}) {
            Bytes bad = good;
            putInt32(bad, section.countOffset, count);
            ReadOutcome outcome = decodeProgramFile(bad, defaults());
            EXPECT_EQ(outcome.status, badSection(section.check))
                << "count " << count << " at " << section.countOffset;
            ASSERT_TRUE(outcome.document);
            EXPECT_LE(outcome.document->lines.count(), static_cast<int>(bad.size() / 64) + 1);
        }
}

TEST(ProgramFileChecks, TextsWithoutTerminatorAreCutInsideTheirField)
{
    ProgramDocument source(defaults());
    source.comments.append("c");
    source.lines.insertAfterCursor(makeLine(24, "L", "O", "A", 0, 1));
    source.userBits.insert("B", 3, 0, 0x0C);
    source.literals.insert("N", "V");
    Bytes bytes = encodeProgramFile(source);
    const std::vector<Section> sections = layoutOf(bytes);

    const std::size_t line = sections[0].countOffset + 4;
    std::memset(&bytes[line], 'L', 40);  // label, operand and affected, no NUL anywhere
    std::memset(&bytes[sections[1].countOffset + 4], 'C', 52);
    std::memset(&bytes[sections[1].countOffset + 4 + 52], 0x7F, 4);  // a stored index is not used
    std::memset(&bytes[sections[2].countOffset + 4 + 5 * 28], 'R', 16);  // PORTA's record
    std::memset(&bytes[sections[8].countOffset + 4], 'N', 32);
    std::memset(&bytes[sections[10].countOffset + 4], 'B', 16);

    ReadOutcome outcome = decodeProgramFile(bytes, defaults());
    ASSERT_EQ(outcome.status, ReadStatus::Ok);
    const ProgramDocument& doc = *outcome.document;
    const ProgramLine& loaded = *doc.lines.first()->next;
    EXPECT_EQ(loaded.labelText(), std::string(14, 'L'));
    EXPECT_EQ(loaded.operandText(), std::string(14, 'L'));
    EXPECT_EQ(loaded.affectedText(), std::string(9, 'L'));
    EXPECT_EQ(loaded.code, 24);
    EXPECT_EQ(loaded.commentIndex, 1);
    EXPECT_EQ(doc.comments.textAt(1), std::string(51, 'C'));
    EXPECT_EQ(doc.registerFile0.find(5)->nameText(), std::string(15, 'R'));
    EXPECT_EQ(doc.literals.at(0)->nameText(), std::string(14, 'N'));
    EXPECT_EQ(doc.literals.at(0)->valueText(), std::string(16, 'N'));
    EXPECT_EQ(doc.userBits.at(0)->nameText(), std::string(15, 'B'));
    EXPECT_EQ(doc.userBits.at(0)->bit, 3);
}

TEST(ProgramFileChecks, LineRecordsNoDocumentCouldHoldFailTheLinesCheck)
{
    struct Row {
        std::int32_t code;
        std::int32_t state;
        bool accepted;
    };
    const Row rows[] = {
        {kHeaderCode, 0, false}, {0, 0, false}, {36, 0, false}, {99, 0, false}, {103, 0, false},
        {-1, 0, false}, {24, 3, false}, {24, -1, false},
        {1, 0, true}, {35, 1, true}, {kOrgCode, 2, true}, {kBlankCode, 0, true}};
    ProgramDocument source(defaults());
    source.lines.insertAfterCursor(makeLine(15, "", "", "None"));
    source.lines.insertAfterCursor(makeLine(15, "", "", "None"));
    source.lines.insertAfterCursor(makeLine(15, "", "", "None"));
    const Bytes good = encodeProgramFile(source);
    const std::size_t second = 8 + 64;

    for (const Row& row : rows) {
        Bytes bytes = good;
        putInt32(bytes, second + 48, row.code);
        putInt32(bytes, second + 52, row.state);
        ReadOutcome outcome = decodeProgramFile(bytes, defaults());
        SCOPED_TRACE("code " + std::to_string(row.code) + " state " + std::to_string(row.state));
        ASSERT_TRUE(outcome.document);
        int headers = 0;
        for (const ProgramLine& line : outcome.document->lines)
            headers += line.code == kHeaderCode ? 1 : 0;
        EXPECT_EQ(headers, 1);
        if (row.accepted) {
            EXPECT_EQ(outcome.status, ReadStatus::Ok);
            EXPECT_EQ(outcome.document->lines.count(), 4);
        } else {
            EXPECT_EQ(outcome.status, ReadStatus::BadSection1);
            EXPECT_EQ(outcome.document->lines.count(), 2) << "the line before the bad record stays";
        }
    }
}

TEST(ProgramFileChecks, SymbolRecordsThatNameNothingChangeNothing)
{
    ProgramDocument source(defaults());
    source.userRegisters0.insert("KEPT", 0x0D);
    Bytes bytes = encodeProgramFile(source);
    const std::vector<Section> sections = layoutOf(bytes);
    // registerFile0: a record for an address the bank does not have, one with an empty name.
    const std::size_t file0 = sections[2].countOffset + 4;
    std::memcpy(&bytes[file0], "STRAY", 6);
    putInt32(bytes, file0 + 16, 0x80);
    std::memset(&bytes[file0 + 28], 0, 16);
    // registerFile1: a bank-0 address.
    const std::size_t file1 = sections[5].countOffset + 4;
    std::memcpy(&bytes[file1], "LOST", 5);
    putInt32(bytes, file1 + 16, 0x05);
    // A user register with an empty name.
    std::memset(&bytes[sections[4].countOffset + 4], 0, 16);

    ReadOutcome outcome = decodeProgramFile(bytes, defaults());
    ASSERT_EQ(outcome.status, ReadStatus::Ok);
    const ProgramDocument& doc = *outcome.document;
    const ProgramDocument fresh(defaults());
    EXPECT_EQ(names(doc.registerFile0), names(fresh.registerFile0));
    EXPECT_EQ(names(doc.registerFile1), names(fresh.registerFile1));
    EXPECT_EQ(doc.userRegisters0.count(), 0);
}

TEST(ProgramFileWrite, ReplacesTheFileKeepingItsModeAndLeavesNothingElse)
{
    test::TempDir folder;
    const fs::path path = folder.root() / "prog.qel";
    auto doc = realisticDocument();
    ASSERT_EQ(writeProgramFile(path.string(), ProgramDocument(defaults())), WriteStatus::Ok);
    ::chmod(path.c_str(), 0640);

    ASSERT_EQ(writeProgramFile(path.string(), *doc), WriteStatus::Ok);
    EXPECT_EQ(fileBytes(path), encodeProgramFile(*doc));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"prog.qel"});
    EXPECT_EQ(writeStatusMessage(WriteStatus::Ok), "");
}

TEST(ProgramFileWrite, WritingThroughALinkReplacesTheFileItPointsTo)
{
    test::TempDir folder;
    const fs::path real = folder.root() / "real.qel";
    const fs::path link = folder.root() / "link.qel";
    putFile(real, {1, 2, 3});
    fs::create_symlink(real, link);
    ASSERT_EQ(writeProgramFile(link.string(), ProgramDocument(defaults())), WriteStatus::Ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fileBytes(real).size(), 2780u);
}

TEST(ProgramFileWrite, AFolderThatCannotTakeTheFileKeepsEverythingAsItWas)
{
    test::TempDir folder;
    const auto doc = realisticDocument();
    fs::create_directory(folder.root() / "taken.qel");
    putFile(folder.root() / "taken.qel" / "inside", {7});

    const fs::path rows[] = {folder.root() / "no-such-folder" / "prog.qel", folder.root() / "taken.qel"};
    for (const fs::path& path : rows) {
        EXPECT_EQ(writeProgramFile(path.string(), *doc), WriteStatus::CannotOpen) << path;
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"taken.qel"});
        EXPECT_EQ(fileBytes(folder.root() / "taken.qel" / "inside"), Bytes{7});
    }
    EXPECT_EQ(writeProgramFile("", *doc), WriteStatus::CannotOpen);
    EXPECT_EQ(writeStatusMessage(WriteStatus::CannotOpen), "The file is not exist!");
}

TEST(ProgramFileWrite, AWriteCutShortLeavesTheOldFileWholeAndNoTemporary)
{
    test::TempDir folder;
    const fs::path path = folder.root() / "prog.qel";
    const Bytes old{16, 0, 0, 0, 'o', 'l', 'd'};
    putFile(path, old);

    WriteStatus status;
    {
        test::FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.active());
        status = writeProgramFile(path.string(), *realisticDocument());
    }

    EXPECT_EQ(status, WriteStatus::WriteFailed);
    EXPECT_FALSE(writeStatusMessage(status).empty());
    EXPECT_EQ(fileBytes(path), old);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"prog.qel"});
}

} // namespace
} // namespace tarvik
