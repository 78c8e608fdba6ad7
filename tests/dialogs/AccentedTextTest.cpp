// Program text is Latin-1 bytes: what a user types with accents through the dialogs is what
// the program holds, what its messages quote, what Find matches, and what files keep.

#include "app/QtScreen.h"
#include "dialogs/instruction/EntryDialogs.h"
#include "dialogs/instruction/TEntryDialog.h"
#include "dialogs/search/TfrmFind.h"
#include "dialogs/search/TfrmReplace.h"
#include "dialogs/symbols/TfrmLabels.h"
#include "dialogs/symbols/TfrmNewBits.h"
#include "dialogs/symbols/TfrmNewConstants.h"
#include "dialogs/symbols/TfrmNewRegisters.h"
#include "editor/TMDIChild.h"
#include "files/ProgramFile.h"
#include "mpasm/Import.h"
#include "mpasm/MpasmExport.h"
#include "FakeScreen.h"
#include "Screenshots.h"
#include "TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <tuple>
#include <vector>

using namespace tarvik;
using tarvik::test::screenshotPath;

namespace {

QLineEdit* box(const QWidget* dialog, const char* name)
{
    if (auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(name)))
        return edit;
    auto* combo = dialog->findChild<QComboBox*>(QString::fromLatin1(name));
    return combo ? combo->lineEdit() : nullptr;
}

void click(const QWidget* dialog, const char* name)
{
    dialog->findChild<QPushButton*>(QString::fromLatin1(name))->click();
}

// One key event per character, as a keyboard delivers it.
void type(QLineEdit* edit, const QString& text)
{
    edit->clear();
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
}

// Answers the next modal window once it is up.
void whenModal(std::function<void(QWidget*)> answer)
{
    QTimer::singleShot(0, [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        answer(modal);
    });
}

void typeComment(const QString& text)
{
    whenModal([text](QWidget* modal) {
        type(box(modal, "txtComment"), text);
        click(modal, "Button1");
    });
}

struct LineTexts {
    std::string label;
    std::string operand;
    std::string comment;
    bool operator==(const LineTexts&) const = default;
};

std::vector<LineTexts> textsOf(const ProgramDocument& doc)
{
    std::vector<LineTexts> texts;
    for (const ProgramLine& line : doc.lines)
        texts.push_back({std::string(line.labelText()), std::string(line.operandText()),
                         std::string(doc.comments.textAt(line.commentIndex))});
    return texts;
}

} // namespace

class AccentedTextTest : public QObject {
    Q_OBJECT

    DeviceDefaults defaults;
    test::FakeScreen screen;
    std::unique_ptr<TMDIChild> view;

    ProgramDocument& doc() { return view->document(); }

    std::unique_ptr<TEntryDialog> openEntry(int code, Screen& on)
    {
        auto dialog = createEntryDialog(*entryKindOf(code), doc(), on, view.get());
        dialog->prepareFor(code);
        dialog->show();
        return dialog;
    }
    using Open = std::function<std::unique_ptr<QDialog>()>;
    Open entry(int code)
    {
        return [this, code] { return std::unique_ptr<QDialog>(openEntry(code, screen)); };
    }
    template <typename Dialog>
    Open symbol()
    {
        return [this] { return std::unique_ptr<QDialog>(std::make_unique<Dialog>(doc(), screen)); };
    }
    template <typename Dialog>
    Open search()
    {
        return [this] { return std::unique_ptr<QDialog>(std::make_unique<Dialog>(doc(), screen, nullptr)); };
    }

private slots:
    void init()
    {
        screen = {};
        view = std::make_unique<TMDIChild>(std::make_unique<ProgramDocument>(defaults));
        view->resize(500, 300);
    }
    void cleanup() { view.reset(); }

