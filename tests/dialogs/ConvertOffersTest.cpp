#include "app/TMainForm.h"
#include "assembler/TfrmHexFile.h"
#include "dialogs/symbols/TfrmLabels.h"
#include "dialogs/symbols/TfrmNewConstants.h"
#include "dialogs/symbols/TfrmNewRegisters.h"
#include "editor/TMDIChild.h"

#include "../assembler/ProgramBuilder.h"
#include "MainWindowFixture.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

using tarvik::test::ModalHand;

namespace {

void press(QDialog& dialog, const char* button)
{
    dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click();
}

} // namespace

class ConvertOffersTest : public QObject, private tarvik::test::MainWindowFixture<tarvik::test::RecordingQtScreen> {
    Q_OBJECT

    tarvik::DeviceDefaults defaults;
    TMDIChild* view = nullptr;

    tarvik::ProgramDocument& open(const std::function<void(tarvik::test::ProgramBuilder&)>& build)
    {
        auto doc = std::make_unique<tarvik::ProgramDocument>(defaults);
        tarvik::test::ProgramBuilder builder(*doc);
        build(builder);
        doc->fileName = "offer.qel";
        doc->untitled = false;
        doc->resetCursorToTop();
        view = form->addDocumentWindow(std::move(doc), QStringLiteral("offer.qel"));
        return view->document();
    }

    int cursorLine() const { return view->topIndex() + view->cursorRow(); }

    // Convert to Hex, closing the viewer if it opens; whether it did.
    bool convertsToHex()
    {
        ModalHand hand([](QDialog& viewer) { press(viewer, "Button1"); });
        form->btnHexClick();
        return hand.seen == "TfrmHexFile";
    }

private slots:
    void init() { initFixture(); }
    void cleanup() { cleanupFixture(); }

    void anUndefinedRegisterIsDefinedFromTheFailedConversion()
    {
        tarvik::ProgramDocument& doc = open([](tarvik::test::ProgramBuilder& p) {
            p.line(15);
            p.line(7, "COUNT");
        });
        QString preset;
        int lineWhenOffered = -1;
        ModalHand hand([&](QDialog& dialog) {
            preset = dialog.findChild<QLineEdit*>(QStringLiteral("txtName0"))->text();
            lineWhenOffered = cursorLine();
            press(dialog, "btnOk");
        });
        form->btnHexClick();
        QCOMPARE(hand.seen, QStringLiteral("TfrmNewRegisters"));
        QCOMPARE(preset, QStringLiteral("COUNT"));
        QCOMPARE(lineWhenOffered, 2);
        QCOMPARE(screen->messages, std::vector<std::string>{"Error in line 2: symbol not previously defined (COUNT)."});
        QCOMPARE(form->statusPanelText(4), QStringLiteral("Modified"));

        QVERIFY(convertsToHex());
        QVERIFY(doc.registerFile0.holdsName("COUNT"));
        QVERIFY(QFile::exists(folder->filePath(QStringLiteral("offer.hex"))));
    }

