#include "files/ProgramFile.h"

#include "files/ByteReader.h"
#include "files/ByteWriter.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

constexpr std::int32_t kMarker = 16;
constexpr std::size_t kLineRecordSize = 64;
constexpr std::size_t kCommentRecordSize = 60;
constexpr std::size_t kRegisterRecordSize = 28;
constexpr std::size_t kNameValueRecordSize = 40;
constexpr std::size_t kBitRecordSize = 36;
constexpr std::size_t kLinkBytes = 4;

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

bool readLines(ByteReader& in, ProgramDocument& doc)
{
    const RecordCount count = readCount(in, kLineRecordSize);
    for (std::size_t i = 0; i < count.available; ++i) {
        ProgramLine line;
        in.text(line.label);
        in.text(line.operand);
        in.text(line.affected);
        line.destination = in.int32();
        line.commentIndex = in.int32();
        line.code = in.int32();
        line.state = static_cast<LineState>(in.int32());
        in.skip(2 * kLinkBytes);
        if (!isStorableLine(line))
            return false;
        if (!doc.lines.insertAfterCursor(line))
            return false;
    }
    return sectionClosed(in, count);
}

bool readComments(ByteReader& in, ProgramDocument& doc)
{
    const RecordCount count = readCount(in, kCommentRecordSize);
    for (std::size_t i = 0; i < count.available; ++i) {
        CommentRecord record;
        in.text(record.text);
        in.skip(4 + kLinkBytes);  // the stored index: the table numbers comments itself
        doc.comments.append(record.textView());
    }
    return sectionClosed(in, count);
}

RegisterEntry readRegister(ByteReader& in)
{
    RegisterEntry entry;
    in.text(entry.name);
    entry.address = in.int32();
    in.skip(2 * kLinkBytes);
    return entry;
}

// A location always keeps a name, so an empty stored name leaves the current one.
bool readRegisterFile(ByteReader& in, RegisterTable& file)
{
    const RecordCount count = readCount(in, kRegisterRecordSize);
    for (std::size_t i = 0; i < count.available; ++i) {
        const RegisterEntry entry = readRegister(in);
        if (!entry.nameText().empty())
            file.rename(entry.address, entry.nameText());
    }
    return sectionClosed(in, count);
}

bool readUserRegisters(ByteReader& in, RegisterTable& table)
{
    const RecordCount count = readCount(in, kRegisterRecordSize);
    for (std::size_t i = 0; i < count.available; ++i) {
        const RegisterEntry entry = readRegister(in);
        if (!entry.nameText().empty())
            table.insert(entry.nameText(), entry.address);
    }
    return sectionClosed(in, count);
}

bool readNameValues(ByteReader& in, NameValueTable& table)
{
    const RecordCount count = readCount(in, kNameValueRecordSize);
    for (std::size_t i = 0; i < count.available; ++i) {
        NameValueEntry entry;
        in.text(entry.name);
        in.text(entry.value);
        in.skip(2 * kLinkBytes);
        table.insert(entry.nameText(), entry.valueText());  // an empty name is skipped
    }
    return sectionClosed(in, count);
}

bool readBits(ByteReader& in, BitTable& table)
{
    const RecordCount count = readCount(in, kBitRecordSize);
    for (std::size_t i = 0; i < count.available; ++i) {
        BitEntry entry;
        in.text(entry.name);
        entry.bit = in.int32();
        entry.banks = in.int32();
        entry.address = in.int32();
        in.skip(2 * kLinkBytes);
        if (!entry.nameText().empty())
            table.insert(entry.nameText(), entry.bit, entry.banks, entry.address);
    }
    return sectionClosed(in, count);
}

ReadStatus readSections(ByteReader& in, ProgramDocument& doc)
{
    if (!readLines(in, doc))
        return ReadStatus::BadSection1;
    if (!readComments(in, doc))
        return ReadStatus::BadSection2;
    if (!readRegisterFile(in, doc.registerFile0) || !readUserRegisters(in, doc.userSfrNames0)
        || !readUserRegisters(in, doc.userRegisters0) || !readRegisterFile(in, doc.registerFile1)
        || !readUserRegisters(in, doc.userSfrNames1) || !readUserRegisters(in, doc.userRegisters1))
        return ReadStatus::BadSection3;
    if (!readNameValues(in, doc.literals) || !readNameValues(in, doc.labels))
        return ReadStatus::BadSection4;
    if (!readBits(in, doc.userBits))
        return ReadStatus::BadSection5;
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

std::size_t encodedSize(const ProgramDocument& doc, std::size_t lineCount)
{
    const auto registers = [](const RegisterTable& t) { return t.entries().size(); };
    constexpr std::size_t kCountsAndMarkers = (5 + 9 * 2) * 4;  // 5 before the nine tables, 2 in each
    return kCountsAndMarkers
        + lineCount * kLineRecordSize + doc.comments.entries().size() * kCommentRecordSize
        + (registers(doc.registerFile0) + registers(doc.userSfrNames0) + registers(doc.userRegisters0)
           + registers(doc.registerFile1) + registers(doc.userSfrNames1) + registers(doc.userRegisters1))
              * kRegisterRecordSize
        + (doc.literals.entries().size() + doc.labels.entries().size()) * kNameValueRecordSize
        + doc.userBits.entries().size() * kBitRecordSize;
}

void writeRegisters(ByteWriter& out, const RegisterTable& table)
{
    out.int32(table.count());
    for (const RegisterEntry& entry : table) {
        out.text(entry.name);
        out.int32(entry.address);
        out.zeros(2 * kLinkBytes);
    }
    out.int32(kMarker);
}

void writeNameValues(ByteWriter& out, const NameValueTable& table)
{
    out.int32(table.count());
    for (const NameValueEntry& entry : table) {
        out.text(entry.name);
        out.text(entry.value);
        out.zeros(2 * kLinkBytes);
    }
    out.int32(kMarker);
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
    const ReadStatus status = readSections(in, *doc);
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
    // The header line belongs to every document and is never stored.
    std::size_t lineCount = 0;
    for (const ProgramLine& line : doc.lines)
        lineCount += line.code != kHeaderCode ? 1 : 0;

    ByteWriter out(encodedSize(doc, lineCount));
    out.int32(kMarker);
    out.int32(static_cast<std::int32_t>(lineCount));
    for (const ProgramLine& line : doc.lines) {
        if (line.code == kHeaderCode)
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
    out.int32(kMarker);

    out.int32(doc.comments.count());
    std::int32_t index = 0;
    for (const CommentRecord& record : doc.comments) {
        out.text(record.text);
        out.int32(++index);
        out.zeros(kLinkBytes);
    }
    out.int32(kMarker);

    writeRegisters(out, doc.registerFile0);
    writeRegisters(out, doc.userSfrNames0);
    writeRegisters(out, doc.userRegisters0);
    writeRegisters(out, doc.registerFile1);
    writeRegisters(out, doc.userSfrNames1);
    writeRegisters(out, doc.userRegisters1);
    writeNameValues(out, doc.literals);
    writeNameValues(out, doc.labels);

    out.int32(doc.userBits.count());
    for (const BitEntry& entry : doc.userBits) {
        out.text(entry.name);
        out.int32(entry.bit);
        out.int32(entry.banks);
        out.int32(entry.address);
        out.zeros(2 * kLinkBytes);
    }
    out.int32(kMarker);
    return out.take();
}

WriteStatus writeProgramFile(const std::string& path, const ProgramDocument& document, WriteError* error)
{
    return writeFileSafely(path, encodeProgramFile(document), error);
}

} // namespace tarvik
