#include "app/TMainForm.h"
#include "assembler/TfrmHexFile.h"
#include "dialogs/search/TfrmFind.h"
#include "dialogs/search/TfrmReplace.h"
#include "dialogs/symbols/TfrmLabels.h"
#include "dialogs/symbols/TfrmNewBits.h"
#include "dialogs/symbols/TfrmNewConstants.h"
#include "dialogs/symbols/TfrmNewRegisters.h"
#include "dialogs/instruction/EntryDialogs.h"
#include "dialogs/instruction/TEntryDialog.h"
#include "dialogs/instruction/TfrmComment.h"
#include "editor/TMDIChild.h"
#include "model/InstructionCode.h"
#include "FakeScreen.h"
#include "Screenshots.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QHash>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace tarvik;
using tarvik::test::FakeScreen;

namespace {

template <typename T = QWidget>
T* control(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qWarning("no control named %s", name);
    return found;
}

// What a user's pick from a drop-down list does.
void pick(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void type(QComboBox* combo, const QString& text)
{
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), text);
}

// Answers the next modal dialog (the comment dialog) once it is up.
void whenModal(std::function<void(QWidget*)> answer)
{
    QTimer::singleShot(0, [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        answer(modal);
    });
}

void typeComment(const QString& text, bool confirm)
{
    whenModal([text, confirm](QWidget* modal) {
        auto* box = control<QLineEdit>(modal, "txtComment");
        box->clear();
        QTest::keyClicks(box, text);
        control<QPushButton>(modal, confirm ? "Button1" : "Button2")->click();
    });
}

// The control that has the keyboard focus, a combo for its edit box.
QWidget* focused()
{
    QWidget* widget = QApplication::focusWidget();
    if (widget && qobject_cast<QComboBox*>(widget->parentWidget()))
        return widget->parentWidget();
    return widget;
}

// Types a script at whatever has the focus: <Tab>, <Backtab>, <Down> and <Return> are keys,
// anything else is text.
void typeKeys(const QStringList& script)
{
    static const QHash<QString, Qt::Key> keys{{QStringLiteral("<Tab>"), Qt::Key_Tab},
                                              {QStringLiteral("<Backtab>"), Qt::Key_Backtab},
                                              {QStringLiteral("<Down>"), Qt::Key_Down},
                                              {QStringLiteral("<Return>"), Qt::Key_Return}};
    for (const QString& step : script) {
        QWidget* target = QApplication::focusWidget();
        QVERIFY2(target, qPrintable(step));
        if (keys.contains(step))
            QTest::keyClick(target, keys.value(step), step == QLatin1String("<Backtab>") ? Qt::ShiftModifier : Qt::NoModifier);
        else
            QTest::keyClicks(target, step);
    }
}

QString tabText(QWidget* dialog, const char* page)
{
    auto* tabs = control<QTabWidget>(dialog, "PageControl1");
    return tabs->tabText(tabs->indexOf(control(dialog, page)));
}

} // namespace

class EntryDialogsTest : public QObject {
    Q_OBJECT

    DeviceDefaults defaults;
    FakeScreen screen;
    std::unique_ptr<TMDIChild> view;
    std::unique_ptr<TEntryDialog> dialog;

    ProgramDocument& doc() { return view->document(); }
    const ProgramLine& cursorLine() { return *doc().lines.cursor(); }

    // Insert mode, as the palette opens it, but shown without a modal loop of its own.
    TEntryDialog& open(int code)
    {
        dialog = createEntryDialog(*entryKindOf(code), doc(), screen, view.get());
        if (code != kOrgCode)
            dialog->prepareFor(code);
        dialog->show();
        return *dialog;
    }
    // Edit mode of the cursor line; the caller keeps the scope for as long as it edits.
    TEntryDialog& openForEdit(EditModeScope&)
    {
        const int code = cursorLine().code;
        dialog = createEntryDialog(*entryKindOf(code), doc(), screen, view.get());
        dialog->LoadFromLine();
        if (code != kOrgCode)
            dialog->prepareFor(code);
        dialog->show();
        return *dialog;
    }
    bool ok()
    {
        control<QPushButton>(dialog.get(), dialog->findChild<QPushButton*>("btnOk") ? "btnOk" : "btnOK")->click();
        return !dialog->isVisible();
    }
    QComboBox* combo(const char* name) { return control<QComboBox>(dialog.get(), name); }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(dialog.get(), name); }
    QString text(const char* name) { return control<QLabel>(dialog.get(), name)->text(); }