    void aLiteralAddedUnderAnotherNameRenamesTheOperand()
    {
        tarvik::ProgramDocument& doc = open([](tarvik::test::ProgramBuilder& p) { p.line(22, "COUNT"); });
        ModalHand hand([](QDialog& dialog) {
            QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("txtConstant"))->text(), QStringLiteral("COUNT"));
            dialog.findChild<QLineEdit*>(QStringLiteral("txtConstant"))->setText(QStringLiteral("COUNTER"));
            dialog.findChild<QLineEdit*>(QStringLiteral("txtValue"))->setText(QStringLiteral("5"));
            press(dialog, "btnAdd");
        });
        form->btnHexClick();
        QCOMPARE(hand.seen, QStringLiteral("TfrmNewConstants"));
        QCOMPARE(doc.lines.last()->operandText(), std::string_view("COUNTER"));
        QVERIFY(convertsToHex());
    }

    void aMissingLabelIsAddedOnlyByAdd()
    {
        tarvik::ProgramDocument& doc = open([](tarvik::test::ProgramBuilder& p) {
            p.line(15, {}, 0, "LOOP");
            p.line(27, "LOOP");
        });
        doc.labels.remove("LOOP");
        for (const char* button : {"Button2", "Button1"}) {
            ModalHand hand([button](QDialog& dialog) {
                QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("txtNewLabel"))->text(), QStringLiteral("LOOP"));
                press(dialog, button);
            });
            form->btnHexClick();
            QCOMPARE(hand.seen, QStringLiteral("TfrmLabels"));
            QCOMPARE(cursorLine(), 1);
            QCOMPARE(doc.labels.holds("LOOP"), std::string(button) == "Button1");
        }
        QCOMPARE(screen->messages.size(), std::size_t(2));
        QVERIFY(convertsToHex());
    }

    void anEntryDialogDefinesAnUnknownRegisterThroughTheOffer()
    {
        tarvik::ProgramDocument& doc = open([](tarvik::test::ProgramBuilder& p) { p.line(15); });
        doc.lines.setCursor(doc.lines.last());
        bool openAfterCancel = false;
        int linesAfterCancel = 0;
        QString offered;
        ModalHand entry([&](QDialog& dialog) {
            QTest::keyClicks(dialog.findChild<QComboBox*>(QStringLiteral("cbxF"))->lineEdit(), QStringLiteral("COUNT"));
            {
                ModalHand cancel([](QDialog& registers) { press(registers, "Button1"); });
                press(dialog, "btnOK");
                offered = cancel.seen;
            }
            openAfterCancel = dialog.isVisible();
            linesAfterCancel = doc.lines.count();
            ModalHand add([](QDialog& registers) {
                registers.findChild<QLineEdit*>(QStringLiteral("txtName0"))->setText(QStringLiteral("COUNTER"));
                press(registers, "btnOk");
            });
            press(dialog, "btnOK");
        });
        form->runInstructionDialog(7);  // movwf
        QCOMPARE(entry.seen, QStringLiteral("TfrmOneF"));
        QCOMPARE(offered, QStringLiteral("TfrmNewRegisters"));
        QVERIFY(openAfterCancel);
        QCOMPARE(linesAfterCancel, 2);
        QCOMPARE(doc.lines.count(), 3);
        QCOMPARE(doc.lines.last()->operandText(), std::string_view("COUNTER"));
        QCOMPARE(doc.registerFile0.addressOf("COUNTER"), 0x0C);
        QVERIFY(convertsToHex());
    }

    void anOrgThatGoesBackOpensInItsEditDialog()
    {
        tarvik::ProgramDocument& doc = open([](tarvik::test::ProgramBuilder& p) {
            p.line(15);
            p.line(15);
            p.org("1");
            p.line(15);
        });
        int lineWhenOpened = -1;
        ModalHand hand([&](QDialog& dialog) {
            lineWhenOpened = cursorLine();
            auto* address = dialog.findChild<QLineEdit*>(QStringLiteral("txtORG"));
            QCOMPARE(address->text(), QStringLiteral("1"));
            address->setText(QStringLiteral("4"));
            press(dialog, "btnOk");
        });
        form->btnHexClick();
        QCOMPARE(hand.seen, QStringLiteral("TfrmOrg"));
        QCOMPARE(lineWhenOpened, 3);
        QCOMPARE(screen->messages, std::vector<std::string>{"Error in line 3: overwriting previous address contents."});
        QCOMPARE(doc.lines.count(), 5);  // rewritten in place, not inserted
        QVERIFY(convertsToHex());
    }

    void aJumpToALabelOnNoLineIsAnError()
    {
        tarvik::ProgramDocument& doc = open([](tarvik::test::ProgramBuilder& p) {
            p.line(15);
            p.line(28, "GONE");
        });
        doc.labels.insert("GONE", "");
        QVERIFY(!convertsToHex());
        QCOMPARE(screen->messages, std::vector<std::string>{"Error in line 2: symbol not previously defined (GONE)."});
        QCOMPARE(cursorLine(), 2);
        QVERIFY(!QFile::exists(folder->filePath(QStringLiteral("offer.hex"))));
    }
};

QTEST_MAIN(ConvertOffersTest)
#include "ConvertOffersTest.moc"
