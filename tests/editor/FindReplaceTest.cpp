#include "editor/FindReplace.h"

#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"

#include <gtest/gtest.h>

namespace tarvik {
namespace {

class FindReplace : public ::testing::Test {
protected:
    FindReplace()
    {
        test::ProgramBuilder p(doc);
        p.line(7, "COUNT");
        p.line(1, "count");
        p.inactive(10, "COUNT");
        p.line(16, "COUNT,1");
        p.line(3, "COUNT");
        p.org("COUNT");
        doc.lines.setCursor(doc.lines.last());
    }

    std::vector<int> states() const
    {
        std::vector<int> result;
        for (const ProgramLine& line : doc.lines)
            result.push_back(static_cast<int>(line.state));
        return result;
    }
    std::vector<std::string> operands() const
    {
        std::vector<std::string> result;
        for (const ProgramLine& line : doc.lines)
            result.emplace_back(line.operandText());
        return result;
    }

    DeviceDefaults defaults;
    ProgramDocument doc{defaults};
    test::FakeScreen screen;
};

TEST_F(FindReplace, FindSelectsEveryLineWhoseWholeOperandMatches)
{
    doc.lines.stepForward(doc.headerLine(), 2)->state = LineState::Selected;  // "count": stays Selected
    EXPECT_EQ(FindOperand(doc, screen, "COUNT"), 4);
    // header, COUNT, count, Inactive COUNT, COUNT,1, COUNT, ORG COUNT
    EXPECT_EQ(states(), (std::vector<int>{0, 2, 2, 2, 0, 2, 2}));
    EXPECT_EQ(doc.lines.cursor(), doc.headerLine());
    EXPECT_FALSE(doc.modified);
    EXPECT_TRUE(screen.messages.empty());

    EXPECT_EQ(FindOperand(doc, screen, "TEMP"), 0);
    EXPECT_EQ(FindOperand(doc, screen, ""), std::nullopt);
    EXPECT_EQ(screen.texts(), std::vector<std::string>{"Error!"});
    ReportNotFound(screen, "TEMP");
    EXPECT_EQ(screen.texts().back(), "Error! 'TEMP' is not exist!");
}

TEST_F(FindReplace, ReplaceRewritesMatchingOperandsOfEveryKindAndState)
{
    ASSERT_EQ(ReplaceOperand(doc, screen, "COUNT", "TEMP"), ReplaceResult::Replaced);
    EXPECT_EQ(operands(), (std::vector<std::string>{"", "TEMP", "count", "TEMP", "COUNT,1", "TEMP", "TEMP"}));
    EXPECT_EQ(states(), (std::vector<int>{0, 0, 0, 1, 0, 0, 0}));
    EXPECT_TRUE(doc.modified);
    EXPECT_EQ(doc.lines.cursor(), doc.headerLine());
    EXPECT_TRUE(screen.messages.empty());
}

TEST_F(FindReplace, RefusedReplacementsChangeNothing)
{
    struct Row {
        std::string oldText;
        std::string newText;
        std::string message;
        ReplaceResult result = ReplaceResult::Refused;
    };
    const Row rows[] = {
        {"COUNT", "2ND", "Sintax error: 2ND is not valid!"},
        {"COUNT", "", "Error!"},
        {"", "TEMP", "Error!"},
        // Reported by the dialog, once it has put the view back at the top.
        {"NOSUCH", "TEMP", "", ReplaceResult::NotFound},
        {"COUNT", "ABCDEFGHIJKLMNO", "Sintax error: ABCDEFGHIJKLMNO is not valid!"},
    };
    const std::vector<std::string> before = operands();
    for (const Row& row : rows) {
        screen.messages.clear();
        EXPECT_EQ(ReplaceOperand(doc, screen, row.oldText, row.newText), row.result) << row.newText;
        EXPECT_EQ(screen.texts(), row.message.empty() ? std::vector<std::string>{}
                                                       : std::vector<std::string>{row.message})
            << row.newText;
    }
    EXPECT_EQ(operands(), before);
    EXPECT_FALSE(doc.modified);
}

} // namespace
} // namespace tarvik
