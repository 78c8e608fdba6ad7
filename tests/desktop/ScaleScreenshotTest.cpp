// Run once per screen density (see CMakeLists.txt): the palette and the editor rows must
// fit their texts whatever the logical DPI, and a picture of each is left to look at.
#include "app/TMainForm.h"
#include "editor/TMDIChild.h"
#include "FakeScreen.h"
#include "RandomProgram.h"
#include "Screenshots.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTest>

using namespace tarvik;

class ScaleScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void paletteAndRowsFitTheirTextsAtThisDensity()
    {
        test::FakeScreen screen;
        TMainForm form;
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        static const DeviceDefaults defaults;
        TMDIChild* view = form.addDocumentWindow(test::makeRandomProgram(defaults, 7), QStringLiteral("sample.qel"));
        view->SetCursorRow(2);

        const double scale = form.logicalDpiY() / 96.0;
        // Every caption of the palette within its button or title panel.
        for (QAbstractButton* button : form.findChild<QWidget*>(QStringLiteral("Panel1"))->findChildren<QAbstractButton*>()) {
            const QFontMetrics metrics(button->font());
            const QString text = button->text().replace(QStringLiteral("&&"), QStringLiteral("&"));
            QVERIFY2(metrics.horizontalAdvance(text) <= button->width() && metrics.height() <= button->height(),
                     qPrintable(button->objectName()));
        }
        for (QLabel* title : form.findChild<QWidget*>(QStringLiteral("Panel1"))->findChildren<QLabel*>()) {
            const QFontMetrics metrics(title->font());
            QVERIFY2(metrics.horizontalAdvance(title->text()) <= title->width()
                         && metrics.height() <= title->height(),
                     qPrintable(title->objectName()));
        }
        // Rows grow with the density: ten whole rows need ten times as much height.
        const int tenRows = qRound(11 * 17 * scale) + 2;
        view->parentWidget()->resize(view->parentWidget()->width(),
                                     view->parentWidget()->height() - view->height() + tenRows);
        QCOMPARE(view->visibleRows(), 10);
        const QFontMetrics rowFont(view->font());
        QVERIFY(rowFont.height() <= qRound(17 * scale));

        // A click maps to a row by truncation at every scale: half way down the first pixel
        // row under the header is no row, the next pixel row is row 0.
        if (scale > 1) {
            view->SetCursorRow(2);
            const int firstPixelRow = static_cast<int>(17 * scale);
            QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(40, firstPixelRow + static_cast<int>(scale / 2)));
            QCOMPARE(view->cursorRow(), 2);
            QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(40, static_cast<int>(18 * scale)));
            QCOMPARE(view->cursorRow(), 0);
        }

        const int dpi = qRound(form.logicalDpiY() * form.devicePixelRatioF());
        const QString name = form.devicePixelRatioF() > 1 ? QStringLiteral("main-%1dpi-qt-scaled.png").arg(dpi)
                                                          : QStringLiteral("main-%1dpi.png").arg(dpi);
        QVERIFY(form.grab().toImage().save(test::screenshotPath(name)));
    }
};

QTEST_MAIN(ScaleScreenshotTest)
#include "ScaleScreenshotTest.moc"