    void refusalsQuoteTheTextAsTyped()
    {
        const QString accented = QString::fromUtf8("Z\u00E9");
        struct Row {
            const char* dialog;
            Open open;
            std::vector<std::pair<const char*, QString>> typed;
            const char* button;
            std::string message;
        };
        const std::vector<Row> rows = {
            {"label of nop", entry(15), {{"txtLabel", accented}}, "btnOK", "Sintax error: Z\xE9 is not valid!"},
            {"label of goto", entry(27), {{"txtLabel", accented}}, "btnOk",
             "Sintax error: Z\xE9 is not valid!"},
            {"register name", symbol<TfrmNewRegisters>(), {{"txtName0", accented}}, "btnOk",
             "Sintax error: Z\xE9 is not valid!"},
            {"bit name", symbol<TfrmNewBits>(), {{"txtName0", accented}}, "btnOk",
             "Sintax error: Z\xE9 is not valid!"},
            {"literal name", symbol<TfrmNewConstants>(),
             {{"txtConstant", accented}, {"txtValue", "1"}}, "btnAdd", "Sintax error: Z\xE9 is not valid!"},
            {"literal value", symbol<TfrmNewConstants>(),
             {{"txtConstant", "K"}, {"txtValue", QString::fromUtf8("'\u00E9'")}}, "btnAdd", "Syntax error:''\xE9''"},
            {"table label", symbol<TfrmLabels>(), {{"txtNewLabel", accented}}, "Button1",
             "Sintax error: Z\xE9 is not valid!"},
            {"replacement", search<TfrmReplace>(),
             {{"txtVariable", "COUNT"}, {"txtReplace", accented}}, "btnOK", "Sintax error: Z\xE9 is not valid!"},
            {"found nowhere", search<TfrmFind>(), {{"txtFind", QString::fromUtf8("Z\u00E8")}},
             "Button1", "Error! 'Z\xE8' is not exist!"},
            // Beyond Latin-1: the box shows '?' as it is typed, and the message quotes that.
            {"found nowhere, euro", search<TfrmFind>(),
             {{"txtFind", QString::fromUtf8("Z\u20AC")}}, "Button1", "Error! 'Z?' is not exist!"},
        };
        for (const Row& row : rows) {
            screen = {};
            const std::unique_ptr<QDialog> dialog = row.open();
            dialog->show();
            for (const auto& [name, text] : row.typed)
                type(box(dialog.get(), name), text);
            click(dialog.get(), row.button);
            const std::string shown = screen.messages.empty() ? "(nothing)" : screen.messages.front().text;
            QVERIFY2(screen.texts() == std::vector<std::string>{row.message},
                     qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(row.dialog), QString::fromLatin1(shown))));
        }
    }

    void presetsShowTheirAccentedCharacters()
    {
        std::string caller = "Z\xE9";
        const QString shown = QString::fromUtf8("Z\u00E9");
        TfrmNewRegisters registers(doc(), screen);
        registers.setPresetName(caller);
        registers.setCallerText(&caller);
        TfrmNewBits bits(doc(), screen);
        bits.setPresetName(caller);
        TfrmNewConstants literals(doc(), screen);
        literals.setCallerText(&caller);
        TfrmLabels labels(doc(), screen);
        labels.setCallerText(&caller);
        const std::vector<std::tuple<QDialog*, const char*>> rows = {
            {&registers, "txtName0"}, {&bits, "txtName0"}, {&literals, "txtConstant"}, {&labels, "txtNewLabel"}};
        for (const auto& [dialog, name] : rows) {
            dialog->show();
            QCOMPARE(box(dialog, name)->text(), shown);
        }
        registers.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
        QCOMPARE(box(&registers, "txtName1")->text(), shown);
        registers.grab().save(screenshotPath(QStringLiteral("dialog-TfrmNewRegisters-accented.png")));

        // A name of the longest a line holds is shown whole, not cut to what typing allows.
        std::string longest = "ABCDEFGHIJKL\xC0\xFF";
        TfrmNewRegisters again(doc(), screen);
        again.setPresetName(longest);
        again.show();
        QCOMPARE(box(&again, "txtName0")->text(), QString::fromLatin1(longest));
    }

    void accentedOperandAndCommentsAreFoundReplacedSavedAndExported()
    {
        const std::unique_ptr<TEntryDialog> nop = openEntry(15, screen);
        type(box(nop.get(), "txtLabel"), "Zeta");
        typeComment(QString::fromUtf8("caf\u00E9"));
        click(nop.get(), "btnComment");
        click(nop.get(), "btnOK");
        const std::unique_ptr<TEntryDialog> jump = openEntry(27, screen);
        type(box(jump.get(), "cbxK"), QString::fromUtf8("Z\u00E9"));
        typeComment(QString::fromUtf8("na\u00EFve \u00E0 la Z\u00FCrich"));
        click(jump.get(), "btnComment");
        click(jump.get(), "btnOk");
        QVERIFY(screen.messages.empty());
        const ProgramLine& line = *doc().lines.last();
        QCOMPARE(line.operandText(), std::string_view("Z\xE9"));
        QCOMPARE(doc().comments.textAt(line.commentIndex), std::string_view("na\xEFve \xE0 la Z\xFCrich"));

        test::TempDir dir;
        QCOMPARE(writeProgramFile(dir.path("accents.qel"), doc()), WriteStatus::Ok);
        const ReadOutcome read = readProgramFile(dir.path("accents.qel"), defaults);
        QCOMPARE(read.status, ReadStatus::Ok);
        QVERIFY(textsOf(*read.document) == textsOf(doc()));
        QVERIFY(encodeProgramFile(*read.document) == encodeProgramFile(doc()));

        TfrmFind find(doc(), screen, nullptr);
        find.show();
        type(box(&find, "txtFind"), QString::fromUtf8("Z\u00E9"));
        click(&find, "Button1");
        QVERIFY(screen.messages.empty());
        QCOMPARE(doc().lines.countSelected(), 1);
        QVERIFY(line.isSelected());

        TfrmReplace replace(doc(), screen, nullptr);
        replace.show();
        type(box(&replace, "txtVariable"), QString::fromUtf8("Z\u00E9"));
        type(box(&replace, "txtReplace"), "Zeta");
        click(&replace, "btnOK");
        QVERIFY(screen.messages.empty());
        QVERIFY(!replace.isVisible());
        QCOMPARE(line.operandText(), std::string_view("Zeta"));

        // The goto now has its label: the program assembles and so exports.
        std::string source;
        QVERIFY(exportMpasmSource(doc(), screen, source));
        const ImportOutcome imported = importMpasmSource(source, defaults);
        QVERIFY2(imported.document, imported.refusal ? imported.refusal->text.c_str() : "");
        QVERIFY(textsOf(*imported.document) == textsOf(doc()));
    }

    // Through the application's own screen: the offer opens the registers dialog preset
    // with the typed name, and the refusal of a label shows its text in the message box.
    void theRealScreenShowsTheAccentedText()
    {
        QWidget parent;
        QtScreen qtScreen(&parent, {});
        const QString accented = QString::fromUtf8("Z\u00E9");

        const std::unique_ptr<TEntryDialog> addwf = openEntry(1, qtScreen);
        type(box(addwf.get(), "cbxF"), accented);
        QString preset;
        whenModal([&preset](QWidget* modal) {
            preset = box(modal, "txtName0")->text();
            modal->grab().save(screenshotPath(QStringLiteral("dialog-TfrmNewRegisters-offered-accented.png")));
            click(modal, "Button1");
        });
        click(addwf.get(), "btnOK");
        QCOMPARE(preset, accented);

        const std::unique_ptr<TEntryDialog> nop = openEntry(15, qtScreen);
        type(box(nop.get(), "txtLabel"), accented);
        QString message;
        whenModal([&message](QWidget* modal) {
            auto* messageBox = qobject_cast<QMessageBox*>(modal);
            QVERIFY(messageBox);
            message = messageBox->text();
            messageBox->grab().save(screenshotPath(QStringLiteral("message-label-accented.png")));
            messageBox->button(QMessageBox::Ok)->click();
        });
        click(nop.get(), "btnOK");
        QCOMPARE(message, QString::fromUtf8("Sintax error: Z\u00E9 is not valid!"));
    }
};

QTEST_MAIN(AccentedTextTest)
#include "AccentedTextTest.moc"
