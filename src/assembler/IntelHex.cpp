#include "assembler/IntelHex.h"

#include "files/SafeFile.h"
#include "model/HexDigit.h"
#include "model/Names.h"

#include <algorithm>

namespace tarvik {

namespace {

constexpr int kRecordBytes = 16;
constexpr std::size_t kMaxRecordBytes = 255;  // what the count byte can say

// Builds the record in a local buffer and appends it at once: the HEX text of a full
// program memory is written in the assembler's time budget.
void appendRecord(std::string& out, int type, int address, std::span<const std::uint8_t> data)
{
    data = data.first(std::min(data.size(), kMaxRecordBytes));
    char line[1 + 2 * (4 + kMaxRecordBytes + 1)];
    std::size_t length = 0;
    int sum = 0;
    const auto put = [&](int value) {
        line[length++] = hexDigit(static_cast<unsigned>(value) >> 4);
        line[length++] = hexDigit(static_cast<unsigned>(value));
        sum += value;
    };
    line[length++] = ':';
    put(static_cast<int>(data.size()));
    put((address >> 8) & 0xFF);
    put(address & 0xFF);
    put(type);
    for (std::uint8_t byte : data)
        put(byte);
    put((-sum) & 0xFF);
    out.append(line, length);
}

// Calls emit(address, data) for each data record, in append order.
template <typename Emit>
void forEachDataRecord(const HexImage& image, Emit&& emit)
{
    std::array<std::uint8_t, kRecordBytes> data{};
    int size = 0;
    int start = 0;
    for (int i = 0; i < image.count(); ++i) {
        const bool continues = size > 0 && size < kRecordBytes
            && image.addressAt(i) == image.addressAt(i - 1) + 1;
        if (size > 0 && !continues) {
            emit(start, std::span<const std::uint8_t>(data.data(), static_cast<std::size_t>(size)));
            size = 0;
        }
        if (size == 0)
            start = image.addressAt(i);
        data[static_cast<std::size_t>(size++)] = static_cast<std::uint8_t>(image.byteAt(i));
    }
    if (size > 0)
        emit(start, std::span<const std::uint8_t>(data.data(), static_cast<std::size_t>(size)));
}

} // namespace

std::string hexDataRecord(int address, std::span<const std::uint8_t> data)
{
    std::string record;
    appendRecord(record, 0, address, data);
    return record;
}

std::string hexEndRecord(int endAddress)
{
    std::string record;
    appendRecord(record, 1, endAddress, {});
    return record;
}

std::vector<std::string> intelHexRecords(const HexImage& image)
{
    std::vector<std::string> records;
    forEachDataRecord(image, [&](int address, std::span<const std::uint8_t> data) {
        records.push_back(hexDataRecord(address, data));
    });
    records.push_back(hexEndRecord(image.endAddress()));
    return records;
}

std::string intelHexText(const HexImage& image)
{
    std::string text;
    // 45 characters per full record with its line end.
    text.reserve(static_cast<std::size_t>(image.count() / kRecordBytes + 2) * 45);
    forEachDataRecord(image, [&](int address, std::span<const std::uint8_t> data) {
        appendRecord(text, 0, address, data);
        text += "\r\n";
    });
    appendRecord(text, 1, image.endAddress(), {});
    text += "\r\n";
    return text;
}

bool WriteIntelHex(Screen& screen, const std::string& fileName, const HexImage& image)
{
    const std::string text = intelHexText(image);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    WriteError cause;
    if (writeFileSafely(fileName, {bytes, text.size()}, &cause) == WriteStatus::Ok)
        return true;
    // The fixed text names the file, and does not say whether the folder, the file or the disk
    // is at fault: the second line does.
    const std::string detail = fileNameText(cause.describe());
    ReportError(screen, "Otvaranje fajla %s nije uspelo!%s%s", fileNameText(fileName).c_str(), detail.empty() ? "" : "\n",
                detail.c_str());
    return false;
}

} // namespace tarvik
