#include "dialogs/symbols/TfrmLabels.h"
#include "dialogs/symbols/TfrmNewBits.h"
#include "dialogs/symbols/TfrmNewConstants.h"
#include "dialogs/symbols/TfrmNewRegisters.h"

#include "FakeScreen.h"
#include "Screenshots.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using tarvik::test::screenshotPath;

namespace {

template <typename T>
T* child(QWidget& dialog, const char* name)
{
    T* found = dialog.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s", name);
    return found;
}

QString text(QWidget& dialog, const char* name)
{
    if (auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name)))
        return label->text();
    return child<QLineEdit>(dialog, name)->text();
}

void clickRow(QListWidget* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

std::string nameAt(const tarvik::RegisterTable& file, int address)
{
    return std::string(file.find(address)->nameText());
}

} // namespace

class SymbolDialogsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tarvik::ProgramDocument> doc;
    tarvik::test::FakeScreen screen;

private slots:
    void init()
    {
        doc = std::make_unique<tarvik::ProgramDocument>(defaults);
        screen = {};
    }

    void registersOpenOnTheFirstUnnamedRegisterOfBank0()
    {
        for (const char* expected : {"0C", "0D"}) {
            std::string added;
            TfrmNewRegisters dialog(*doc, screen);
            dialog.setCallerText(&added);
            dialog.show();
            QCOMPARE(dialog.windowTitle(), QStringLiteral("New F Register"));
            QCOMPARE(dialog.size(), QSize(251, 255));
            auto* pages = child<QTabWidget>(dialog, "PageControl1");
            QCOMPARE(pages->currentIndex(), 0);
            QCOMPARE(pages->tabText(0), QStringLiteral("Bank 0"));
            QCOMPARE(pages->tabText(1), QStringLiteral("Bank 1"));
            auto* registers = child<QListWidget>(dialog, "lbxRegisters0");
            QCOMPARE(registers->count(), 48);
            QCOMPARE(registers->currentItem()->text(), QStringLiteral("GPR0H") + expected);
            QCOMPARE(text(dialog, "panAddress0"), QStringLiteral("F:H") + expected);
            QCOMPARE(text(dialog, "panIndex0"), QStringLiteral("Bit:0"));
            QCOMPARE(child<QListWidget>(dialog, "lbxBits0")->item(5)->text(), QStringLiteral("GPR0H%1,5").arg(expected));
            QCOMPARE(child<QLineEdit>(dialog, "txtName0")->maxLength(), 13);
            QVERIFY(!child<QPushButton>(dialog, "btnDeleteReg")->isEnabled());
            QVERIFY(!child<QPushButton>(dialog, "btnOk")->isEnabled());
            QCOMPARE(child<QPushButton>(dialog, "btnOk")->geometry(), QRect(6, 228, 60, 22));
            // Navy while it can be pressed, grey like any disabled button while it cannot.
            const QPalette colours = child<QPushButton>(dialog, "btnOk")->palette();
            QCOMPARE(colours.color(QPalette::Active, QPalette::ButtonText), QColor(0, 0, 128));
            QVERIFY(colours.color(QPalette::Disabled, QPalette::ButtonText) != QColor(0, 0, 128));
            if (QString::fromLatin1(expected) == "0C")
                dialog.grab().save(screenshotPath(QStringLiteral("dialog-TfrmNewRegisters.png")));

            QTest::keyClicks(child<QLineEdit>(dialog, "txtName0"), "COUNT");
            QVERIFY(child<QPushButton>(dialog, "btnOk")->isEnabled());
            child<QPushButton>(dialog, "btnOk")->click();
            if (QString::fromLatin1(expected) == "0C") {
                QCOMPARE(dialog.addResult(), 1);
                QCOMPARE(added, std::string("COUNT"));
                QCOMPARE(nameAt(doc->registerFile0, 0x0C), std::string("COUNT"));
            } else {
                // The second time COUNT is taken: refused, the dialog stays open.
                QCOMPARE(screen.texts(), std::vector<std::string>{"'COUNT' is already exist!"});
                QVERIFY(dialog.isVisible());
                QCOMPARE(dialog.addResult(), 0);
            }
        }
    }

    void anOfferedNameIsAddedOnTheBank1Page()
    {
        std::string caller = "TEMP";
        TfrmNewRegisters dialog(*doc, screen);
        dialog.setPresetName(caller);
        dialog.setCallerText(&caller);
        dialog.show();
        QCOMPARE(text(dialog, "txtName0"), QStringLiteral("TEMP"));
        child<QTabWidget>(dialog, "PageControl1")->setCurrentIndex(1);
        QCOMPARE(text(dialog, "txtName1"), QStringLiteral("TEMP"));
        QCOMPARE(text(dialog, "panAddress1"), QStringLiteral("F:H8C"));
        dialog.grab().save(screenshotPath(QStringLiteral("dialog-TfrmNewRegisters-bank1.png")));
        QLineEdit* name = child<QLineEdit>(dialog, "txtName1");
        name->setText("TEMP2");
        child<QPushButton>(dialog, "btnOk")->click();
        QCOMPARE(dialog.addResult(), 1);
        QCOMPARE(caller, std::string("TEMP2"));
        QCOMPARE(nameAt(doc->registerFile1, 0x8C), std::string("TEMP2"));
        QCOMPARE(nameAt(doc->registerFile0, 0x0C), std::string("GPR0H0C"));
        QVERIFY(doc->modified);
    }

    // Clicking a register, even the one already selected, starts again at its bit 0.
    void clickingTheSelectedRegisterResetsTheBit_data()
    {
        QTest::addColumn<bool>("bits");
        QTest::newRow("TfrmNewRegisters") << false;
        QTest::newRow("TfrmNewBits") << true;
    }
    void clickingTheSelectedRegisterResetsTheBit()
    {
        QFETCH(bool, bits);
        doc->userBits.insert("LED", 3, 0, 0x05);
        std::unique_ptr<RegisterPagesForm> dialog;
        if (bits)
            dialog = std::make_unique<TfrmNewBits>(*doc, screen);
        else
            dialog = std::make_unique<TfrmNewRegisters>(*doc, screen);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        auto* registers = child<QListWidget>(*dialog, "lbxRegisters0");
        auto* bitList = child<QListWidget>(*dialog, "lbxBits0");
        clickRow(registers, 5);
        clickRow(bitList, 3);
        QCOMPARE(dialog->selectedBit(), 3);
        QCOMPARE(child<QPushButton>(*dialog, "btnDeleteReg")->isEnabled(), bits);
        clickRow(registers, 5);
        QCOMPARE(dialog->selectedAddress(), 0x05);
        QCOMPARE(dialog->selectedBit(), 0);
        QCOMPARE(bitList->currentRow(), 0);
        QCOMPARE(text(*dialog, "panIndex0"), QStringLiteral("Bit:0"));
        QVERIFY(!child<QPushButton>(*dialog, "btnDeleteReg")->isEnabled());
    }

    // Each dialog opens with the focus in its name box, an offered name unselected with the
    // cursor after it; Return presses Add.
    void theNameBoxHasTheFocusAndReturnAdds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("TfrmNewRegisters") << 0 << "txtName0" << QStringList{};
        QTest::newRow("TfrmNewBits") << 1 << "txtName0" << QStringList{};
        QTest::newRow("TfrmNewConstants") << 2 << "txtConstant" << QStringList{"<Tab>", "5"};
        QTest::newRow("TfrmLabels") << 3 << "txtNewLabel" << QStringList{};
    }
    void theNameBoxHasTheFocusAndReturnAdds()
    {
        QFETCH(int, kind);
        QFETCH(QString, box);
        QFETCH(QStringList, keys);
        std::string caller = "OFFERED";
        std::unique_ptr<QDialog> dialog;
        const auto result = [&] {
            switch (kind) {
            case 0: return static_cast<TfrmNewRegisters*>(dialog.get())->addResult();
            case 1: return static_cast<TfrmNewBits*>(dialog.get())->addResult();
            case 2: return static_cast<TfrmNewConstants*>(dialog.get())->addResult();
            default: return static_cast<TfrmLabels*>(dialog.get())->addResult();
            }
        };
        if (kind < 2) {
            auto* pages = kind == 0 ? static_cast<RegisterPagesForm*>(new TfrmNewRegisters(*doc, screen))
                                    : new TfrmNewBits(*doc, screen);
            pages->setPresetName(caller);
            pages->setCallerText(&caller);
            dialog.reset(pages);
        } else if (kind == 2) {
            auto* literals = new TfrmNewConstants(*doc, screen);
            literals->setCallerText(&caller);
            dialog.reset(literals);
        } else {
            auto* labels = new TfrmLabels(*doc, screen);
            labels->setCallerText(&caller);
            dialog.reset(labels);
        }
        dialog->show();
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        auto* name = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(name);
        QCOMPARE(name->objectName(), box);
        QCOMPARE(name->selectedText(), QString());
        QCOMPARE(name->cursorPosition(), 7);
        for (const QString& step : keys) {
            if (step == QLatin1String("<Tab>"))
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            else
                QTest::keyClicks(QApplication::focusWidget(), step);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(result(), 1);
        QCOMPARE(caller, std::string("OFFERED"));
        QVERIFY(doc->modified);
        if (kind == 2)
            QCOMPARE(doc->literals.valueOf("OFFERED").value_or(""), std::string_view("5"));
    }

    void statusIsNamedAndRestoredInBothBanks()
    {
        {
            TfrmNewRegisters dialog(*doc, screen);
            dialog.show();
            child<QListWidget>(dialog, "lbxRegisters0")->setCurrentRow(3);
            QCOMPARE(text(dialog, "panAddress0"), QStringLiteral("F:H03"));
            QCOMPARE(child<QListWidget>(dialog, "lbxBits0")->item(0)->text(), QStringLiteral("C"));
            child<QLineEdit>(dialog, "txtName0")->setText("STAT");
            child<QPushButton>(dialog, "btnOk")->click();
            QCOMPARE(dialog.addResult(), 1);
        }
        QCOMPARE(nameAt(doc->registerFile1, 0x83), std::string("STAT"));
        TfrmNewRegisters dialog(*doc, screen);
        dialog.show();
        child<QTabWidget>(dialog, "PageControl1")->setCurrentIndex(1);
        child<QListWidget>(dialog, "lbxRegisters1")->setCurrentRow(3);
        QCOMPARE(child<QListWidget>(dialog, "lbxRegisters1")->currentItem()->text(), QStringLiteral("STAT"));
        QVERIFY(child<QPushButton>(dialog, "btnDeleteReg")->isEnabled());
        child<QPushButton>(dialog, "btnDeleteReg")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.addResult(), 0);
        QCOMPARE(nameAt(doc->registerFile0, 0x03), std::string("STATUS"));
        QCOMPARE(nameAt(doc->registerFile1, 0x83), std::string("STATUS"));
    }

    void theReservedLocationCannotBeNamed()
    {
        TfrmNewRegisters dialog(*doc, screen);
        dialog.setPresetName("FREE");
        dialog.show();
        QVERIFY(child<QPushButton>(dialog, "btnOk")->isEnabled());
        child<QListWidget>(dialog, "lbxRegisters0")->setCurrentRow(7);
        QCOMPARE(child<QListWidget>(dialog, "lbxRegisters0")->currentItem()->text(), QStringLiteral("<Reserved>"));
        QVERIFY(!child<QPushButton>(dialog, "btnOk")->isEnabled());
        QVERIFY(!child<QPushButton>(dialog, "btnDeleteReg")->isEnabled());
    }

    void reactivationKeepsTheSelectionAndTheTypedName()
    {
        TfrmNewRegisters dialog(*doc, screen);
        dialog.show();
        child<QListWidget>(dialog, "lbxRegisters0")->setCurrentRow(20);
        child<QListWidget>(dialog, "lbxBits0")->setCurrentRow(6);
        child<QLineEdit>(dialog, "txtName0")->setText("HALF");
        dialog.hide();
        dialog.show();
        dialog.FormActivate();
        QCOMPARE(text(dialog, "panAddress0"), QStringLiteral("F:H14"));
        QCOMPARE(text(dialog, "panIndex0"), QStringLiteral("Bit:6"));
        QCOMPARE(text(dialog, "txtName0"), QStringLiteral("HALF"));
    }

    void browseModeOffersOnlyTheListsAndClose()
    {
        TfrmNewRegisters dialog(*doc, screen);
        dialog.setBrowseMode();
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Registers"));
        QVERIFY(!child<QPushButton>(dialog, "btnOk")->isVisible());
        QVERIFY(!child<QPushButton>(dialog, "btnDeleteReg")->isVisible());
        auto* close = child<QPushButton>(dialog, "Button1");
        QCOMPARE(close->text(), QStringLiteral("&Close"));
        QCOMPARE(close->pos(), QPoint(6, 228));
        QVERIFY(!child<QLineEdit>(dialog, "txtName0")->isEnabled());
        QVERIFY(!child<QLineEdit>(dialog, "txtName1")->isEnabled());
        child<QListWidget>(dialog, "lbxRegisters0")->setCurrentRow(11);
        QCOMPARE(child<QListWidget>(dialog, "lbxBits0")->item(7)->text(), QStringLiteral("GIE"));
        dialog.grab().save(screenshotPath(QStringLiteral("dialog-TfrmNewRegisters-browse.png")));
        close->click();
        QVERIFY(!dialog.isVisible());
    }

    void bitsAreNamedOnTheSelectedBitAndDeletedFromBothBanks()
    {
        {
            std::string added;
            TfrmNewBits dialog(*doc, screen);
            dialog.setCallerText(&added);
            dialog.show();
            QCOMPARE(dialog.windowTitle(), QStringLiteral("New Bit"));
            child<QListWidget>(dialog, "lbxRegisters0")->setCurrentRow(5);
            child<QListWidget>(dialog, "lbxBits0")->setCurrentRow(4);
            QCOMPARE(child<QListWidget>(dialog, "lbxBits0")->currentItem()->text(), QStringLiteral("PORTA,4"));
            QCOMPARE(text(dialog, "panIndex0"), QStringLiteral("Bit:4"));
            child<QLineEdit>(dialog, "txtName0")->setText("LED");
            dialog.grab().save(screenshotPath(QStringLiteral("dialog-TfrmNewBits.png")));
            child<QPushButton>(dialog, "btnOk")->click();
            QCOMPARE(added, std::string("LED"));
        }
        {
            TfrmNewBits dialog(*doc, screen);  // as from the Bits menu item: no caller text
            dialog.show();
            child<QListWidget>(dialog, "lbxRegisters0")->setCurrentRow(5);
            QCOMPARE(child<QListWidget>(dialog, "lbxBits0")->item(4)->text(), QStringLiteral("LED"));
            child<QListWidget>(dialog, "lbxRegisters0")->setCurrentRow(3);
            child<QLineEdit>(dialog, "txtName0")->setText("CARRY");
            child<QPushButton>(dialog, "btnOk")->click();
            QCOMPARE(dialog.addResult(), 1);
        }
        QCOMPARE(doc->userBits.count(), 3);
        TfrmNewBits dialog(*doc, screen);
        dialog.show();
        child<QTabWidget>(dialog, "PageControl1")->setCurrentIndex(1);
        child<QListWidget>(dialog, "lbxRegisters1")->setCurrentRow(3);
        QCOMPARE(child<QListWidget>(dialog, "lbxBits1")->item(0)->text(), QStringLiteral("CARRY"));
        QVERIFY(child<QPushButton>(dialog, "btnDeleteReg")->isEnabled());
        child<QListWidget>(dialog, "lbxBits1")->setCurrentRow(1);
        QVERIFY(!child<QPushButton>(dialog, "btnDeleteReg")->isEnabled());
        child<QListWidget>(dialog, "lbxBits1")->setCurrentRow(0);
        child<QPushButton>(dialog, "btnDeleteReg")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(doc->userBits.count(), 1);
        QVERIFY(doc->userBits.find(0x05, 4));
    }

    void literalsAreAddedAsTypedAndDeletedWithTheDialogOpen()
    {
        {
            std::string added;
            TfrmNewConstants dialog(*doc, screen);
            dialog.setCallerText(&added);
            dialog.setAddMode();
            dialog.show();
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Add New Literal"));
            QCOMPARE(dialog.size(), QSize(338, 175));
            child<QLineEdit>(dialog, "txtConstant")->setText("MASK");
            child<QLineEdit>(dialog, "txtValue")->setText("H'100'");
            child<QPushButton>(dialog, "btnAdd")->click();
            QCOMPARE(screen.texts(), std::vector<std::string>{"Syntax error:'H'100''"});
            QVERIFY(dialog.isVisible());
            child<QLineEdit>(dialog, "txtValue")->setText("H'0F'");
            child<QPushButton>(dialog, "btnAdd")->click();
            QCOMPARE(added, std::string("MASK"));
        }
        doc->literals.insert("MAX", "200");
        std::string caller = "COUNT";
        TfrmNewConstants dialog(*doc, screen);
        dialog.setCallerText(&caller);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("New Literal "));
        QCOMPARE(text(dialog, "txtConstant"), QStringLiteral("COUNT"));
        auto* list = child<QTreeWidget>(dialog, "ListView1");
        QCOMPARE(list->topLevelItemCount(), 2);
        // Both columns fit the list: nothing to scroll sideways.
        QTRY_VERIFY(list->header()->length() <= list->viewport()->width());
        QVERIFY(!list->horizontalScrollBar()->isVisible());
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("H'0F'"));
        dialog.FormActivate();  // a second activation adds no rows
        QCOMPARE(list->topLevelItemCount(), 2);
        dialog.grab().save(screenshotPath(QStringLiteral("dialog-TfrmNewConstants.png")));

        auto* remove = child<QPushButton>(dialog, "btnDelete");
        QVERIFY(!remove->isEnabled());
        child<QLineEdit>(dialog, "txtConstant")->setText("MAX");
        QVERIFY(remove->isEnabled());
        remove->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(list->topLevelItemCount(), 1);
        QVERIFY(!doc->literals.holds("MAX"));
        QCOMPARE(text(dialog, "txtConstant"), QStringLiteral("COUNT"));
        QVERIFY(!remove->isEnabled());

        list->setCurrentItem(list->topLevelItem(0));
        QCOMPARE(text(dialog, "txtValue"), QStringLiteral("H'0F'"));
        QVERIFY(remove->isEnabled());
        child<QPushButton>(dialog, "btnCancel")->click();
        QCOMPARE(dialog.addResult(), 0);
        QCOMPARE(caller, std::string("COUNT"));
    }

    void literalsBrowseModeShowsTheListAndClose()
    {
        TfrmNewConstants dialog(*doc, screen);
        dialog.setBrowseMode();
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Literals"));
        QCOMPARE(dialog.height(), 165);
        for (const char* hidden : {"btnAdd", "btnDelete", "txtConstant", "txtValue", "Label1", "Label2"})
            QVERIFY2(!child<QWidget>(dialog, hidden)->isVisible(), hidden);
        QCOMPARE(child<QPushButton>(dialog, "btnCancel")->text(), QStringLiteral("&Close"));
        QCOMPARE(child<QPushButton>(dialog, "btnCancel")->pos(), QPoint(264, 8));
        dialog.grab().save(screenshotPath(QStringLiteral("dialog-TfrmNewConstants-browse.png")));
    }

    void labelsAreAddedUnderTheNameFinallyTyped()
    {
        doc->labels.insert("START", "");
        std::string caller = "START";
        TfrmLabels dialog(*doc, screen);
        dialog.setCallerText(&caller);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("New Label"));
        QCOMPARE(dialog.size(), QSize(204, 189));
        QCOMPARE(child<QListWidget>(dialog, "lbxLabels")->count(), 1);
        QCOMPARE(text(dialog, "txtNewLabel"), QStringLiteral("START"));
        dialog.grab().save(screenshotPath(QStringLiteral("dialog-TfrmLabels.png")));
        child<QPushButton>(dialog, "Button1")->click();
        QCOMPARE(screen.texts(), std::vector<std::string>{"'START' is already exist!"});
        QVERIFY(dialog.isVisible());
        child<QLineEdit>(dialog, "txtNewLabel")->setText("START2");
        child<QPushButton>(dialog, "Button1")->click();
        QCOMPARE(dialog.addResult(), 1);
        QCOMPARE(caller, std::string("START2"));
        QVERIFY(doc->labels.holds("START2"));
    }

private:
    tarvik::DeviceDefaults defaults;
};

QTEST_MAIN(SymbolDialogsTest)
#include "SymbolDialogsTest.moc"
