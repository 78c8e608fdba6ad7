#pragma once

#include "ProgramBuilder.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace tarvik::test {

// Reads Intel HEX text (data, end and extended linear address records) into a memory image;
// nullopt for a malformed record or a wrong checksum.
inline std::optional<MemoryImage> parseIntelHex(const std::string& text)
{
    MemoryImage memory;
    std::istringstream in(text);
    std::string record;
    int upper = 0;
    bool ended = false;
    while (std::getline(in, record)) {
        if (!record.empty() && record.back() == '\r')
            record.pop_back();
        if (record.empty())
            continue;
        if (ended || record[0] != ':' || record.size() < 11 || record.size() % 2 == 0)
            return std::nullopt;
        std::vector<int> bytes;
        for (std::size_t i = 1; i < record.size(); i += 2)
            bytes.push_back(std::stoi(record.substr(i, 2), nullptr, 16));
        int sum = 0;
        for (int b : bytes)
            sum += b;
        const int count = bytes[0];
        if ((sum & 0xFF) != 0 || static_cast<int>(bytes.size()) != count + 5)
            return std::nullopt;
        const int address = bytes[1] << 8 | bytes[2];
        switch (bytes[3]) {
        case 0:
            for (int i = 0; i < count; ++i)
                memory[upper + address + i] = static_cast<std::uint8_t>(bytes[4 + static_cast<std::size_t>(i)]);
            break;
        case 1: ended = true; break;
        case 4: upper = (bytes[4] << 8 | bytes[5]) << 16; break;
        default: return std::nullopt;
        }
    }
    if (!ended)
        return std::nullopt;
    return memory;
}

inline std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace tarvik::test
