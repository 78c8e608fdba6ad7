#include "model/NameValueTable.h"
#include "model/RegisterTable.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvik {
namespace {

template <typename Table>
int plainPosition(const Table& table, std::string_view name)
{
    for (int i = 0; i < table.count(); ++i)
        if (table.at(i)->nameText() == name)
            return i + 1;
    return 0;
}

// The word-at-a-time lookup must agree with a plain comparison for names around the 8-byte
// word it compares first, and must ignore whatever follows a stored terminator.
TEST(NameLookup, AgreesWithPlainComparisonWhateverFollowsTheTerminator)
{
    RegisterTable registers;
    NameValueTable labels;
    const char* stored[] = {"ABCDEFGH", "ABCDEFG", "ABCDEFGHIJKLMN", "AB", "A", "ABCDEFGHX", "Z1234567"};
    for (const char* name : stored) {
        registers.insert(name, 0);
        labels.insert(name, "1");
    }
    // Bytes after the terminator carry no meaning; a file may leave anything there.
    for (int i = 0; i < registers.count(); ++i) {
        RegisterEntry& reg = *registers.at(i);
        NameValueEntry& label = *labels.at(i);
        for (std::size_t b = reg.nameText().size() + 1; b < sizeof reg.name; ++b)
            reg.name[b] = 'Q';
        for (std::size_t b = label.nameText().size() + 1; b < sizeof label.name; ++b)
            label.name[b] = 'H';
    }
    const std::string queries[] = {
        "", "A", "AB", "ABC", "ABCDEFG", "ABCDEFGH", "ABCDEFGHI", "ABCDEFGHX", "ABCDEFGHIJKLMN",
        "ABCDEFGHIJKLMNO", "ABCDEFGQ", "ABQ", "Z1234567", "Z123456", "Z12345678", "abcdefgh",
    };
    for (const std::string& query : queries) {
        EXPECT_EQ(registers.positionOf(query), plainPosition(registers, query)) << query;
        EXPECT_EQ(labels.positionOf(query), plainPosition(labels, query)) << query;
    }
    EXPECT_EQ(registers.positionOf("ABCDEFGH"), 1);
    EXPECT_EQ(labels.positionOf("ABCDEFGHIJKLMN"), 3);
    EXPECT_EQ(labels.findByName("NONE"), nullptr);
}

} // namespace
} // namespace tarvik
