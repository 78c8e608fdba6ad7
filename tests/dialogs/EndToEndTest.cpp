// A program built as a user would: palette buttons, entry dialogs, the definition dialogs
// their offers open, a comment, an Inactive line, a Cut and Paste; saved, closed, opened
// again and converted. Its HEX file must describe the memory gpasm makes of the same
// program written by hand, byte for byte at every address (the two writers cut their
// records at different places, so the texts differ).

#include "app/TMainForm.h"
#include "editor/TMDIChild.h"
#include "model/InstructionCode.h"

#include "../assembler/HexText.h"
#include "MainWindowFixture.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <cstdlib>
#include <functional>
#include <optional>

using tarvik::test::ModalHand;

namespace {

QPushButton* buttonCaptioned(QDialog& dialog, const QString& caption)
{
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == caption && button->isVisible())
            return button;
    qFatal("no button %s", qPrintable(caption));
}

void type(QDialog& dialog, const char* name, const char* text)
{
    auto* box = dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
    if (!box)
        box = dialog.findChild<QComboBox*>(QString::fromLatin1(name))->lineEdit();
    QTest::keyClicks(box, QString::fromLatin1(text));
}

} // namespace

class EndToEndTest : public QObject, private tarvik::test::MainWindowFixture<tarvik::test::RecordingQtScreen> {
    Q_OBJECT

    QStringList opened;  // every dialog class that opened, in order

    // Presses the palette button of the code (or, for ORG, the context menu's item), fills
    // the entry dialog and presses its OK; offer answers the definition dialog that OK opens.
    void enter(int code, const std::function<void(QDialog&)>& fill = {},
               const std::function<void(QDialog&)>& offer = {})
    {
        bool closed = false;
        ModalHand hand([&](QDialog& dialog) {
            if (fill)
                fill(dialog);
            std::optional<ModalHand> definition;
            if (offer)
                definition.emplace([&](QDialog& d) {
                    opened << QString::fromLatin1(d.metaObject()->className());
                    offer(d);
                });
            buttonCaptioned(dialog, QStringLiteral("&OK"))->click();
            closed = !dialog.isVisible();
        });
        if (code == tarvik::kOrgCode) {
            form->runInstructionDialog(code);
        } else {
            QString mnemonic = QString::fromLatin1(tarvik::instructionInfo(code)->mnemonic.data());
            mnemonic[0] = mnemonic[0].toUpper();
            form->findChild<QToolButton*>(QStringLiteral("btn") + mnemonic)->click();
        }
        opened << hand.seen;
        QVERIFY2(closed, qPrintable(QStringLiteral("code %1 not written").arg(code)));
    }
    void withOperand(int code, const char* control, const char* operand, const char* label = "",
                     const std::function<void(QDialog&)>& offer = {})
    {
        enter(code, [&](QDialog& d) {
            type(d, "txtLabel", label);
            type(d, control, operand);
        }, offer);
    }
    TMDIChild* view() const { return form->activeChild(); }

private slots:
    void init() { initFixture(); }
    void cleanup() { cleanupFixture(); }

