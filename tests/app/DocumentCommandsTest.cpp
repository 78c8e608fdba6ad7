// The contract every document command of the main window keeps: with no document open it
// does nothing; with one, it is one undo step under its name, and afterwards the status bar
// and the menus show the document as it then stands. A dialog a command opens stands in
// for the person by changing the program before it is closed.

#include "app/TMainForm.h"
#include "editor/TMDIChild.h"
#include "model/InstructionCode.h"

#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"
#include "MainWindowFixture.h"

#include <QAction>
#include <QTest>

#include <functional>

using tarvik::test::FakeScreen;
using tarvik::test::ModalHand;

namespace {

struct DocumentCommand {
    const char* name;
    std::function<void(TMainForm&)> run;
    const char* undoName;  // empty: no step of its own
    bool modifies;
};

std::function<void(TMainForm&)> handler(void (TMainForm::*click)())
{
    return [click](TMainForm& form) { (form.*click)(); };
}

std::function<void(TMainForm&)> menuItem(const char* name)
{
    return [name](TMainForm& form) { form.findChild<QAction*>(QString::fromLatin1(name))->trigger(); };
}

std::function<void(TMainForm&)> instruction(int code)
{
    return [code](TMainForm& form) { form.runInstructionDialog(code); };
}

const std::vector<DocumentCommand>& documentCommands()
{
    static const std::vector<DocumentCommand> commands = {
        {"Cut", handler(&TMainForm::btnCutQELClick), "Cut", true},
        {"Copy", handler(&TMainForm::btnCopyQELClick), "", false},
        {"Paste", handler(&TMainForm::btnPasteQELClick), "Paste", true},
        {"Delete", handler(&TMainForm::Delete2Click), "Delete", true},
        {"Select All", handler(&TMainForm::Se1Click), "Select All", false},
        {"Find", handler(&TMainForm::Find1Click), "Find", true},
        {"Replace", handler(&TMainForm::Replace1Click), "Replace", true},
        {"Registers", handler(&TMainForm::Registers1Click), "Registers", true},
        {"Bits", handler(&TMainForm::Bits1Click), "Bits", true},
        {"Literals", handler(&TMainForm::Constants1Click), "Literals", true},
        {"Add Register", handler(&TMainForm::btnAddRegisterClick), "Add Register", true},
        {"Add Bit", handler(&TMainForm::btnAddBitClick), "Add Bit", true},
        {"Add Literal", handler(&TMainForm::btnAddLiteralClick), "Add Literal", true},
        {"Convert to Hex", handler(&TMainForm::btnHexClick), "Convert to Hex", true},
        {"Configuration Word", menuItem("ConfigurationWord1"), "Configuration Word", true},
        {"EEPROM Data", menuItem("EepromData1"), "EEPROM Data", true},
        {"Program Chip", menuItem("ProgramChip1"), "Program Chip", true},
        {"palette nop", instruction(15), "Insert nop", true},
        {"ORG", instruction(tarvik::kOrgCode), "ORG", true},
        {"Insert Blank", instruction(tarvik::kBlankCode), "Insert Blank", true},
        {"Edit", handler(&TMainForm::editCurrentLine), "Edit", true},
        {"Undo", handler(&TMainForm::Undo1Click), "", false},
        {"Redo", handler(&TMainForm::Redo1Click), "", false},
        {"Save", handler(&TMainForm::FileSaveItemClick), "", false},
        {"Save As", handler(&TMainForm::FileSaveAsItemClick), "", false},
        {"Export", handler(&TMainForm::FileExportItemClick), "", false},
    };
    return commands;
}

// Whatever dialog the command opens changes the program, as a person's entry would, and closes.
ModalHand changingHand(TMDIChild* view)
{
    return ModalHand([view](QDialog& dialog) {
        tarvik::ProgramDocument& document = view->document();
        document.lines.last()->commentIndex = document.comments.append("changed in the dialog");
        document.modified = true;
        dialog.reject();
    });
}

} // namespace

class DocumentCommandsTest : public QObject, private tarvik::test::MainWindowFixture<FakeScreen> {
    Q_OBJECT

private slots:
    void init() { initFixture(); }
    void cleanup() { cleanupFixture(); }

    void eachCommand_data()
    {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < documentCommands().size(); ++i)
            QTest::newRow(documentCommands()[i].name) << static_cast<int>(i);
    }

    void eachCommand()
    {
        QFETCH(int, row);
        const DocumentCommand& command = documentCommands()[static_cast<std::size_t>(row)];
        TMainForm form;
        start(form);

        form.WindowCloseAllItemClick();
        QVERIFY(form.documentWindows().isEmpty());
        {
            ModalHand hand([](QDialog& dialog) { dialog.reject(); });
            command.run(form);
            QCOMPARE(hand.seen, QString());
        }
        QVERIFY(form.documentWindows().isEmpty());
        QVERIFY(screen.events.empty());

        static const tarvik::DeviceDefaults defaults;
        auto program = std::make_unique<tarvik::ProgramDocument>(defaults);
        tarvik::test::ProgramBuilder(*program).line(15, {}, 0, {}, tarvik::LineState::Selected);
        tarvik::test::ProgramBuilder(*program).line(24, "5");
        TMDIChild* view = form.addDocumentWindow(std::move(program), QStringLiteral("commands.qel"));
        view->MoveCursorToLine(1);
        form.btnCopyQELClick();  // something to paste
        const std::size_t stepsBefore = view->undoHistory().undoCount();
        {
            const ModalHand hand = changingHand(view);
            command.run(form);
        }
        const tarvik::ProgramDocument& document = view->document();
        const std::string undoName = command.undoName;
        QCOMPARE(view->undoHistory().undoCount(), stepsBefore + (undoName.empty() ? 0 : 1));
        if (!undoName.empty())
            QCOMPARE(view->undoHistory().undoName(), undoName);
        QCOMPARE(document.modified, command.modifies);

        QCOMPARE(form.statusPanelText(4), command.modifies ? QStringLiteral("Modified") : QString());
        auto* undoItem = form.findChild<QAction*>(QStringLiteral("Undo1"));
        QCOMPARE(undoItem->isEnabled(), !undoName.empty());
        QCOMPARE(undoItem->text(), undoName.empty() ? QStringLiteral("&Undo")
                                                    : QStringLiteral("&Undo ") + QString::fromLatin1(undoName.c_str()));
        QCOMPARE(form.findChild<QAction*>(QStringLiteral("Cut1"))->isEnabled(), document.lines.countSelected() > 0);
    }
};

QTEST_MAIN(DocumentCommandsTest)
#include "DocumentCommandsTest.moc"
