// Program text is Latin-1, sources are mostly UTF-8: import converts what becomes program
// text and says what it could not keep; export writes UTF-8, so that what it writes imports
// back as it was.

#include "mpasm/Import.h"
#include "mpasm/MpasmExport.h"
#include "mpasm/SourceText.h"

#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"
#include "ImportSummary.h"

#include <gtest/gtest.h>

namespace tarvik {
namespace {

using mpasm::SourceText;

TEST(MpasmSourceText, OnlyWellFormedUtf8IsReadAsUtf8)
{
    const std::vector<std::pair<std::string, bool>> rows = {
        {"", true},
        {"plain ASCII", true},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", true},
        {"caf\xE9", false},             // Latin-1
        {"\xC0\xAF", false},            // an overlong '/'
        {"\xED\xA0\x80", false},        // a surrogate
        {"\xF4\x90\x80\x80", false},    // past U+10FFFF
        {"\xE2\x82", false},            // cut short
        {"\xA9", false},                // a continuation byte alone
    };
    for (const auto& [text, utf8] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(SourceText::isValidUtf8(text), utf8);
        EXPECT_EQ(SourceText(text).isUtf8(), utf8);
    }
    EXPECT_EQ(SourceText("\xEF\xBB\xBF nop").text(), " nop");
}

TEST(MpasmSourceText, EveryLatin1ByteSurvivesTheTripThroughUtf8)
{
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all += static_cast<char>(byte);
    const std::string utf8 = mpasm::utf8FromLatin1(all);
    const SourceText source(utf8);
    ASSERT_TRUE(source.isUtf8());
    std::vector<std::uint32_t> lost;
    EXPECT_EQ(source.latin1(utf8, lost), all);
    EXPECT_TRUE(lost.empty());
}

std::unique_ptr<ProgramDocument> imported(const std::string& source, std::vector<ImportMessage>* notes = nullptr)
{
    static const DeviceDefaults defaults;
    ImportOutcome outcome = importMpasmSource(source, defaults);
    EXPECT_TRUE(outcome.document) << formatImportMessage("s.asm", *outcome.refusal);
    if (notes)
        *notes = outcome.notes;
    return std::move(outcome.document);
}

std::string commentOnLine(const ProgramDocument& doc, int number)
{
    const ProgramLine* line = doc.lines.first();
    for (int i = 0; i < number; ++i)
        line = line->next;
    return std::string(doc.comments.textAt(line->commentIndex));
}

TEST(MpasmSourceText, Utf8CommentBecomesLatin1AndWhatLatin1LacksIsNoted)
{
    std::vector<ImportMessage> notes;
    auto doc = imported(" nop\n nop ; caf\xC3\xA9 \xE2\x82\xAC\n", &notes);
    ASSERT_TRUE(doc);
    EXPECT_EQ(commentOnLine(*doc, 2), "caf\xE9 ?");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(formatImportMessage("s.asm", notes[0]), "s.asm:2: U+20AC written as ?: program text holds only Latin-1 characters");

    // One note a line, each character named once.
    doc = imported("; MPASM source exported by Tarvik for the PIC16C84 (gpasm -a inhx8m).\n"
                   ";#        movlw   a\xE2\x80\x94" "b ; \xE2\x82\xAC \xE2\x80\x94 \xE2\x82\xAC\n",
                   &notes);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->lines.first()->next->operandText(), "a?b");
    EXPECT_EQ(commentOnLine(*doc, 1), "? ? ?");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(formatImportMessage("s.asm", notes[0]),
              "s.asm:2: U+20AC U+2014 written as ?: program text holds only Latin-1 characters");

    // A source that is no UTF-8 is Latin-1 already.
    doc = imported(" nop ; caf\xE9 \xA4\n", &notes);
    ASSERT_TRUE(doc);
    EXPECT_EQ(commentOnLine(*doc, 1), "caf\xE9 \xA4");
    EXPECT_TRUE(notes.empty());

    // The code keeps its bytes, as gpasm reads them.
    EXPECT_EQ(test::importSummary(" dt \"\xC3\xA9\"\n"), "34C3 34A9");
    EXPECT_EQ(test::importSummary(" dt \"\xE9\"\n"), "34E9");
}

TEST(MpasmSourceText, Latin1ProgramTextExportsAsUtf8AndImportsBackTheSame)
{
    const DeviceDefaults defaults;
    ProgramDocument original(defaults);
    test::ProgramBuilder lines(original);
    lines.line(15).commentIndex = original.comments.append("caf\xE9 \xA9 \x85 na\xEFve");
    lines.inactive(24, "\xE9t\xE9");
    // As long as a comment field holds; twice as long in UTF-8.
    lines.blank().commentIndex = original.comments.append(std::string(51, '\xE9'));

    test::FakeScreen screen;
    std::string source;
    ASSERT_TRUE(exportMpasmSource(original, screen, source));
    EXPECT_NE(source.find("; caf\xC3\xA9 \xC2\xA9 \xC2\x85 na\xC3\xAFve"), std::string::npos) << source;
    EXPECT_NE(source.find("movlw   \xC3\xA9t\xC3\xA9"), std::string::npos) << source;

    std::vector<ImportMessage> notes;
    auto back = imported(source, &notes);
    ASSERT_TRUE(back);
    EXPECT_TRUE(notes.empty());
    std::vector<std::string> comments;
    for (const ProgramLine& line : back->lines)
        comments.push_back(std::string(back->comments.textAt(line.commentIndex)));
    std::vector<std::string> expected;
    for (const ProgramLine& line : original.lines)
        expected.push_back(std::string(original.comments.textAt(line.commentIndex)));
    EXPECT_EQ(comments, expected);
    EXPECT_EQ(back->lines.first()->next->next->operandText(), "\xE9t\xE9");
    std::string again;
    ASSERT_TRUE(exportMpasmSource(*back, screen, again));
    EXPECT_EQ(again, source);
}

} // namespace
} // namespace tarvik
