// Insert Delay's dialog: what it says while the user types, the registers it proposes and
// the one the user names instead, OK inserting, and refusals that keep it open.

#include "dialogs/timing/TfrmDelay.h"

#include "files/ProgramFile.h"
#include "model/SymbolCommands.h"

#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"
#include "Screenshots.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace tarvik;

namespace {

template <typename T>
T* child(QWidget& dialog, const QString& name)
{
    T* found = dialog.findChild<T*>(name);
    if (!found)
        qFatal("no %s", qPrintable(name));
    return found;
}

QString label(QWidget& dialog, const char* name)
{
    return child<QLabel>(dialog, QString::fromLatin1(name))->text();
}

QLineEdit* box(QWidget& dialog, const QString& name)
{
    return child<QLineEdit>(dialog, name);
}

void type(QWidget& dialog, const char* length, const char* unit)
{
    child<QComboBox>(dialog, QStringLiteral("cbxUnit"))->setCurrentText(QString::fromLatin1(unit));
    box(dialog, QStringLiteral("txtLength"))->setText(QString::fromLatin1(length));
}

} // namespace

class DelayDialogTest : public QObject {
    Q_OBJECT

    DeviceDefaults defaults;
    std::unique_ptr<ProgramDocument> doc;
    test::FakeScreen screen;

private slots:
    void init()
    {
        doc = std::make_unique<ProgramDocument>(defaults);
        test::FakeScreen quiet;
        NameRegister(*doc, quiet, 0x0C, "COUNT");
        test::ProgramBuilder(*doc).line(24, "10", 0, "Start");
        doc->modified = false;
        screen = {};
    }