    void aProgramBuiltThroughTheDialogsMatchesGpasm()
    {
        QVERIFY(view());
        withOperand(27, "cbxK", "START");
        enter(tarvik::kOrgCode, [](QDialog& d) { type(d, "txtORG", "4"); });
        enter(30, [](QDialog& d) { type(d, "txtLabel", "ISR"); });
        withOperand(13, "cbxF", "COUNT", "START", [](QDialog& registers) {
            QCOMPARE(registers.findChild<QLineEdit*>(QStringLiteral("txtName0"))->text(), QStringLiteral("COUNT"));
            registers.findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        });
        withOperand(16, "cbxBit", "RP0");
        withOperand(13, "cbxF", "TRISB");
        withOperand(17, "cbxBit", "RP0");
        enter(24, [&](QDialog& d) {
            type(d, "cbxK", "MAX");
            ModalHand comment([](QDialog& c) {
                type(c, "txtComment", "the limit");
                c.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
            });
            for (QPushButton* button : d.findChildren<QPushButton*>())
                if (button->objectName().contains(QStringLiteral("Comment")))
                    button->click();
            opened << comment.seen;
        }, [](QDialog& literals) {
            type(literals, "txtValue", "200");
            literals.findChild<QPushButton*>(QStringLiteral("btnAdd"))->click();
        });
        withOperand(7, "cbxF", "COUNT");
        withOperand(16, "cbxBit", "LED", "", [](QDialog& bits) {
            bits.findChild<QListWidget*>(QStringLiteral("lbxRegisters0"))->setCurrentRow(5);
            bits.findChild<QListWidget*>(QStringLiteral("lbxBits0"))->setCurrentRow(4);
            bits.findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        });
        withOperand(21, "cbxF", "COUNT", "LOOP");
        withOperand(27, "cbxK", "LOOP");
        withOperand(28, "cbxK", "SUB");
        withOperand(8, "cbxF", "COUNT");
        enter(15);
        view()->ActiveInactive1Click();
        withOperand(19, "cbxBit", "Z");
        withOperand(1, "cbxF", "COUNT");
        withOperand(23, "cbxK", "H'0F'");
        withOperand(25, "cbxK", "B'00000001'");
        withOperand(26, "cbxK", "'A'");
        withOperand(34, "cbxK", "5");
        enter(14);
        enter(32);
        enter(31, [](QDialog& d) { type(d, "txtLabel", "SUB"); });
        withOperand(29, "cbxK", "0");
        enter(33);
        QCOMPARE(view()->document().lines.count(), 27);  // with the header line

        // retlw 0 goes after return: selected, cut, and pasted after the last line.
        QTest::keyClick(view(), Qt::Key_Up);
        view()->SelectDeselect1Click();
        form->btnCutQELClick();
        for (int i = 0; i < 30; ++i)
            QTest::keyClick(view(), Qt::Key_Down);
        form->btnPasteQELClick();
        QCOMPARE(view()->document().lines.last()->operandText(), std::string_view("0"));

        for (const char* dialog : {"TfrmOneF", "TfrmTwoF", "TfrmSkip2", "TfrmBit1", "TfrmLit1", "TfrmLit2", "TfrmZero",
                                   "TfrmOrg", "TfrmComment", "TfrmNewRegisters", "TfrmNewBits", "TfrmNewConstants"})
            QVERIFY2(opened.contains(QString::fromLatin1(dialog)), dialog);

        screen->file = folder->filePath(QStringLiteral("endtoend.qel")).toStdString();
        form->FileSaveAsItemClick();
        form->WindowCloseAllItemClick();
        QVERIFY(form->documentWindows().isEmpty());
        form->FileOpenItemClick();
        QVERIFY(view());
        tarvik::ProgramDocument& reopened = view()->document();
        QCOMPARE(reopened.comments.textAt(reopened.lines.stepForward(reopened.headerLine(), 8)->commentIndex),
                 std::string_view("the limit"));

        ModalHand viewer([](QDialog& d) { d.findChild<QPushButton*>(QStringLiteral("Button1"))->click(); });
        form->btnHexClick();
        QCOMPARE(viewer.seen, QStringLiteral("TfrmHexFile"));
        QVERIFY(screen->messages.empty());

        QVERIFY(QFile::copy(QStringLiteral(TARVIK_TEST_DATA_DIR "/asm/endtoend.asm"), folder->filePath("byhand.asm")));
        const std::string command = "cd '" + folder->path().toStdString() + "' && gpasm -a inhx8m byhand.asm > gpasm.log 2>&1";
        QVERIFY2(std::system(command.c_str()) == 0,
                 tarvik::test::readWholeFile(folder->filePath("gpasm.log").toStdString()).c_str());
        const auto ours = tarvik::test::parseIntelHex(tarvik::test::readWholeFile(folder->filePath("endtoend.hex").toStdString()));
        const auto theirs = tarvik::test::parseIntelHex(tarvik::test::readWholeFile(folder->filePath("byhand.hex").toStdString()));
        QVERIFY(ours && theirs);
        QCOMPARE(ours->size(), std::size_t(2 * 24));
        for (const auto& [address, byte] : *theirs)
            QVERIFY2(ours->count(address) && ours->at(address) == byte,
                     qPrintable(QStringLiteral("first difference at byte address %1").arg(address)));
        QVERIFY(*ours == *theirs);
    }
};

QTEST_MAIN(EndToEndTest)
#include "EndToEndTest.moc"
