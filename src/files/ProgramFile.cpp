#include "files/ProgramFile.h"

#include "files/ByteReader.h"
#include "files/ByteWriter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

constexpr std::int32_t kMarker = 16;
constexpr std::size_t kLinkBytes = 4;

constexpr std::size_t recordSize(FileSection section)
{
    return kProgramFileSections[static_cast<std::size_t>(section)].recordSize;
}

// The fields read and written below fill each record exactly, so a field that grows
// fails here instead of shifting every record after it.
static_assert(sizeof ProgramLine::label + sizeof ProgramLine::operand + sizeof ProgramLine::affected + 4 * 4
                  + 2 * kLinkBytes
              == recordSize(FileSection::Lines));
static_assert(sizeof CommentRecord::text + 4 + kLinkBytes == recordSize(FileSection::Comments));
static_assert(sizeof NameValueEntry::name + sizeof NameValueEntry::value + 2 * kLinkBytes
              == recordSize(FileSection::Literals));
static_assert(recordSize(FileSection::Labels) == recordSize(FileSection::Literals));
static_assert(sizeof BitEntry::name + 3 * 4 + 2 * kLinkBytes == recordSize(FileSection::Bits));
static_assert([] {
    for (FileSection section : {FileSection::RegisterFile0, FileSection::UserSfrNames0, FileSection::UserRegisters0,
                                FileSection::RegisterFile1, FileSection::UserSfrNames1, FileSection::UserRegisters1})
        if (recordSize(section) != sizeof RegisterEntry::name + 4 + 2 * kLinkBytes)
            return false;
    return true;
}());

// Device, configuration word (-1 for none), then each EEPROM byte and whether it is set.
static_assert(4 + 4 + 2 * kEepromSize == recordSize(FileSection::DeviceSettings));

// Far above any program the chip can hold; a larger file is refused before it is read
// into memory.
constexpr std::size_t kMaxFileSize = 16u << 20;

// How many records a section may read: never more than the bytes left can hold, so a
// hostile count allocates nothing. `complete` is false when the stored count claimed
// more than that or was negative; the records that are there are still read.
struct RecordCount {
    std::size_t available;
    bool complete;
};

RecordCount readCount(ByteReader& in, std::size_t recordSize)
{
    const std::int32_t claimed = in.int32();
    if (in.failed() || claimed < 0)
        return {0, false};
    const std::size_t fit = in.remaining() / recordSize;
    const auto wanted = static_cast<std::size_t>(claimed);
    return wanted <= fit ? RecordCount{wanted, true} : RecordCount{fit, false};
}

bool sectionClosed(ByteReader& in, const RecordCount& count)
{
    return count.complete && in.int32() == kMarker;
}

// The writer never stores the header line or anything outside the known line kinds and
// states; such a record means a damaged file, and letting it in would give later code a
// second header or a kind it cannot draw or assemble.
bool isStorableLine(const ProgramLine& line)
{
    const bool knownCode = line.isInstruction() || line.code == kOrgCode || line.code == kBlankCode;
    const auto state = static_cast<std::int32_t>(line.state);
    return knownCode && state >= 0 && state <= 2;
}

bool readLine(ByteReader& in, ProgramDocument& doc)
{
    ProgramLine line;
    in.text(line.label);
    in.text(line.operand);
    in.text(line.affected);
    line.destination = in.int32();
    line.commentIndex = in.int32();
    line.code = in.int32();
    line.state = static_cast<LineState>(in.int32());
    in.skip(2 * kLinkBytes);
    return isStorableLine(line) && doc.lines.insertAfterCursor(line);
}

void readComment(ByteReader& in, CommentTable& table)
{
    CommentRecord record;
    in.text(record.text);
    in.skip(4 + kLinkBytes);  // the stored index: the table numbers comments itself
    table.append(record.textView());
}

RegisterEntry readRegister(ByteReader& in)
{
    RegisterEntry entry;
    in.text(entry.name);
    entry.address = in.int32();
    in.skip(2 * kLinkBytes);
    return entry;
}

