#include "model/BitTable.h"
#include "model/CommentTable.h"
#include "model/NameValueTable.h"
#include "model/RegisterTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tarvik {
namespace {

template <typename Table>
std::vector<std::string> names(const Table& table)
{
    std::vector<std::string> result;
    for (const auto& entry : table)
        result.emplace_back(entry.nameText());
    return result;
}

using Names = std::vector<std::string>;

TEST(RegisterTable, RemovalHandsTheCursorToTheSuccessorOrToThePredecessorOfTheLast)
{
    struct Row {
        const char* removed;
        const char* thenInserted;
        Names after;
    };
    const Row rows[] = {
        {"B", "X", {"A", "C", "X", "D"}},  // successor C became the cursor
        {"D", "X", {"A", "B", "C", "X"}},  // the last: predecessor C
        {"A", "X", {"B", "X", "C", "D"}},
    };
    for (const Row& row : rows) {
        RegisterTable table;
        int address = 12;
        for (const char* name : {"A", "B", "C", "D"})
            table.insert(name, address++);
        table.remove(row.removed);
        table.insert(row.thenInserted, 40);
        EXPECT_EQ(names(table), row.after) << row.removed;
    }
}

TEST(RegisterTable, LooksUpTheFirstEntryByNameOrAddress)
{
    RegisterTable table;
    table.insert("PORTB", 6);
    table.insert("LEDS", 0x0C);
    table.insert("PORTB", 0x86);
    EXPECT_EQ(table.positionOf("PORTB"), 1);
    EXPECT_EQ(table.positionOf("LEDS"), 2);
    EXPECT_EQ(table.positionOf("portb"), 0) << "names are case-sensitive";
    EXPECT_EQ(table.addressOf("PORTB"), 6);
    EXPECT_EQ(table.addressOf("NONE"), -1);
    EXPECT_EQ(table.at(3), nullptr);
    EXPECT_TRUE(table.rename(0x0C, "LAMPS"));
    EXPECT_FALSE(table.rename(0x2F, "NOWHERE"));
    EXPECT_EQ(names(table), (Names{"PORTB", "LAMPS", "PORTB"}));
    EXPECT_FALSE(table.holds(0x2F));
}

TEST(RegisterTable, NextFreeAddressIsTheLowestUnnamedOneOrTheBaseWhenAllAreNamed)
{
    struct Row {
        int base;
        std::vector<int> named;
        int expected;
    };
    std::vector<int> all0, all1;
    for (int i = 0; i < 36; ++i) {
        all0.push_back(12 + i);
        all1.push_back(140 + i);
    }
    const Row rows[] = {
        {12, {}, 12},
        {12, {12, 13}, 14},
        {12, {14, 13, 12}, 15},  // out of order: the walk restarts after each hit
        {12, {13, 15}, 12},
        {12, all0, 12},
        {140, {140}, 141},
        {140, all1, 140},
    };
    for (const Row& row : rows) {
        RegisterTable table;
        table.setBase(row.base);
        for (int address : row.named)
            table.insert("R", address);
        EXPECT_EQ(table.nextFreeAddress(), row.expected) << row.base << " with " << row.named.size();
    }
}

TEST(BitTable, RemovingOneBitOfARegisterLeavesItsOtherBits)
{
    BitTable bits;
    bits.insert("LED5", 5, 0, 0x0C);
    bits.insert("LED3", 3, 0, 0x0C);
    bits.insert("OTHER3", 3, 0, 0x0D);
    bits.remove(0x0C, 3);
    EXPECT_EQ(names(bits), (Names{"LED5", "OTHER3"}));
    EXPECT_EQ(bits.find(0x0C, 5)->nameText(), "LED5");
    EXPECT_EQ(bits.find(0x0C, 3), nullptr);
    EXPECT_EQ(bits.find("OTHER3")->address, 0x0D);
    EXPECT_EQ(bits.positionOf("LED3"), 0);
    bits.remove(0x2F, 0);
    EXPECT_EQ(bits.count(), 2);
}

TEST(NameValueTable, RelabelFollowsALinesLabel)
{
    struct Row {
        const char* from;
        const char* to;
        Names after;
        const char* valueOfStart;
    };
    const Row rows[] = {
        {"", "LOOP", {"START", "LOOP"}, "7"},
        {"LOOP", "", {"START"}, "7"},
        {"START", "BEGIN", {"BEGIN"}, nullptr},
        {"START", "START", {"START"}, "7"},
        {"", "", {"START"}, "7"},
        {"MISSING", "OTHER", {"START"}, "7"},
    };
    for (const Row& row : rows) {
        NameValueTable labels;
        labels.insert("START", "7");
        if (std::string_view(row.from) == "LOOP")
            labels.insert("LOOP", "");
        labels.relabel(row.from, row.to);
        EXPECT_EQ(names(labels), row.after) << row.from << " -> " << row.to;
        if (row.valueOfStart) {
            EXPECT_EQ(labels.valueOf("START"), row.valueOfStart);
        }
    }
    NameValueTable labels;
    labels.insert("START", "7");
    labels.relabel("START", "BEGIN");
    EXPECT_EQ(labels.valueOf("BEGIN"), "7") << "renaming keeps the value";
}

TEST(NameValueTable, EmptyNamesAreNeverEnteredAndClearingValuesKeepsTheNames)
{
    NameValueTable table;
    EXPECT_EQ(table.insert("", "5"), nullptr);
    EXPECT_EQ(table.count(), 0);
    table.insert("START", "0");
    table.insert("LOOP", "12");
    table.clearValues();
    EXPECT_EQ(table.valueOf("LOOP"), "");
    EXPECT_EQ(table.valueOf("NONE"), std::nullopt);
    EXPECT_EQ(names(table), (Names{"START", "LOOP"}));
}

TEST(CommentTable, IndexesStartAtOneAndAnythingElseReadsEmpty)
{
    CommentTable comments;
    EXPECT_EQ(comments.append("first"), 1);
    EXPECT_EQ(comments.append("second"), 2);
    comments.overwrite(1, "changed");
    comments.overwrite(9, "nowhere");
    for (int index : {0, -1, 3, INT32_MIN})
        EXPECT_EQ(comments.textAt(index), "") << index;
    EXPECT_EQ(comments.textAt(1), "changed");
    EXPECT_EQ(comments.textAt(2), "second");
    EXPECT_EQ(comments.count(), 2);
    EXPECT_EQ(comments.append(std::string(60, 'x')), 3);
    EXPECT_EQ(comments.textAt(3).size(), 51u);
}

} // namespace
} // namespace tarvik