private slots:
    void init()
    {
        screen = FakeScreen();
        view = std::make_unique<TMDIChild>(std::make_unique<ProgramDocument>(defaults));
        view->resize(500, 300);
    }
    void cleanup()
    {
        dialog.reset();
        view.reset();
    }

    // A keyboard user types the label, tabs to the operand, types it and presses Return: Tab
    // runs through the operand controls in reading order before the buttons, in every class.
    void keyboardReachesTheOperandBeforeTheButtons_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("tabCycle");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("operand");
        const QStringList byte{"txtLabel", "cbxF", "cbxDestination", "btnOK", "btnComment", "btnCancel"};
        QStringList skip = byte;
        skip[4] = QStringLiteral("txtComment");
        // Names that begin another one: recognising the short one must not swallow the rest.
        QTest::newRow("TfrmTwoF") << 1 << byte << QStringList{"HERE", "<Tab>", "PORTB", "<Return>"} << "HERE" << "PORTB";
        QTest::newRow("TfrmOneF") << 8 << byte << QStringList{"HERE", "<Tab>", "PCLATH", "<Return>"} << "HERE" << "PCLATH";
        QTest::newRow("TfrmSkip2") << 20 << skip << QStringList{"HERE", "<Tab>", "FSR", "<Return>"} << "HERE" << "FSR";
        // The bit box has the focus first; back to the label, then the register and its bit 0.
        QTest::newRow("TfrmBit1") << 16 << QStringList{"txtLabel", "cbxF", "cbxBit", "btnOK", "btnComment", "btnCancel"}
                                  << QStringList{"<Backtab>", "<Backtab>", "HERE", "<Tab>", "PORTB", "<Tab>", "<Down>", "<Return>"}
                                  << "HERE" << "RB0";
        QTest::newRow("TfrmBit1 typed") << 16 << QStringList{"txtLabel", "cbxF", "cbxBit", "btnOK", "btnComment", "btnCancel"}
                                        << QStringList{"INTEDG", "<Return>"} << "" << "INTEDG";
        QTest::newRow("TfrmLit1") << 24 << QStringList{"txtLabel", "cbxK", "btnOK", "btnComment", "btnCancel"}
                                  << QStringList{"HERE", "<Tab>", "LIMIT", "<Return>"} << "HERE" << "LIMIT";
        QTest::newRow("TfrmLit2") << 27 << QStringList{"txtLabel", "cbxK", "btnOk", "btnComment", "btnCancel"}
                                  << QStringList{"HERE", "<Tab>", "LOOP2", "<Return>"} << "HERE" << "LOOP2";
        QTest::newRow("TfrmZero") << 15 << QStringList{"txtLabel", "btnOK", "btnComment", "btnCancel"}
                                  << QStringList{"HERE", "<Tab>", "<Return>"} << "HERE" << "";
        QTest::newRow("TfrmOrg") << int(kOrgCode) << QStringList{"txtORG", "btnOk", "btnComment", "btnCancel"}
                                 << QStringList{"H'10'", "<Return>"} << "" << "H'10'";
    }
    void keyboardReachesTheOperandBeforeTheButtons()
    {
        QFETCH(int, code);
        QFETCH(QStringList, tabCycle);
        QFETCH(QStringList, keys);
        QFETCH(QString, label);
        QFETCH(QString, operand);
        doc().literals.insert("LIM", "1");
        doc().literals.insert("LIMIT", "2");
        doc().labels.insert("LOOP", {});
        doc().labels.insert("LOOP2", {});

        // The Tab cycle, from the first control back to it (ORG's OK needs an address first).
        open(code);
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        if (code == kOrgCode)
            typeKeys({"1"});
        control(dialog.get(), qPrintable(tabCycle[0]))->setFocus(Qt::OtherFocusReason);
        QStringList cycle;
        for (int i = 0; i <= tabCycle.size(); ++i) {
            cycle << focused()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(cycle, tabCycle + QStringList{tabCycle[0]});
        dialog->reject();

        // The whole entry by keys, from where the dialog puts the focus.
        open(code);
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        typeKeys(keys);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(doc().lines.count(), 2);
        QCOMPARE(std::string(cursorLine().labelText()), label.toStdString());
        QCOMPARE(std::string(cursorLine().operandText()), operand.toStdString());
        QVERIFY(screen.messages.empty());
        QVERIFY(screen.offers.empty());
    }

    void insertsAfterTheHeaderThenAfterTheNewLine()
    {
        QSignalSpy modified(view.get(), &TMDIChild::documentModified);
        QSignalSpy panels(view.get(), &TMDIChild::statusPanelChanged);
        const auto lastOf = [&](int panel) {
            QString text;
            for (const QList<QVariant>& call : panels)
                if (call[0].toInt() == panel)
                    text = call[1].toString();
            return text;
        };
        open(1);
        type(combo("cbxF"), "STATUS");
        QCOMPARE(dialog->operandKnown(), 1);
        doc().setPendingComment("the new line's own");
        QVERIFY(ok());
        // The status bar shows the new line's comment as the line appears.
        QCOMPARE(lastOf(0), QStringLiteral("the new line's own"));
        open(15);
        QVERIFY(ok());

        QCOMPARE(doc().lines.count(), 3);
        QCOMPARE(doc().lines.first()->next->operandText(), "STATUS");
        QCOMPARE(cursorLine().code, 15);
        QCOMPARE(view->cursorRow(), 2);
        QVERIFY(doc().modified);
        QCOMPARE(modified.count(), 2);
        QCOMPARE(lastOf(0), QString());
        QCOMPARE(lastOf(1), QStringLiteral("   2"));
        QCOMPARE(lastOf(2), QStringLiteral("None"));
        QVERIFY(screen.offers.empty());
    }

    void destinationFollowsEachClassMapping_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("wIndex");
        QTest::addColumn<int>("storedForW");
        QTest::addColumn<int>("storedForF");
        QTest::newRow("addwf") << 1 << "W register" << 0 << 0 << 1;
        QTest::newRow("incf") << 8 << "F register" << 0 << 1 << 0;
        QTest::newRow("incfsz") << 20 << "F register" << 1 << 1 << 0;
    }
    void destinationFollowsEachClassMapping()
    {
        QFETCH(int, code);
        QFETCH(QString, shown);
        QFETCH(int, wIndex);
        QFETCH(int, storedForW);
        QFETCH(int, storedForF);
        open(code);
        QCOMPARE(combo("cbxDestination")->currentText(), shown);
        QCOMPARE(dialog->destination(), 0);
        pick(combo("cbxDestination"), wIndex);
        QCOMPARE(dialog->destination(), storedForW);
        pick(combo("cbxDestination"), 1 - wIndex);
        QCOMPARE(dialog->destination(), storedForF);
        pick(combo("cbxDestination"), wIndex);
        type(combo("cbxF"), "PORTB");
        QVERIFY(ok());
        QCOMPARE(cursorLine().destination, storedForW);

        // Edit mode shows the stored choice again.
        EditModeScope editing(doc());
        openForEdit(editing);
        QCOMPARE(combo("cbxDestination")->currentText(), QStringLiteral("W register"));
        QCOMPARE(dialog->destination(), storedForW);
    }

    void movwfAndClrfAlwaysWriteToF()
    {
        for (int code : {7, 13}) {
            open(code);
            QVERIFY(!combo("cbxDestination")->isEnabled());
            QCOMPARE(combo("cbxDestination")->currentText(), QStringLiteral("F register"));
            type(combo("cbxF"), "FSR");
            QVERIFY(ok());
            QCOMPARE(cursorLine().destination, 0);
        }
    }

    void registerAndDescriptionPages()
    {
        open(1);
        auto* tabs = control<QTabWidget>(dialog.get(), "PageControl1");
        QCOMPARE(tabText(dialog.get(), "TabSheet2"), QStringLiteral("addwf "));
        QCOMPARE(tabText(dialog.get(), "TabSheet3"), QStringLiteral("Register"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Add W and f"));
        tabs->setCurrentIndex(1);
        QCOMPARE(text("labSyntax"), QStringLiteral("1. Syntax:   [label]   addwf  f,d"));
        QCOMPARE(text("labAffected"), QStringLiteral("2. Status affected: C,DC,Z"));
        QCOMPARE(text("labCycles"), QStringLiteral("3. Cycles: 1"));
        QCOMPARE(control(dialog.get(), "labSyntax")->width(), 228);

        type(combo("cbxF"), "STATUS");
        tabs->setCurrentIndex(2);
        QCOMPARE(text("labName"), QStringLiteral("1. Register: STATUS"));
        QCOMPARE(text("labAddress"), QStringLiteral("2. Address: H03 and H83"));
        QCOMPARE(text("labBank"), QStringLiteral("3. Bank: 0 and 1"));
        tabs->setCurrentIndex(0);
        type(combo("cbxF"), "NOSUCH");
        tabs->setCurrentIndex(2);
        QCOMPARE(text("labAddress"), QStringLiteral("2. Address: ?"));
        QCOMPARE(text("labBank"), QStringLiteral("3. Bank: ?"));
    }

    void unknownRegisterIsOfferedAndTheDialogStaysOpen()
    {
        open(8);
        type(combo("cbxF"), "COUNT");
        QCOMPARE(dialog->operandKnown(), 0);
        QVERIFY(!ok());
        QCOMPARE(screen.offers.size(), std::size_t(1));
        QCOMPARE(screen.offers[0].kind, std::string("register"));
        QCOMPARE(screen.offers[0].name, std::string("COUNT"));
        QCOMPARE(doc().lines.count(), 1);

        // Defined under another name, then a refused label: the new name stays, and a
        // second OK does not offer it again.
        screen.onOffer = [](const std::string&, ProgramDocument& d, std::string& name) {
            name = "COUNTER";
            d.registerFile0.rename(0x20, name);
            return 1;
        };
        edit("txtLabel")->setText(QStringLiteral("PORTA"));
        QVERIFY(!ok());
        QCOMPARE(combo("cbxF")->currentText(), QStringLiteral("COUNTER"));
        QCOMPARE(dialog->operandKnown(), 1);
        QCOMPARE(screen.messages.back().caption, std::string("Tarvik"));
        edit("txtLabel")->setText(QStringLiteral("LOOP"));
        QVERIFY(ok());
        QCOMPARE(screen.offers.size(), std::size_t(2));
        QCOMPARE(cursorLine().operandText(), "COUNTER");
        QVERIFY(doc().labels.holds("LOOP"));
    }

    void bitDialogListsAndRecognisesBits()
    {
        doc().registerFile0.rename(0x20, "ABCDEFGHIJKLM");
        open(16);
        QCOMPARE(combo("cbxF")->count(), 96);
        QCOMPARE(combo("cbxF")->currentIndex(), -1);
        pick(combo("cbxF"), 6);
        QCOMPARE(combo("cbxBit")->count(), 8);
        QCOMPARE(combo("cbxBit")->itemText(7), QStringLiteral("RB7"));
        QCOMPARE(combo("cbxBit")->currentText(), QString());

        // A bit too long for the operand field is listed but cannot be chosen.
        pick(combo("cbxF"), 0x20);
        auto* items = qobject_cast<QStandardItemModel*>(combo("cbxBit")->model());
        QVERIFY(!items->item(7)->isEnabled());

        type(combo("cbxBit"), "C");
        QCOMPARE(combo("cbxF")->currentIndex(), 3);
        QCOMPARE(combo("cbxBit")->currentText(), QStringLiteral("C"));
        QCOMPARE(combo("cbxBit")->currentIndex(), 0);
        QCOMPARE(dialog->operandKnown(), 1);

        // Another register empties the bit box; OK then writes nothing and asks nothing.
        pick(combo("cbxF"), 6);
        QCOMPARE(combo("cbxBit")->currentText(), QString());
        QVERIFY(!ok());
        QCOMPARE(doc().lines.count(), 1);
        QVERIFY(screen.offers.empty());
        QVERIFY(screen.messages.empty());

        type(combo("cbxBit"), "TRISB,3");
        QCOMPARE(combo("cbxF")->currentIndex(), 48 + 6);
        QCOMPARE(dialog->operandKnown(), 1);
        type(combo("cbxBit"), "PORTB,0");
        QCOMPARE(combo("cbxBit")->currentText(), QStringLiteral("RB0"));

        type(combo("cbxBit"), "STATUS,8");
        QCOMPARE(dialog->operandKnown(), 0);
        QCOMPARE(combo("cbxF")->currentIndex(), -1);
        QVERIFY(!ok());
        QCOMPARE(screen.offers.size(), std::size_t(1));
        QCOMPARE(screen.offers[0].kind, std::string("bit"));
        QCOMPARE(screen.offers[0].name, std::string("STATUS,8"));

        type(combo("cbxBit"), "Z");
        control<QTabWidget>(dialog.get(), "PageControl1")->setCurrentIndex(2);
        QCOMPARE(text("labAddress"), QStringLiteral("2. Address: H03,2 and H83,2"));
        QVERIFY(ok());
        QCOMPARE(cursorLine().operandText(), "Z");
        QCOMPARE(cursorLine().affectedText(), "None");

        // Editing shows the operand and its register; the bits wait for a register pick.
        ProgramLine bcf;
        bcf.code = 17;
        bcf.setOperand("TRISB,1");
        view->InsertLineAfterCursor(bcf);
        EditModeScope editing(doc());
        openForEdit(editing);
        QCOMPARE(combo("cbxBit")->currentText(), QStringLiteral("TRISB,1"));
        QCOMPARE(combo("cbxF")->currentIndex(), 48 + 6);
        QCOMPARE(combo("cbxBit")->count(), 0);
    }

    // The literal and label rules themselves are the core's; here: the dialogs stay open
    // on a refusal and write what was typed.
    void literalsBranchesAndLabels()
    {
        open(24);
        QVERIFY(!ok());  // empty: nothing happens
        QVERIFY(screen.messages.empty());
        type(combo("cbxK"), "256");
        QVERIFY(!ok());
        QCOMPARE(screen.texts(), std::vector<std::string>{"Syntax error:'256'"});
        type(combo("cbxK"), "H'FF'");
        QVERIFY(ok());
        QCOMPARE(cursorLine().operandText(), "H'FF'");

        open(27);
        QCOMPARE(tabText(dialog.get(), "TabSheet2"), QStringLiteral("Description"));
        edit("txtLabel")->setText(QStringLiteral("FIRST"));
        QVERIFY(ok());
        QCOMPARE(cursorLine().operandText(), "");
        open(28);
        type(combo("cbxK"), "LATER");
        edit("txtLabel")->setText(QStringLiteral("SECOND"));
        QVERIFY(ok());
        QCOMPARE(screen.messages.size(), std::size_t(1));

        EditModeScope editing(doc());
        openForEdit(editing);
        QCOMPARE(edit("txtLabel")->text(), QStringLiteral("SECOND"));
        QCOMPARE(combo("cbxK")->currentText(), QStringLiteral("LATER"));
        edit("txtLabel")->setText(QStringLiteral("FIRST"));
        QVERIFY(!ok());
        QCOMPARE(screen.messages.back().caption, std::string("Tarvik message"));
        edit("txtLabel")->clear();
        QVERIFY(ok());
        QVERIFY(!doc().labels.holds("SECOND"));
    }

    void commentsAttachOnlyThroughOk()
    {
        open(15);
        typeComment(QStringLiteral("dropped by Cancel"), true);
        control<QPushButton>(dialog.get(), "btnComment")->click();
        QCOMPARE(doc().pendingComment, std::string("dropped by Cancel"));
        control<QPushButton>(dialog.get(), "btnCancel")->click();
        QVERIFY(doc().pendingComment.empty());

        open(15);
        typeComment(QStringLiteral("dropped by the close box"), true);
        control<QPushButton>(dialog.get(), "btnComment")->click();
        dialog->close();
        QVERIFY(doc().pendingComment.empty());

        open(101);
        edit("txtORG")->setText(QStringLiteral("4"));
        typeComment(QStringLiteral("dropped by ORG's Cancel"), true);
        control<QPushButton>(dialog.get(), "btnComment")->click();
        control<QPushButton>(dialog.get(), "btnCancel")->click();
        QVERIFY(doc().pendingComment.empty());

        // Skip2 names its Comment button txtComment. A second opening shows the text
        // confirmed first, and the comment dialog's Cancel keeps it.
        open(20);
        typeComment(QStringLiteral("counts down"), true);
        control<QPushButton>(dialog.get(), "txtComment")->click();
        whenModal([](QWidget* modal) {
            QCOMPARE(control<QLineEdit>(modal, "txtComment")->text(), QStringLiteral("counts down"));
            control<QLineEdit>(modal, "txtComment")->setText(QStringLiteral("changed"));
            control<QPushButton>(modal, "Button2")->click();
        });
        control<QPushButton>(dialog.get(), "txtComment")->click();
        type(combo("cbxF"), "FSR");
        QVERIFY(ok());
        const int index = cursorLine().commentIndex;
        QCOMPARE(doc().comments.textAt(index), "counts down");
        QCOMPARE(view->cursorRow(), 1);

        // An edit that never opens the comment dialog leaves the comment as it was.
        EditModeScope editing(doc());
        openForEdit(editing);
        type(combo("cbxF"), "PCL");
        QSignalSpy panels(view.get(), &TMDIChild::statusPanelChanged);
        QVERIFY(ok());
        QVERIFY(panels.contains(QList<QVariant>{0, QStringLiteral("counts down")}));
        QCOMPARE(cursorLine().commentIndex, index);
        QCOMPARE(doc().comments.textAt(index), "counts down");
        QCOMPARE(doc().comments.count(), 1);
    }

    void orgDialog()
    {
        open(101);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("ORG"));
        auto* okButton = control<QPushButton>(dialog.get(), "btnOk");
        QVERIFY(!okButton->isEnabled());
        QTest::keyClick(edit("txtORG"), Qt::Key_1);
        QVERIFY(okButton->isEnabled());
        QTest::keyClick(edit("txtORG"), Qt::Key_Backspace);
        QVERIFY(!okButton->isEnabled());
        edit("txtORG")->setText(QStringLiteral("0x10"));
        QVERIFY(!ok());
        QCOMPARE(screen.texts(), std::vector<std::string>{"Syntax error!"});
        edit("txtORG")->setText(QStringLiteral("H'3FF'"));
        QVERIFY(ok());
        QCOMPARE(cursorLine().code, kOrgCode);
        QCOMPARE(cursorLine().operandText(), "H'3FF'");

        EditModeScope editing(doc());
        openForEdit(editing);
        QVERIFY(okButton = control<QPushButton>(dialog.get(), "btnOk"));
        QVERIFY(okButton->isEnabled());
        QCOMPARE(edit("txtORG")->text(), QStringLiteral("H'3FF'"));
        edit("txtORG")->setText(QStringLiteral("100"));
        QVERIFY(ok());
        QCOMPARE(cursorLine().operandText(), "100");
        QCOMPARE(doc().lines.count(), 2);
    }

    void blankLineShowsOnlyTheLabel()
    {
        open(kBlankCode);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Insert Blank"));
        auto* tabs = control<QTabWidget>(dialog.get(), "PageControl1");
        QCOMPARE(tabs->tabText(0), QStringLiteral("Blank"));
        QVERIFY(!tabs->isTabVisible(1));
        edit("txtLabel")->setText(QStringLiteral("HERE"));
        QVERIFY(ok());
        QCOMPARE(cursorLine().code, kBlankCode);
        QCOMPARE(cursorLine().affectedText(), "");
        QVERIFY(doc().labels.holds("HERE"));
    }

    void typedTextFitsTheLineFields()
    {
        open(15);
        QTest::keyClicks(edit("txtLabel"), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        QCOMPARE(edit("txtLabel")->text().size(), 12);
        open(16);
        QTest::keyClicks(edit("txtLabel"), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        QCOMPARE(edit("txtLabel")->text().size(), 13);
        type(combo("cbxBit"), QStringLiteral("ABCDEFGHIJ"));
        QCOMPARE(combo("cbxBit")->currentText().size(), 8);
        // Longer texts from the list are shown whole.
        pick(combo("cbxF"), 12);
        pick(combo("cbxBit"), 5);
        QCOMPARE(combo("cbxBit")->currentText(), QStringLiteral("GPR0H0C,5"));

        // Outside Latin-1: replaced where it is typed, so what is stored is what is shown.
        open(15);
        // One key event per character, as a keyboard delivers it: a character beyond the
        // basic plane comes as one event holding both halves.
        for (const QString& typed : {QStringLiteral("A"), QString::fromUtf8("\u03A9"), QStringLiteral("B"),
                                     QString::fromUtf8("\U0001F600")}) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
            QApplication::sendEvent(edit("txtLabel"), &press);
        }
        QCOMPARE(edit("txtLabel")->text(), QStringLiteral("A?B?"));
        QVERIFY(!ok());
        QCOMPARE(screen.messages.back().text, std::string("Sintax error: A?B? is not valid!"));

        // A stored comment longer than the box takes is shown whole and kept.
        doc().setPendingComment("a comment of more than twenty-eight characters");
        whenModal([](QWidget* modal) {
            QCOMPARE(control<QLineEdit>(modal, "txtComment")->text(),
                     QStringLiteral("a comment of more than twenty-eight characters"));
            control<QLineEdit>(modal, "txtComment")->end(false);
            QTest::keyClicks(control<QLineEdit>(modal, "txtComment"), QStringLiteral("xyz"));
            control<QPushButton>(modal, "Button1")->click();
        });
        control<QPushButton>(dialog.get(), "btnComment")->click();
        QCOMPARE(QString::fromStdString(doc().pendingComment), QStringLiteral("a comment of more than twenty-eight characters"));
    }

    void symbolListsAreFilledOncePerOpening()
    {
        doc().literals.insert("ONE", "1");
        open(24);
        whenModal([](QWidget* modal) { control<QPushButton>(modal, "Button2")->click(); });
        control<QPushButton>(dialog.get(), "btnComment")->click();
        dialog->hide();
        dialog->show();
        QCOMPARE(combo("cbxK")->count(), 1);
        type(combo("cbxK"), "ONE");
        QCOMPARE(dialog->operandKnown(), 1);
    }

    void paletteOpensEveryDialogWithItsCodeAndPreset()
    {
        TMainForm form;
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (const InstructionInfo& info : kInstructions) {
            QString seen;
            QString destination;
            whenModal([&](QWidget* modal) {
                seen = modal->objectName() + QLatin1Char(':') + modal->windowTitle();
                if (auto* box = modal->findChild<QComboBox*>(QStringLiteral("cbxDestination")))
                    destination = box->currentText();
                control<QPushButton>(modal, "btnCancel")->click();
            });
            form.runInstructionDialog(info.code);
            const char* classes[] = {"TfrmTwoF", "TfrmOneF", "TfrmSkip2", "TfrmBit1", "TfrmLit1", "TfrmLit2", "TfrmZero"};
            QCOMPARE(seen, QString::fromLatin1(classes[static_cast<int>(info.dialog)]) + QLatin1Char(':')
                               + QString::fromLatin1(info.dialogCaption.data(), info.dialogCaption.size()));
            if (info.code <= 5)
                QCOMPARE(destination, QStringLiteral("W register"));
            else if (info.shape == OperandShape::FD || info.shape == OperandShape::F)
                QCOMPARE(destination, QStringLiteral("F register"));
        }
        TMDIChild* child = form.activeChild();
        QCOMPARE(child->document().lines.count(), 1);

        // The editor's Edit: the line's dialog in edit mode; nothing on the header line.
        ProgramLine movlw;
        movlw.code = 24;
        movlw.setOperand("7");
        child->InsertLineAfterCursor(movlw);
        whenModal([](QWidget* modal) {
            QCOMPARE(modal->objectName(), QStringLiteral("TfrmLit1"));
            QCOMPARE(control<QComboBox>(modal, "cbxK")->currentText(), QStringLiteral("7"));
            control<QComboBox>(modal, "cbxK")->setEditText(QStringLiteral("8"));
            control<QPushButton>(modal, "btnOK")->click();
        });
        form.editCurrentLine();
        QCOMPARE(child->document().lines.cursor()->operandText(), "8");
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));
        child->ResetCursorToTop();
        bool opened = false;
        QTimer::singleShot(0, [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = true;
                modal->close();
            }
        });
        form.editCurrentLine();
        QCoreApplication::processEvents();
        QVERIFY(!opened);
    }

    // Every dialog asks the window manager for a close box only: no minimise, no maximise.
    void noDialogCanBeMinimisedOrMaximised()
    {
        std::vector<std::unique_ptr<QDialog>> dialogs;
        for (const EntryKind kind : {EntryKind::TwoF, EntryKind::OneF, EntryKind::Skip2, EntryKind::Bit,
                                     EntryKind::Literal, EntryKind::Branch, EntryKind::Zero, EntryKind::Org})
            dialogs.push_back(createEntryDialog(kind, doc(), screen, view.get()));
        dialogs.push_back(std::make_unique<TfrmComment>(doc()));
        dialogs.push_back(std::make_unique<TfrmFind>(doc(), screen, nullptr));
        dialogs.push_back(std::make_unique<TfrmReplace>(doc(), screen, nullptr));
        dialogs.push_back(std::make_unique<TfrmNewRegisters>(doc(), screen));
        dialogs.push_back(std::make_unique<TfrmNewBits>(doc(), screen));
        dialogs.push_back(std::make_unique<TfrmNewConstants>(doc(), screen));
        dialogs.push_back(std::make_unique<TfrmLabels>(doc(), screen));
        dialogs.push_back(std::make_unique<TfrmHexFile>(screen));
        for (const auto& each : dialogs) {
            const Qt::WindowFlags flags = each->windowFlags();
            QVERIFY2(flags & Qt::CustomizeWindowHint, qPrintable(each->objectName()));
            QVERIFY2(flags & Qt::WindowCloseButtonHint, qPrintable(each->objectName()));
            QVERIFY2(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)),
                     qPrintable(each->objectName()));
        }
    }

    void screenshotsOfEveryDialog()
    {
        doc().literals.insert("LIMIT", "H'20'");
        const auto save = [&](const QString& name) {
            QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
            QVERIFY(dialog->grab().save(test::screenshotPath(QStringLiteral("dialog-%1.png").arg(name))));
        };
        for (int code : {1, 6, 20, 24, 27, 15, 101}) {
            open(code);
            if (code == 1)
                type(combo("cbxF"), "PORTB");
            if (code == 24)
                type(combo("cbxK"), "LIMIT");
            save(dialog->objectName());
        }
        // Every class's description page, with its longest lines: none breaks inside
        // "goto  k" or "Status affected: None".
        for (int code : {1, 6, 21, 19, 29, 27, 31}) {
            open(code);
            control<QTabWidget>(dialog.get(), "PageControl1")->setCurrentIndex(1);
            for (const char* line : {"labSyntax", "labAffected", "labCycles"}) {
                auto* label = control<QLabel>(dialog.get(), line);
                QVERIFY2(label->heightForWidth(label->width()) <= label->fontMetrics().height() + 1,
                         qPrintable(label->text()));
            }
            save(dialog->objectName() + QStringLiteral("-description"));
        }
        open(19);
        pick(combo("cbxF"), 3);
        pick(combo("cbxBit"), 2);
        save(QStringLiteral("TfrmBit1"));
        open(kBlankCode);
        save(QStringLiteral("TfrmZero-blank"));
        doc().setPendingComment("blinks the LED");
        TfrmComment comment(doc());
        comment.show();
        QVERIFY(QTest::qWaitForWindowExposed(&comment));
        QVERIFY(comment.grab().save(test::screenshotPath(QStringLiteral("dialog-TfrmComment.png"))));
    }
};

QTEST_MAIN(EntryDialogsTest)
#include "EntryDialogsTest.moc"