// A location always keeps a name, so an empty stored name leaves the current one. The
// device comes after the register files, so a location only the F84s have grows them now;
// the device section, or its absence, settles their size afterwards.
void readRegisterFileEntry(ByteReader& in, RegisterTable& file, ProgramDocument& doc)
{
    const RegisterEntry entry = readRegister(in);
    if (entry.nameText().empty())
        return;
    if (!file.holds(entry.address) && (entry.address & 0x7F) < bankSize(Device::Pic16F84)
        && doc.device() == Device::Pic16C84)
        doc.setDevice(Device::Pic16F84);
    file.rename(entry.address, entry.nameText());
}

bool readDeviceSettings(ByteReader& in, ProgramDocument& doc)
{
    const std::int32_t device = in.int32();
    const std::int32_t word = in.int32();
    const std::span<const std::uint8_t> data = in.bytes(kEepromSize);
    const std::span<const std::uint8_t> set = in.bytes(kEepromSize);
    if (in.failed() || !isValidDevice(device) || word < -1 || word > kErasedWord)
        return false;
    EepromData eeprom = kNoEepromData;
    for (int i = 0; i < kEepromSize; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (set[at] > 1)
            return false;
        if (set[at])
            eeprom[at] = data[at];
    }
    doc.setDevice(static_cast<Device>(device));
    doc.configWord = word < 0 ? std::nullopt : std::optional<int>(word);
    doc.eepromData = eeprom;
    return true;
}

// The trailing section's marker and version; false when something else follows piece 16.
bool trailingSectionOpens(ByteReader& in)
{
    return in.int32() == kTrailingMarker && in.int32() == kTrailingVersion && !in.failed();
}

// Bytes after piece 16 that do not start with the section's marker were never written by
// this program; the older reader ignored them, and so does this one.
bool holdsTrailingSection(const ByteReader& in, std::span<const std::uint8_t> bytes)
{
    const std::size_t at = bytes.size() - in.remaining();
    return in.remaining() >= 4 && bytes[at] == (kTrailingMarker & 0xFF) && bytes[at + 1] == (kTrailingMarker >> 8 & 0xFF)
        && bytes[at + 2] == (kTrailingMarker >> 16 & 0xFF) && bytes[at + 3] == (kTrailingMarker >> 24 & 0xFF);
}

void readUserRegister(ByteReader& in, RegisterTable& table)
{
    const RegisterEntry entry = readRegister(in);
    if (!entry.nameText().empty())
        table.insert(entry.nameText(), entry.address);
}

void readNameValue(ByteReader& in, NameValueTable& table)
{
    NameValueEntry entry;
    in.text(entry.name);
    in.text(entry.value);
    in.skip(2 * kLinkBytes);
    table.insert(entry.nameText(), entry.valueText());  // an empty name is skipped
}

void readBit(ByteReader& in, BitTable& table)
{
    BitEntry entry;
    in.text(entry.name);
    entry.bit = in.int32();
    entry.banks = in.int32();
    entry.address = in.int32();
    in.skip(2 * kLinkBytes);
    if (!entry.nameText().empty())
        table.insert(entry.nameText(), entry.bit, entry.banks, entry.address);
}

template <typename Document>
auto& registerTableOf(Document& doc, FileSection section)
{
    switch (section) {
    case FileSection::RegisterFile0: return doc.registerFile0;
    case FileSection::UserSfrNames0: return doc.userSfrNames0;
    case FileSection::UserRegisters0: return doc.userRegisters0;
    case FileSection::RegisterFile1: return doc.registerFile1;
    case FileSection::UserSfrNames1: return doc.userSfrNames1;
    default: return doc.userRegisters1;
    }
}

