#include "app/QtScreen.h"
#include "Screenshots.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>

using tarvik::MessageAnswer;
using tarvik::MessageButtons;

Q_DECLARE_METATYPE(MessageButtons)
Q_DECLARE_METATYPE(MessageAnswer)

namespace {

// What the message box looked like while it waited for the person.
struct BoxSeen {
    QString caption;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::StandardButtons buttons;
};

// Shows a message through the screen and answers it with a standard button, or with Escape
// when button is NoButton.
MessageAnswer answerMessage(MessageButtons buttons, QMessageBox::StandardButton button, BoxSeen& seen,
                            const char* text = "text")
{
    QWidget parent;
    QtScreen screen(&parent, {});
    QTimer::singleShot(0, [&seen, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = {box->windowTitle(), box->text(), box->textFormat(), box->standardButtons()};
        if (button == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(button)->click();
    });
    return screen.showMessage("Tarvik message", text, buttons);
}

} // namespace

class QtScreenTest : public QObject {
    Q_OBJECT

private slots:
    void messageBoxesAnswerWithTheButtonPressed_data()
    {
        QTest::addColumn<MessageButtons>("buttons");
        QTest::addColumn<int>("pressed");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<int>("offered");
        const int okCancel = QMessageBox::Ok | QMessageBox::Cancel;
        const int yesNoCancel = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        QTest::newRow("OK") << MessageButtons::Ok << int(QMessageBox::Ok) << MessageAnswer::Ok << int(QMessageBox::Ok);
        QTest::newRow("OK, Escape") << MessageButtons::Ok << int(QMessageBox::NoButton) << MessageAnswer::Ok
                                    << int(QMessageBox::Ok);
        QTest::newRow("OK of OK and Cancel") << MessageButtons::OkCancel << int(QMessageBox::Ok) << MessageAnswer::Ok
                                             << okCancel;
        QTest::newRow("Cancel of OK and Cancel") << MessageButtons::OkCancel << int(QMessageBox::Cancel)
                                                 << MessageAnswer::Cancel << okCancel;
        QTest::newRow("Yes") << MessageButtons::YesNoCancel << int(QMessageBox::Yes) << MessageAnswer::Yes
                             << yesNoCancel;
        QTest::newRow("No") << MessageButtons::YesNoCancel << int(QMessageBox::No) << MessageAnswer::No << yesNoCancel;
        QTest::newRow("Cancel") << MessageButtons::YesNoCancel << int(QMessageBox::Cancel) << MessageAnswer::Cancel
                                << yesNoCancel;
        // Escape must never read as Yes or No: a save question would save or discard.
        QTest::newRow("Escape of Yes, No and Cancel") << MessageButtons::YesNoCancel << int(QMessageBox::NoButton)
                                                      << MessageAnswer::Cancel << yesNoCancel;
        QTest::newRow("Escape of Yes, No and Cancel, No the default")
            << MessageButtons::YesNoCancelDefaultNo << int(QMessageBox::NoButton) << MessageAnswer::Cancel << yesNoCancel;
    }

    void messageBoxesAnswerWithTheButtonPressed()
    {
        QFETCH(MessageButtons, buttons);
        QFETCH(int, pressed);
        QFETCH(MessageAnswer, answer);
        QFETCH(int, offered);
        BoxSeen seen;
        QCOMPARE(answerMessage(buttons, QMessageBox::StandardButton(pressed), seen), answer);
        QCOMPARE(seen.caption, QStringLiteral("Tarvik message"));
        QCOMPARE(int(seen.buttons), offered);
    }

    void returnAnswersTheDefaultButton()
    {
        for (const auto& [buttons, answer] : {std::pair(MessageButtons::YesNoCancel, MessageAnswer::Yes),
                                              std::pair(MessageButtons::YesNoCancelDefaultNo, MessageAnswer::No)}) {
            QWidget parent;
            QtScreen screen(&parent, {});
            QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
            QCOMPARE(screen.showMessage("Tarvik message", "text", buttons), answer);
        }
    }

    void aMessageTallerThanTheScreenScrollsInABoxThatFits()
    {
        // Thousands of import notes, one a line.
        QStringList notes;
        for (int line = 1; line <= 3000; ++line)
            notes.append(QStringLiteral("blink.asm:%1: __config is not kept in the program").arg(line));
        QWidget parent;
        QtScreen screen(&parent, {});
        QString shown;
        QSize size;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            QCoreApplication::processEvents();  // the layout settles
            auto* text = box->findChild<QPlainTextEdit*>(QStringLiteral("txtMessage"));
            shown = text ? text->toPlainText() : QString();
            size = box->frameGeometry().size();
            box->grab().save(tarvik::test::screenshotPath(QStringLiteral("long-message.png")));
            QTest::keyClick(box, Qt::Key_Return);
        });
        QCOMPARE(screen.showMessage("Tarvik message", notes.join(QLatin1Char('\n')).toStdString(), MessageButtons::Ok),
                 MessageAnswer::Ok);
        QCOMPARE(shown, notes.join(QLatin1Char('\n')));
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(size.height() <= room.height() && size.width() <= room.width(),
                 qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));

        // Escape answers as the message box would.
        QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
        QCOMPARE(screen.showMessage("Tarvik message", notes.join(QLatin1Char('\n')).toStdString(),
                                    MessageButtons::YesNoCancel),
                 MessageAnswer::Cancel);
    }

    void namesInAMessageAreShownAsTyped()
    {
        // A file or symbol name that looks like markup is shown as it stands.
        BoxSeen seen;
        answerMessage(MessageButtons::YesNoCancel, QMessageBox::Cancel, seen,
                      "Do you want to save the changes you made to <b>x</b>.qel");
        QCOMPARE(seen.text, QStringLiteral("Do you want to save the changes you made to <b>x</b>.qel"));
        QCOMPARE(seen.format, Qt::PlainText);

        // Symbol names are program text: Latin-1 bytes.
        answerMessage(MessageButtons::Ok, QMessageBox::Ok, seen, "Sintax error: Z\xE9 is not valid!");
        QCOMPARE(seen.text, QStringLiteral("Sintax error: Z\u00E9 is not valid!"));
    }
};

QTEST_MAIN(QtScreenTest)
#include "QtScreenTest.moc"
