// A program of every instruction written only through the entry dialogs, saved, read back and
// converted: its HEX file must describe the memory gpasm makes of the same program as source.

#include "assembler/ConvertToHex.h"
#include "dialogs/instruction/EntryDialogs.h"
#include "dialogs/instruction/TEntryDialog.h"
#include "editor/TMDIChild.h"
#include "files/ProgramFile.h"
#include "FakeScreen.h"
#include "TempDir.h"
#include "../assembler/HexText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <functional>

using namespace tarvik;

class DialogProgramTest : public QObject {
    Q_OBJECT

    DeviceDefaults defaults;
    test::FakeScreen screen;
    std::unique_ptr<TMDIChild> view;
    std::unique_ptr<TEntryDialog> dialog;

    void type(const char* name, const char* text)
    {
        auto* box = dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
        if (!box)
            box = dialog->findChild<QComboBox*>(QString::fromLatin1(name))->lineEdit();
        QTest::keyClicks(box, QString::fromLatin1(text));
    }
    void pick(const char* name, int index)
    {
        auto* combo = dialog->findChild<QComboBox*>(QString::fromLatin1(name));
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    // Opens the dialog of the code as the palette does, lets fill() work its controls, presses OK.
    void enter(int code, const std::function<void()>& fill = {})
    {
        dialog = createEntryDialog(*entryKindOf(code), view->document(), screen, view.get());
        if (code != kOrgCode)
            dialog->prepareFor(code);
        dialog->show();
        if (fill)
            fill();
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("btnOK"));
        (ok ? ok : dialog->findChild<QPushButton*>(QStringLiteral("btnOk")))->click();
        QVERIFY2(!dialog->isVisible(), qPrintable(QStringLiteral("code %1 not written").arg(code)));
    }
    void byteOp(int code, const char* reg, int destinationIndex = -1)
    {
        enter(code, [&] {
            type("cbxF", reg);
            if (destinationIndex >= 0)
                pick("cbxDestination", destinationIndex);
        });
    }
    void withOperand(int code, const char* control, const char* operand, const char* label = "")
    {
        enter(code, [&] {
            type("txtLabel", label);
            type(control, operand);
        });
    }

private slots:
    void everyInstructionThroughTheDialogsMatchesGpasm()
    {
        view = std::make_unique<TMDIChild>(std::make_unique<ProgramDocument>(defaults));
        view->resize(500, 300);
        // The definition dialogs, answered as a user would fill them in.
        screen.onOffer = [](const std::string& kind, ProgramDocument& doc, std::string& name) {
            if (kind == "register") {
                doc.registerFile0.rename(0x20, name);
                doc.userRegisters0.insert(name, 0x20);
            } else if (kind == "bit") {
                doc.userBits.insert(name, 3, 0, 0x06);
            } else if (kind == "literal") {
                doc.literals.insert(name, "H'3C'");
            }
            return 1;
        };

        withOperand(27, "cbxK", "START");
        enter(kOrgCode, [&] { type("txtORG", "4"); });
        enter(30, [&] { type("txtLabel", "ISR"); });
        withOperand(13, "cbxF", "COUNT", "START");
        byteOp(1, "COUNT");
        byteOp(1, "COUNT", 1);
        byteOp(2, "PORTB");
        byteOp(3, "STATUS", 1);
        byteOp(4, "FSR");
        byteOp(5, "PCL", 1);
        byteOp(6, "COUNT");
        byteOp(6, "COUNT", 0);
        byteOp(7, "TMR0");
        byteOp(8, "COUNT", 0);
        byteOp(9, "COUNT");
        byteOp(10, "PORTA", 0);
        byteOp(11, "COUNT");
        byteOp(12, "COUNT", 0);
        byteOp(35, "COUNT");
        enter(14);
        enter(15);
        withOperand(16, "cbxBit", "RP0");
        withOperand(17, "cbxBit", "TRISB,3");
        enter(17, [&] {
            pick("cbxF", 3);
            pick("cbxBit", 5);
        });
        withOperand(18, "cbxBit", "LED");
        withOperand(19, "cbxBit", "C");
        withOperand(20, "cbxF", "COUNT", "LOOP");
        byteOp(21, "COUNT", 1);
        withOperand(22, "cbxK", "10");
        withOperand(23, "cbxK", "H'FF'");
        withOperand(24, "cbxK", "LIMIT");
        withOperand(25, "cbxK", "B'00001111'");
        withOperand(26, "cbxK", "'A'");
        withOperand(28, "cbxK", "SUB");
        withOperand(27, "cbxK", "LOOP");
        enter(kBlankCode, [&] { type("txtLabel", "SUB"); });
        withOperand(34, "cbxK", "5");
        withOperand(29, "cbxK", "0");
        enter(31);
        enter(32);
        view->document().setPendingComment("back to the caller");
        enter(33);
        QCOMPARE(screen.offers.size(), std::size_t(3));
        QVERIFY(screen.messages.empty());

        test::TempDir dir;
        QCOMPARE(writeProgramFile(dir.path("dialogs.qel"), view->document()), WriteStatus::Ok);
        ReadOutcome read = readProgramFile(dir.path("dialogs.qel"), defaults);
        QCOMPARE(read.status, ReadStatus::Ok);
        QCOMPARE(read.document->comments.textAt(read.document->lines.last()->commentIndex), "back to the caller");
        HexImage image;
        const ConvertOutcome outcome = convertToHex(*read.document, screen, image, dir.path("tarvik.hex"));
        QCOMPARE(outcome.status, ConvertStatus::Written);
        QCOMPARE(image.count(), 2 * 39);

        std::filesystem::copy_file(std::string(TARVIK_TEST_DATA_DIR) + "/asm/dialogs.asm", dir.path("dialogs.asm"));
        const std::string command =
            "cd '" + dir.root().string() + "' && gpasm -a inhx8m dialogs.asm > gpasm.log 2>&1";
        QVERIFY2(std::system(command.c_str()) == 0, test::readWholeFile(dir.path("gpasm.log")).c_str());
        const auto ours = test::parseIntelHex(test::readWholeFile(dir.path("tarvik.hex")));
        const auto theirs = test::parseIntelHex(test::readWholeFile(dir.path("dialogs.hex")));
        QVERIFY(ours && theirs);
        for (const auto& [address, byte] : *theirs)
            QVERIFY2(ours->count(address) && ours->at(address) == byte,
                     qPrintable(QStringLiteral("first difference at byte address %1").arg(address)));
        QVERIFY(*ours == *theirs);
    }
};

QTEST_MAIN(DialogProgramTest)
#include "DialogProgramTest.moc"