// One record of the section into the document; false when it cannot hold it.
bool readRecord(ByteReader& in, FileSection section, ProgramDocument& doc)
{
    switch (section) {
    case FileSection::Lines: return readLine(in, doc);
    case FileSection::Comments: readComment(in, doc.comments); break;
    case FileSection::RegisterFile0:
    case FileSection::RegisterFile1: readRegisterFileEntry(in, registerTableOf(doc, section), doc); break;
    case FileSection::UserSfrNames0:
    case FileSection::UserRegisters0:
    case FileSection::UserSfrNames1:
    case FileSection::UserRegisters1: readUserRegister(in, registerTableOf(doc, section)); break;
    case FileSection::Literals: readNameValue(in, doc.literals); break;
    case FileSection::Labels: readNameValue(in, doc.labels); break;
    case FileSection::Bits: readBit(in, doc.userBits); break;
    case FileSection::DeviceSettings: return readDeviceSettings(in, doc);
    }
    return true;
}

ReadStatus readSections(ByteReader& in, std::span<const std::uint8_t> bytes, ProgramDocument& doc)
{
    for (const SectionLayout& layout : kProgramFileSections) {
        if (layout.trailing) {
            if (!holdsTrailingSection(in, bytes)) {
                doc.setDevice(Device::Pic16C84);  // a file of the older format
                return ReadStatus::Ok;
            }
            if (!trailingSectionOpens(in))
                return layout.whenDamaged;
        }
        const RecordCount count = readCount(in, layout.recordSize);
        for (std::size_t i = 0; i < count.available; ++i)
            if (!readRecord(in, layout.section, doc))
                return layout.whenDamaged;
        if (!sectionClosed(in, count) || (layout.trailing && (count.available != 1 || in.remaining() != 0)))
            return layout.whenDamaged;
    }
    return ReadStatus::Ok;
}

// The whole file, or nullopt when it cannot be opened or read. A file that is not a
// regular file (a folder, a pipe) cannot be opened as a program.
std::optional<std::vector<std::uint8_t>> loadFile(const std::string& path, bool& tooLarge)
{
    tooLarge = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > kMaxFileSize) {
        ::close(fd);
        tooLarge = true;
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.resize(std::min<std::size_t>(static_cast<std::size_t>(info.st_size), kMaxFileSize) + 1);
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
        // The file may have grown since fstat; keep reading up to the limit.
        if (filled == bytes.size() && bytes.size() <= kMaxFileSize)
            bytes.resize(std::min(bytes.size() * 2, kMaxFileSize + 1));
    }
    ::close(fd);
    if (filled > kMaxFileSize) {
        tooLarge = true;
        return std::nullopt;
    }
    bytes.resize(filled);
    return bytes;
}

bool isStoredLine(const ProgramLine& line)
{
    // The header line belongs to every document and is never stored.
    return line.code != kHeaderCode;
}

std::size_t recordCount(const ProgramDocument& doc, FileSection section)
{
    switch (section) {
    case FileSection::Lines: {
        std::size_t stored = 0;
        for (const ProgramLine& line : doc.lines)
            stored += isStoredLine(line) ? 1 : 0;
        return stored;
    }
    case FileSection::Comments: return doc.comments.entries().size();
    case FileSection::Literals: return doc.literals.entries().size();
    case FileSection::Labels: return doc.labels.entries().size();
    case FileSection::Bits: return doc.userBits.entries().size();
    case FileSection::DeviceSettings: return doc.usesDeviceSettings() ? 1 : 0;
    default: return registerTableOf(doc, section).entries().size();
    }
}

void writeLines(ByteWriter& out, const LineList& lines)
{
    for (const ProgramLine& line : lines) {
        if (!isStoredLine(line))
            continue;
        out.text(line.label);
        out.text(line.operand);
        out.text(line.affected);
        out.int32(line.destination);
        out.int32(line.commentIndex);
        out.int32(line.code);
        out.int32(static_cast<std::int32_t>(line.state));
        out.zeros(2 * kLinkBytes);
    }
}

void writeComments(ByteWriter& out, const CommentTable& table)
{
    std::int32_t index = 0;
    for (const CommentRecord& record : table) {
        out.text(record.text);
        out.int32(++index);
        out.zeros(kLinkBytes);
    }
}