    void opensAskingForAMillisecondSubroutineAndProposesFreeRegisters()
    {
        TfrmDelay dialog(*doc, screen, 4'000'000);
        QCOMPARE(dialog.objectName(), QStringLiteral("TfrmDelay"));
        QCOMPARE(box(dialog, QStringLiteral("txtLength"))->text(), QStringLiteral("1"));
        QCOMPARE(child<QComboBox>(dialog, QStringLiteral("cbxUnit"))->currentText(), QStringLiteral("ms"));
        QCOMPARE(label(dialog, "labClock"), QStringLiteral("at 4 MHz"));
        QCOMPARE(box(dialog, QStringLiteral("txtName"))->text(), QStringLiteral("Delay"));
        QVERIFY(child<QRadioButton>(dialog, QStringLiteral("rbSubroutine"))->isChecked());
        QCOMPARE(label(dialog, "labAchieved"), QStringLiteral("1000 cycles = 1 ms, from the call to the line after it"));
        QCOMPARE(label(dialog, "labWords"), QStringLiteral("10 words, 2 registers"));
        // 0x0C is COUNT's: the counters take the next free ones.
        const char* proposed[] = {"DelayCnt1", "DelayCnt2", "", ""};
        const char* places[] = {"new at 0x0D", "new at 0x0E", "", ""};
        for (int i = 0; i < 4; ++i) {
            QLineEdit* name = box(dialog, QStringLiteral("txtRegister%1").arg(i + 1));
            QCOMPARE(name->placeholderText(), QString::fromLatin1(proposed[i]));
            QCOMPARE(name->isEnabled(), i < 2);
            QCOMPARE(label(dialog, QStringLiteral("labRegister%1").arg(i + 1).toLatin1()), QString::fromLatin1(places[i]));
        }
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.grab().save(test::screenshotPath(QStringLiteral("delay-dialog.png"))));
    }

    void tellsTheCyclesTimeAndWordsAsTheUserTypes_data()
    {
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<bool>("inlined");
        QTest::addColumn<uint>("clock");
        QTest::addColumn<QString>("achieved");
        QTest::addColumn<QString>("words");
        const QString call = QStringLiteral(", from the call to the line after it");
        QTest::newRow("a decimal time") << "2.5" << "ms" << false << 4'000'000u
                                        << QStringLiteral("2500 cycles = 2.5 ms") + call << "10 words, 2 registers";
        QTest::newRow("cycles inline") << "8" << "cycles" << true << 4'000'000u << "8 cycles = 8 us"
                                       << "5 words, 1 register";
        QTest::newRow("seconds") << "25" << "s" << false << 4'000'000u
                                 << QStringLiteral("25000000 cycles = 25 s") + call << "14 words, 3 registers";
        QTest::newRow("a faster clock") << "10" << "us" << true << 20'000'000u << "50 cycles = 10 us"
                                        << "5 words, 1 register";
        QTest::newRow("no whole number of cycles") << "1" << "ms" << true << 32'768u
                                                   << "To the nearest cycle: 8 cycles = 976.5625 us"
                                                   << "5 words, 1 register";
        QTest::newRow("a time that is no decimal") << "10" << "cycles" << true << 3'000'000u
                                                   << "10 cycles = about 13.333333 us" << "4 words, 1 register";
        QTest::newRow("too short") << "1" << "us" << false << 4'000'000u
                                   << "A delay takes from 8 to 100000000 cycles, not 1." << "";
        QTest::newRow("too long") << "26" << "s" << false << 16'000'000u
                                  << "A delay takes from 8 to 100000000 cycles, not 104000000." << "";
        QTest::newRow("no number") << "1,5" << "ms" << false << 4'000'000u
                                   << "The length is a number: decimals after a point." << "";
        QTest::newRow("cycles are whole") << "10.5" << "cycles" << false << 4'000'000u
                                          << "The length is a number: whole cycles." << "";
    }

    void tellsTheCyclesTimeAndWordsAsTheUserTypes()
    {
        QFETCH(QString, length);
        QFETCH(QString, unit);
        QFETCH(bool, inlined);
        QFETCH(uint, clock);
        QFETCH(QString, achieved);
        QFETCH(QString, words);
        TfrmDelay dialog(*doc, screen, clock);
        child<QRadioButton>(dialog, inlined ? QStringLiteral("rbInline") : QStringLiteral("rbSubroutine"))->setChecked(true);
        type(dialog, length.toLatin1(), unit.toLatin1());
        QCOMPARE(label(dialog, "labAchieved"), achieved);
        QCOMPARE(label(dialog, "labWords"), words);
    }

    void okInsertsTheDelayAfterTheCursorLine()
    {
        TfrmDelay dialog(*doc, screen, 4'000'000);
        type(dialog, "300", "us");
        box(dialog, QStringLiteral("txtName"))->setText(QStringLiteral("Wait"));
        QCOMPARE(box(dialog, QStringLiteral("txtRegister1"))->placeholderText(), QStringLiteral("WaitCnt1"));
        const int before = doc->lines.count();
        child<QPushButton>(dialog, QStringLiteral("btnOK"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(screen.messages.empty());
        QVERIFY(doc->modified);
        QVERIFY(doc->labels.holds("Wait"));
        QCOMPARE(doc->registerFile0.find(0x0D)->nameText(), std::string_view("WaitCnt1"));
        QCOMPARE(doc->lines.stepForward(doc->lines.first(), before)->labelText(), std::string_view("Wait"));
        QCOMPARE(doc->lines.cursor(), doc->lines.last());
    }

    // The registers dialog names a register the user picks; the counter then takes it.
    void aCounterTakesTheRegisterTheUserNames()
    {
        TfrmDelay dialog(*doc, screen, 4'000'000);
        screen.onOffer = [](const std::string&, ProgramDocument& d, std::string& name) {
            test::FakeScreen quiet;
            name = "Outer";
            return NameRegister(d, quiet, 0x20, name) ? 1 : 0;
        };
        dialog.btnRegisterClick(1);
        QCOMPARE(screen.offers.size(), std::size_t{1});
        QCOMPARE(screen.offers[0].kind, std::string("register"));
        QCOMPARE(screen.offers[0].name, std::string("DelayCnt2"));
        QCOMPARE(box(dialog, QStringLiteral("txtRegister2"))->text(), QStringLiteral("Outer"));
        QCOMPARE(label(dialog, "labRegister2"), QStringLiteral("reuses 0x20"));
        QCOMPARE(label(dialog, "labRegister1"), QStringLiteral("new at 0x0D"));

        // A name typed that is some other symbol's, or a special register's, is flagged at once.
        box(dialog, QStringLiteral("txtRegister1"))->setText(QStringLiteral("Start"));
        QCOMPARE(label(dialog, "labRegister1"), QStringLiteral("not a register"));
        box(dialog, QStringLiteral("txtRegister1"))->setText(QStringLiteral("PORTB"));
        QCOMPARE(label(dialog, "labRegister1"), QStringLiteral("not general purpose"));
        box(dialog, QStringLiteral("txtRegister1"))->clear();

        child<QPushButton>(dialog, QStringLiteral("btnOK"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(doc->registerFile0.find(0x20)->nameText(), std::string_view("Outer"));
        QCOMPARE(doc->registerFile0.find(0x0D)->nameText(), std::string_view("DelayCnt1"));
        QCOMPARE(doc->registerFile0.find(0x0E)->nameText(), std::string_view("GPR0H0E"));
    }

    void refusalsAreToldAndKeepTheDialogOpen_data()
    {
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("no number") << "fast" << "Delay" << "Syntax error:'fast'";
        QTest::newRow("too short") << "0.001" << "Delay" << "A delay takes from 8 to 100000000 cycles, not 1.";
        QTest::newRow("label in use") << "1" << "Start" << "'Start' is already exist!";
        QTest::newRow("no name") << "1" << "" << "The subroutine needs a name.";
    }

    void refusalsAreToldAndKeepTheDialogOpen()
    {
        QFETCH(QString, length);
        QFETCH(QString, name);
        QFETCH(QString, message);
        const std::vector<std::uint8_t> before = encodeProgramFile(*doc);
        TfrmDelay dialog(*doc, screen, 4'000'000);
        box(dialog, QStringLiteral("txtLength"))->setText(length);
        box(dialog, QStringLiteral("txtName"))->setText(name);
        child<QPushButton>(dialog, QStringLiteral("btnOK"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(screen.texts(), std::vector<std::string>{message.toStdString()});
        QCOMPARE(encodeProgramFile(*doc), before);
        QVERIFY(!doc->modified);
    }
};

QTEST_MAIN(DelayDialogTest)
#include "DelayDialogTest.moc"
