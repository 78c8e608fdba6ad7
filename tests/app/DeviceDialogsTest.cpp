// The configuration word and EEPROM data dialogs, and Program Chip run on a stand-in
// programmer that records what it was given.

#include "FakeScreen.h"
#include "Screenshots.h"
#include "TempDir.h"

#include "app/TMainForm.h"
#include "dialogs/device/DeviceDialogs.h"
#include "editor/TMDIChild.h"
#include "dialogs/device/TfrmProgramChip.h"
#include "model/ProgramDocument.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <fstream>

class DeviceDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The settings go to a folder of the test's own.
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config_.root().string()));
    }

    void configDialogShowsTheWordOfEachDevicesBits()
    {
        const tarvik::DeviceDefaults defaults;
        tarvik::ProgramDocument doc(defaults);
        TfrmConfigWord dialog(doc);
        auto* label = dialog.findChild<QLabel*>(QStringLiteral("lblWord"));
        QCOMPARE(label->text(), QStringLiteral("none"));
        QVERIFY(!dialog.findChild<QCheckBox*>(QStringLiteral("chkWatchdog"))->isEnabled());
        dialog.findChild<QCheckBox*>(QStringLiteral("chkWriteWord"))->setChecked(true);
        // XT, watchdog off, power-up timer on: active high on the 16C84, low on the F84s.
        QCOMPARE(label->text(), QStringLiteral("0x3FF9"));
        dialog.findChild<QComboBox*>(QStringLiteral("cbxDevice"))->setCurrentIndex(2);
        QCOMPARE(label->text(), QStringLiteral("0x3FF1"));
        dialog.findChild<QCheckBox*>(QStringLiteral("chkCodeProtection"))->setChecked(true);
        QCOMPARE(label->text(), QStringLiteral("0x0001"));
        dialog.show();
        QVERIFY(dialog.grab().save(tarvik::test::screenshotPath(QStringLiteral("config-word.png"))));
    }

    void eepromTableReadsSetAndUnsetBytesAndRefusesOthers()
    {
        tarvik::test::FakeScreen screen;
        tarvik::EepromData data = tarvik::kNoEepromData;
        data[0] = 0x12;
        data[9] = 0xFF;
        TfrmEepromData dialog(data, screen);
        QTableWidget* table = dialog.table();
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("12"));
        QCOMPARE(table->item(1, 1)->text(), QStringLiteral("FF"));
        QCOMPARE(table->verticalHeaderItem(7)->text(), QStringLiteral("38"));
        table->item(7, 7)->setText(QStringLiteral("a"));
        table->item(1, 1)->setText(QString());
        std::optional<tarvik::EepromData> read = dialog.data();
        QVERIFY(read);
        QCOMPARE((*read)[63], std::int16_t{0x0A});
        QCOMPARE((*read)[9], std::int16_t{-1});
        dialog.show();
        QVERIFY(dialog.grab().save(tarvik::test::screenshotPath(QStringLiteral("eeprom-data.png"))));
        for (const char* bad : {"100", "G1", "-1"}) {
            table->item(2, 3)->setText(QString::fromLatin1(bad));
            QVERIFY(!dialog.data());
            QCOMPARE(table->currentRow(), 2);
        }
        QCOMPARE(screen.messages.size(), std::size_t{3});
    }

    void programChipRunsTheConfiguredCommandOnTheHexFile()
    {
        const tarvik::test::TempDir dir;
        const std::string script = dir.path("programmer.sh");
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" << dir.path("args.txt") << "\"\n"
                              << "cp \"$2\" \"" << dir.path("given.hex") << "\"\necho burning $1\nexit 3\n";
        QFile::setPermissions(QString::fromStdString(script), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        std::ofstream(dir.path("in.hex")) << ":00000001FF\r\n";

        TfrmProgramChip dialog(dir.path("in.hex"), "16f84a");
        auto* command = dialog.findChild<QLineEdit*>(QStringLiteral("edtCommand"));
        QVERIFY(command->text().isEmpty());
        dialog.btnRunClick();
        QVERIFY(!dialog.running());  // nothing configured: nothing runs
        QVERIFY(!QFile::exists(QString::fromStdString(dir.path("args.txt"))));

        command->setText(QString::fromStdString("\"" + script + "\" {device} {hex}"));
        dialog.btnRunClick();
        QTRY_VERIFY(!dialog.running());
        QTRY_VERIFY2(dialog.status().contains(QStringLiteral("exit status 3")), qPrintable(dialog.status()));
        QVERIFY(dialog.output().contains(QStringLiteral("burning 16f84a")));
        std::ifstream args(dir.path("args.txt"));
        std::string first, second;
        std::getline(args, first);
        std::getline(args, second);
        QCOMPARE(first, std::string("16f84a"));
        QCOMPARE(second, dir.path("in.hex"));
        std::ifstream given(dir.path("given.hex"));
        std::string hex;
        std::getline(given, hex);
        QCOMPARE(hex, std::string(":00000001FF\r"));
        // The command is kept for the next time.
        QCOMPARE(TfrmProgramChip::savedCommand(), command->text());
        QCOMPARE(TfrmProgramChip::commandLine(QStringLiteral("p \"a b\" -f{hex}"), QStringLiteral("x.hex"), {}),
                 (QStringList{QStringLiteral("p"), QStringLiteral("a b"), QStringLiteral("-fx.hex")}));
    }

    void programChipAssemblesTheDocumentWithItsWord()
    {
        // runProgramChip's HEX is Convert to Hex's image; the word it holds is covered by the
        // core tests, so here only that an assembly error keeps the dialog from opening.
        const tarvik::DeviceDefaults defaults;
        tarvik::ProgramDocument doc(defaults);
        tarvik::ProgramLine line;
        line.code = 27;  // goto an unknown label
        line.setOperand("Nowhere");
        doc.lines.insertAfterCursor(line);
        tarvik::test::FakeScreen screen;
        runProgramChip(doc, screen, nullptr);
        QVERIFY(!screen.messages.empty() || !screen.events.empty());
    }

    void fileNewTakesTheChipChosenLastAndCaptionsNameIt()
    {
        TMainForm form;
        form.show();
        rememberChosenDevice(tarvik::Device::Pic16F84A);
        form.FileNewItemClick();
        TMDIChild* view = form.activeChild();
        QVERIFY(view);
        QCOMPARE(view->document().device(), tarvik::Device::Pic16F84A);
        QVERIFY(!view->document().modified);
        QTRY_COMPARE(form.findChild<QLabel*>(QStringLiteral("Panel8"))->text(), QStringLiteral(" PIC16F84A - Pin Diagram"));
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Panel4"))->text(),
                 QStringLiteral(" PIC16F84A  byte-oriented instructions"));
        rememberChosenDevice(tarvik::Device::Pic16C84);
        form.FileNewItemClick();
        QCOMPARE(form.activeChild()->document().device(), tarvik::Device::Pic16C84);
        QTRY_COMPARE(form.findChild<QLabel*>(QStringLiteral("Panel8"))->text(), QStringLiteral(" PIC16C84 - Pin Diagram"));
    }

private:
    tarvik::test::TempDir config_;
};

QTEST_MAIN(DeviceDialogsTest)
#include "DeviceDialogsTest.moc"
