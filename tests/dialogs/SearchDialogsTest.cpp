#include "dialogs/search/TfrmFind.h"
#include "dialogs/search/TfrmReplace.h"

#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"
#include "Screenshots.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using tarvik::test::screenshotPath;

namespace {

QLineEdit* box(QWidget& dialog, const char* name)
{
    return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
}

QPushButton* button(QWidget& dialog, const char* name)
{
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
}

} // namespace

class SearchDialogsTest : public QObject {
    Q_OBJECT

    tarvik::DeviceDefaults defaults;
    std::unique_ptr<tarvik::ProgramDocument> doc;
    tarvik::test::FakeScreen screen;
    int shownTop = 0;

    std::function<void()> showTop()
    {
        return [this] {
            ++shownTop;
            screen.events.push_back("top");
        };
    }

private slots:
    void init()
    {
        doc = std::make_unique<tarvik::ProgramDocument>(defaults);
        tarvik::test::ProgramBuilder p(*doc);
        p.line(7, "COUNT");
        p.line(10, "COUNT");
        p.line(3, "TEMP");
        screen = {};
        shownTop = 0;
    }

    void findSelectsClosesAndThenSaysWhatWasNotFound()
    {
        TfrmFind dialog(*doc, screen, showTop());
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Find"));
        QCOMPARE(dialog.size(), QSize(186, 74));
        QCOMPARE(box(dialog, "txtFind")->maxLength(), 13);
        dialog.grab().save(screenshotPath(QStringLiteral("dialog-TfrmFind.png")));

        button(dialog, "Button1")->click();
        QCOMPARE(screen.texts(), std::vector<std::string>{"Error!"});
        QVERIFY(dialog.isVisible());
        QCOMPARE(shownTop, 0);

        QTest::keyClicks(box(dialog, "txtFind"), "COUNT");
        button(dialog, "Button1")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(doc->lines.countSelected(), 2);
        QCOMPARE(shownTop, 1);
        QVERIFY(!doc->modified);

        TfrmFind again(*doc, screen, showTop());
        again.show();
        box(again, "txtFind")->setText("count");
        button(again, "Button1")->click();
        QVERIFY(!again.isVisible());
        QCOMPARE(screen.texts().back(), std::string("Error! 'count' is not exist!"));
    }

    void replaceClosesOnlyWhenOperandsChanged()
    {
        TfrmReplace dialog(*doc, screen, showTop());
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Replace"));
        QCOMPARE(dialog.size(), QSize(203, 116));
        box(dialog, "txtVariable")->setText("NOSUCH");
        box(dialog, "txtReplace")->setText("TEMP2");
        dialog.grab().save(screenshotPath(QStringLiteral("dialog-TfrmReplace.png")));
        button(dialog, "btnOK")->click();
        // The view is back at the top before the message says nothing matched.
        QCOMPARE(screen.events, (std::vector<std::string>{"top", "message:Error! 'NOSUCH' is not exist!"}));
        QVERIFY(dialog.isVisible());

        box(dialog, "txtReplace")->setText("2ND");
        button(dialog, "btnOK")->click();
        QCOMPARE(screen.texts().back(), std::string("Sintax error: 2ND is not valid!"));
        QCOMPARE(shownTop, 1);  // refused before the walk: the view stays where it was

        box(dialog, "txtVariable")->setText("COUNT");
        box(dialog, "txtReplace")->setText("TEMP2");
        button(dialog, "btnOK")->click();
        QVERIFY(!dialog.isVisible());
        QVERIFY(doc->modified);
        QCOMPARE(doc->lines.first()->next->operandText(), std::string_view("TEMP2"));
    }
};

QTEST_MAIN(SearchDialogsTest)
#include "SearchDialogsTest.moc"