void writeRegisters(ByteWriter& out, const RegisterTable& table)
{
    for (const RegisterEntry& entry : table) {
        out.text(entry.name);
        out.int32(entry.address);
        out.zeros(2 * kLinkBytes);
    }
}

void writeNameValues(ByteWriter& out, const NameValueTable& table)
{
    for (const NameValueEntry& entry : table) {
        out.text(entry.name);
        out.text(entry.value);
        out.zeros(2 * kLinkBytes);
    }
}

void writeBits(ByteWriter& out, const BitTable& table)
{
    for (const BitEntry& entry : table) {
        out.text(entry.name);
        out.int32(entry.bit);
        out.int32(entry.banks);
        out.int32(entry.address);
        out.zeros(2 * kLinkBytes);
    }
}

void writeDeviceSettings(ByteWriter& out, const ProgramDocument& doc)
{
    out.int32(static_cast<std::int32_t>(doc.device()));
    out.int32(doc.configWord.value_or(-1));
    std::array<std::uint8_t, kEepromSize> data{};
    std::array<std::uint8_t, kEepromSize> set{};
    for (std::size_t i = 0; i < data.size(); ++i)
        if (doc.eepromData[i] >= 0) {
            data[i] = static_cast<std::uint8_t>(doc.eepromData[i]);
            set[i] = 1;
        }
    out.bytes(data);
    out.bytes(set);
}

void writeRecords(ByteWriter& out, const ProgramDocument& doc, FileSection section)
{
    switch (section) {
    case FileSection::Lines: writeLines(out, doc.lines); break;
    case FileSection::Comments: writeComments(out, doc.comments); break;
    case FileSection::Literals: writeNameValues(out, doc.literals); break;
    case FileSection::Labels: writeNameValues(out, doc.labels); break;
    case FileSection::Bits: writeBits(out, doc.userBits); break;
    case FileSection::DeviceSettings: writeDeviceSettings(out, doc); break;
    default: writeRegisters(out, registerTableOf(doc, section)); break;
    }
}

constexpr std::size_t kCountAndMarker = 2 * 4;
constexpr std::size_t kTrailingOpening = 2 * 4;

// A trailing section that holds nothing is left out, so the file stays in the older format.
bool isWritten(const SectionLayout& layout, std::size_t count)
{
    return !layout.trailing || count > 0;
}

std::size_t sectionSize(const SectionLayout& layout, std::size_t count, std::size_t recordBytes)
{
    if (!isWritten(layout, count))
        return 0;
    return (layout.trailing ? kTrailingOpening : 0) + kCountAndMarker + recordBytes;
}

void openSection(ByteWriter& out, const SectionLayout& layout, std::int32_t count)
{
    if (layout.trailing) {
        out.int32(kTrailingMarker);
        out.int32(kTrailingVersion);
    }
    out.int32(count);
}

} // namespace

std::string_view readStatusMessage(ReadStatus status)
{
    switch (status) {
    case ReadStatus::Ok: return {};
    case ReadStatus::CannotOpen: return "The file is not exist!";
    case ReadStatus::NotProgramFile: return "Error! This file does not valid qel file.";
    case ReadStatus::BadSection1: return "Error! This file does not valid qel file [1].";
    case ReadStatus::BadSection2: return "Error! This file does not valid qel file [2].";
    case ReadStatus::BadSection3: return "Error! This file does not valid qel file [3].";
    case ReadStatus::BadSection4: return "Error! This file does not valid qel file [4].";
    case ReadStatus::BadSection5: return "Error! This file does not valid qel file [5].";
    case ReadStatus::BadSection6: return "Error! This file does not valid qel file [6].";
    }
    return {};
}

std::string_view writeStatusMessage(WriteStatus status)
{
    switch (status) {
    case WriteStatus::Ok: return {};
    case WriteStatus::CannotOpen: return "The file is not exist!";
    case WriteStatus::WriteFailed: return "Error! The file could not be written. Nothing was changed on disk.";
    }
    return {};
}

ReadOutcome decodeProgramFile(std::span<const std::uint8_t> bytes, const DeviceDefaults& defaults)
{
    ByteReader in(bytes);
    if (in.int32() != kMarker)
        return {ReadStatus::NotProgramFile, nullptr};
    auto doc = std::make_unique<ProgramDocument>(defaults);
    const ReadStatus status = readSections(in, bytes, *doc);
    doc->resetCursorToTop();
    return {status, std::move(doc)};
}

ReadOutcome readProgramFile(const std::string& path, const DeviceDefaults& defaults)
{
    bool tooLarge = false;
    const std::optional<std::vector<std::uint8_t>> bytes = loadFile(path, tooLarge);
    if (!bytes)
        return {tooLarge ? ReadStatus::NotProgramFile : ReadStatus::CannotOpen, nullptr};
    ReadOutcome outcome = decodeProgramFile(*bytes, defaults);
    if (outcome.status == ReadStatus::Ok) {
        outcome.document->fileName = path;
        outcome.document->untitled = false;
        outcome.document->modified = false;
    }
    return outcome;
}

std::vector<std::uint8_t> encodeProgramFile(const ProgramDocument& doc)
{
    std::array<std::size_t, kProgramFileSections.size()> counts;
    std::size_t size = 4;
    for (const SectionLayout& layout : kProgramFileSections) {
        const std::size_t count = recordCount(doc, layout.section);
        counts[static_cast<std::size_t>(layout.section)] = count;
        size += sectionSize(layout, count, count * layout.recordSize);
    }
    ByteWriter out(size);
    out.int32(kMarker);
    for (const SectionLayout& layout : kProgramFileSections) {
        const std::size_t count = counts[static_cast<std::size_t>(layout.section)];
        if (!isWritten(layout, count))
            continue;
        openSection(out, layout, static_cast<std::int32_t>(count));
        writeRecords(out, doc, layout.section);
        out.int32(kMarker);
    }
    return out.take();
}

std::optional<EncodedSections> splitProgramFile(std::span<const std::uint8_t> bytes)
{
    ByteReader in(bytes);
    if (in.int32() != kMarker)
        return std::nullopt;
    EncodedSections sections;
    for (const SectionLayout& layout : kProgramFileSections) {
        if (layout.trailing) {
            if (in.remaining() == 0)
                break;
            if (!trailingSectionOpens(in))
                return std::nullopt;
        }
        const RecordCount count = readCount(in, layout.recordSize);
        EncodedSection& section = sections[static_cast<std::size_t>(layout.section)];
        section.count = static_cast<std::int32_t>(count.available);
        section.records = in.bytes(count.available * layout.recordSize);
        if (!sectionClosed(in, count))
            return std::nullopt;
    }
    if (in.failed() || in.remaining() != 0)
        return std::nullopt;
    return sections;
}

std::vector<std::uint8_t> joinProgramFile(const EncodedSections& sections)
{
    std::size_t size = 4;
    for (const SectionLayout& layout : kProgramFileSections) {
        const EncodedSection& section = sections[static_cast<std::size_t>(layout.section)];
        size += sectionSize(layout, static_cast<std::size_t>(section.count), section.records.size());
    }
    ByteWriter out(size);
    out.int32(kMarker);
    for (const SectionLayout& layout : kProgramFileSections) {
        const EncodedSection& section = sections[static_cast<std::size_t>(layout.section)];
        if (!isWritten(layout, static_cast<std::size_t>(section.count)))
            continue;
        openSection(out, layout, section.count);
        out.bytes(section.records);
        out.int32(kMarker);
    }
    return out.take();
}

WriteStatus writeProgramFile(const std::string& path, const ProgramDocument& document, WriteError* error)
{
    return writeFileSafely(path, encodeProgramFile(document), error);
}

} // namespace tarvik
