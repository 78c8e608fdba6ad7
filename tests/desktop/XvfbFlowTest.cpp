// A user at the keyboard and mouse of a real X server with a window manager (see
// run-under-xvfb.sh): every click and key comes from xdotool through the server, so the
// focus, the window manager's placement and the menus behave as on a desktop.
#include "app/TMainForm.h"
#include "editor/TMDIChild.h"
#include "files/ProgramFile.h"
#include "Screenshots.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <vector>

namespace {

bool xdotool(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

bool type(const QString& text)
{
    return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
}

bool key(const QString& keys)
{
    return xdotool({QStringLiteral("key"), keys});
}

// Where the server has the window: Qt's own idea of it can lag behind the window manager's
// moves on a loaded machine.
QPoint windowOrigin(const QWidget* window)
{
    QProcess info;
    info.start(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window->winId())});
    if (!info.waitForFinished(5000))
        return window->mapToGlobal(QPoint());
    QPoint origin = window->mapToGlobal(QPoint());
    for (const QByteArray& line : info.readAllStandardOutput().split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith("Absolute upper-left X:"))
            origin.setX(trimmed.mid(trimmed.indexOf(':') + 1).trimmed().toInt());
        else if (trimmed.startsWith("Absolute upper-left Y:"))
            origin.setY(trimmed.mid(trimmed.indexOf(':') + 1).trimmed().toInt());
    }
    return origin;
}

QPoint centreOf(const QWidget* widget)
{
    const QWidget* window = widget->window();
    return windowOrigin(window) + widget->mapTo(window, widget->rect().center());
}

// The pointer is moved again until the server reports it over the widget, and the window
// did not move meanwhile.
bool pointAt(const QWidget* widget)
{
    for (int attempt = 0; attempt < 40; ++attempt) {
        const QPoint origin = windowOrigin(widget->window());
        const QPoint global = origin + widget->mapTo(widget->window(), widget->rect().center());
        if (!xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(global.x()),
                      QString::number(global.y())}))
            return false;
        QTest::qWait(50);
        if (widget->underMouse() && windowOrigin(widget->window()) == origin)
            return true;
    }
    return false;
}

// The main window maximises itself once shown, and the window manager does it when it gets
// to it: on a loaded machine after the test has begun. Waits until the window has stood
// still for a while.
bool settled(const QWidget* window)
{
    QPoint last = windowOrigin(window);
    QSize lastSize = window->size();
    int still = 0;
    for (int i = 0; i < 100 && still < 4; ++i) {
        QTest::qWait(100);
        const QPoint now = windowOrigin(window);
        still = now == last && window->size() == lastSize ? still + 1 : 0;
        last = now;
        lastSize = window->size();
    }
    return still >= 4;
}

// For a failure's message: where the pointer is and what Qt has there.
QByteArray pointerReport(const QWidget* target)
{
    const QPoint pointer = QCursor::pos();
    const QWidget* there = QApplication::widgetAt(pointer);
    return QStringLiteral("pointer at %1,%2 over %3; %4 centred at %5,%6 by the server, %7,%8 by Qt")
        .arg(pointer.x()).arg(pointer.y())
        .arg(there ? there->objectName() + QLatin1Char(' ') + QString::fromLatin1(there->metaObject()->className())
                   : QStringLiteral("nothing"))
        .arg(target->objectName())
        .arg(centreOf(target).x()).arg(centreOf(target).y())
        .arg(target->mapToGlobal(target->rect().center()).x()).arg(target->mapToGlobal(target->rect().center()).y())
        .toLocal8Bit();
}

bool clickOn(const QWidget* widget)
{
    return pointAt(widget) && xdotool({QStringLiteral("click"), QStringLiteral("1")});
}

bool hasFocus(const QWidget* widget)
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == widget || widget->isAncestorOf(focus));
}

template <class T = QWidget>
T* modal(const char* className)
{
    QWidget* widget = QApplication::activeModalWidget();
    return widget && widget->inherits(className) && QApplication::activeWindow() == widget ? qobject_cast<T*>(widget)
                                                                                           : nullptr;
}

// Steps of a session, each once its condition holds. A modal dialog runs its own event
// loop, so the steps are taken from a timer, which fires in whichever loop runs.
class Session : public QObject {
public:
    struct Step {
        const char* name;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    explicit Session(std::vector<Step> steps) : steps_(std::move(steps))
    {
        connect(&timer_, &QTimer::timeout, this, &Session::tick);
        timer_.start(30);
        clock_.start();
    }
    bool done() const { return next_ >= steps_.size() || !failed.isEmpty(); }
    void stop() { next_ = steps_.size(); }
    QString failed;  // the step that never became ready

private:
    void tick()
    {
        if (done())
            return;
        const Step& step = steps_[next_];
        if (!step.ready()) {
            if (clock_.elapsed() > 15000) {
                failed = QString::fromLatin1(step.name);
                QApplication::primaryScreen()->grabWindow(0).save(
                    tarvik::test::screenshotPath(QStringLiteral("xvfb-stuck.png")));
                // Whatever dialog is in the way goes, so that the test can end.
                if (QWidget* dialog = QApplication::activeModalWidget())
                    dialog->close();
            }
            return;
        }
        // The actions only send keys and clicks to the server; what they open comes later,
        // through the event loop.
        ++next_;
        clock_.restart();
        step.act();
    }

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QTimer timer_;
    QElapsedTimer clock_;
};

} // namespace

class XvfbFlowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder;

    void showForm(TMainForm& form)
    {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY_WITH_TIMEOUT(form.isActiveWindow() && form.activeChild() && hasFocus(form.activeChild()), 10000);
        QVERIFY(settled(&form));
    }

    static void run(Session& session)
    {
        QTRY_VERIFY_WITH_TIMEOUT(session.done(), 60000);
        QVERIFY2(session.failed.isEmpty(), qPrintable(QStringLiteral("stuck before: ") + session.failed));
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            QSKIP("needs an X server with a window manager: run it through run-under-xvfb.sh");
    }

    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(folder->isValid());
        QVERIFY(QDir::setCurrent(folder->path()));
    }

    void aLineTypedIntoThePaletteDialogIsSaved()
    {
        TMainForm form;
        showForm(form);
        TMDIChild* view = form.activeChild();
        const QString saved = folder->filePath(QStringLiteral("typed.qel"));
        bool operandMissed = false;
        Session session({
            {"the palette button", [] { return true; },
             [&form] { clickOn(form.findChild<QToolButton*>(QStringLiteral("btnMovlw"))); }},
            {"the dialog with the label box", [] { return modal("TfrmLit1") != nullptr; },
             [] {
                 type(QStringLiteral("START"));
                 key(QStringLiteral("Tab"));
             }},
            {"Tab out of the label",
             [] {
                 auto* dialog = modal("TfrmLit1");
                 auto* label = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("txtLabel")) : nullptr;
                 return label && label->text() == QStringLiteral("START") && !hasFocus(label);
             },
             [&] {
                 QWidget* dialog = modal("TfrmLit1");
                 if (!hasFocus(dialog->findChild<QComboBox*>(QStringLiteral("cbxK")))) {
                     operandMissed = true;
                     session.stop();
                     key(QStringLiteral("Escape"));
                     return;
                 }
                 type(QStringLiteral("H'0F'"));
             }},
            {"the operand typed",
             [] {
                 auto* dialog = modal("TfrmLit1");
                 return dialog && dialog->findChild<QComboBox*>(QStringLiteral("cbxK"))->currentText() == QStringLiteral("H'0F'");
             },
             [] { key(QStringLiteral("Return")); }},
            {"the line in the program", [view] { return !QApplication::activeModalWidget() && view->document().lines.count() == 2; },
             [] { key(QStringLiteral("ctrl+s")); }},
            {"the save dialog", [] { return modal<QFileDialog>("QFileDialog") != nullptr; },
             [&saved] {
                 type(saved);
                 key(QStringLiteral("Return"));
             }},
            {"the program saved", [view] { return !QApplication::activeModalWidget() && !view->document().modified; },
             [] {}},
        });
        run(session);
        if (operandMissed)
            QFAIL("Tab from the label box does not reach the operand box of the entry dialog");

        const tarvik::DeviceDefaults defaults;
        const tarvik::ReadOutcome read = tarvik::readProgramFile(QFile::encodeName(saved).toStdString(), defaults);
        QCOMPARE(read.status, tarvik::ReadStatus::Ok);
        const tarvik::ProgramLine& line = *read.document->lines.first()->next;
        QCOMPARE(line.code, 24);
        QCOMPARE(line.labelText(), std::string_view("START"));
        QCOMPARE(line.operandText(), std::string_view("H'0F'"));
    }

    void hintsMenusAndKeysAsTheDesktopDeliversThem()
    {
        TMainForm form;
        showForm(form);
        TMDIChild* view = form.activeChild();
        for (int i = 0; i < 4; ++i)
            view->InsertBlankLine();
        view->MoveCursorToLine(2);
        QScreen* screen = QApplication::primaryScreen();
        const auto picture = [&form, screen](const char* name) {
            QTest::qWait(300);  // the server draws what the program has painted
            const QRect whole = form.frameGeometry();
            QVERIFY(screen->grabWindow(0, whole.x(), whole.y(), whole.width(), whole.height())
                        .save(tarvik::test::screenshotPath(QString::fromLatin1(name))));
        };

        // The palette's hint in the message panel, the document's panels as they were.
        auto* movlw = form.findChild<QToolButton*>(QStringLiteral("btnMovlw"));
        QVERIFY2(pointAt(movlw), pointerReport(movlw).constData());
        QTRY_COMPARE(form.statusPanelText(TMainForm::kMessagePanel), QStringLiteral("Move literal to W"));
        QCOMPARE(form.statusPanelText(1), QStringLiteral("   2"));
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));
        picture("xvfb-palette-hint.png");
        QVERIFY2(pointAt(view), pointerReport(view).constData());

        // Shift+F10 opens the line menu under the cursor line; Escape closes it.
        QVERIFY(key(QStringLiteral("shift+F10")));
        QTRY_VERIFY(view->popupMenu()->isVisible());
        picture("xvfb-line-menu.png");
        QVERIFY(key(QStringLiteral("Escape")));
        QTRY_VERIFY(!view->popupMenu()->isVisible());

        // After Escape from a menu of the bar the keys reach the document again.
        for (const char* letter : {"alt+f", "alt+i"}) {
            QVERIFY(key(QString::fromLatin1(letter)));
            QTRY_VERIFY(QApplication::activePopupWidget());
            QVERIFY(key(QStringLiteral("Escape")));
            QTRY_VERIFY(!QApplication::activePopupWidget());
            const int row = view->cursorRow();
            QVERIFY(key(QStringLiteral("Down")));
            QTRY_COMPARE(view->cursorRow(), row + 1);
        }
        // Alt+I is the Simulate menu's, Alt+S Search's.
        QVERIFY(key(QStringLiteral("alt+s")));
        QTRY_VERIFY(QApplication::activePopupWidget());
        QCOMPARE(QApplication::activePopupWidget()->objectName(), QStringLiteral("Search1"));
        QVERIFY(key(QStringLiteral("Escape")));
        QTRY_VERIFY(!QApplication::activePopupWidget());

        // Insert: the palette by keyboard, what is typed in its box, Return to the entry dialog.
        // The picker is a popup: it takes the keys without becoming the active window.
        const auto picker = [] {
            QWidget* popup = QApplication::activePopupWidget();
            return popup && popup->inherits("TfrmPickInstruction") ? popup : nullptr;
        };
        const auto filterText = [&picker] {
            QWidget* shown = picker();
            auto* box = shown ? shown->findChild<QLineEdit*>(QStringLiteral("txtFilter")) : nullptr;
            return box ? box->text() : QString();
        };
        Session picking({
            {"the document", [] { return true; }, [] { key(QStringLiteral("Insert")); }},
            {"the instruction picker", [&picker] { return picker() != nullptr; },
             [] { type(QStringLiteral("movl")); }},
            {"the text in its box", [&] { return filterText() == QStringLiteral("movl"); },
             [] { key(QStringLiteral("Return")); }},
            {"the movlw dialog", [] { return modal("TfrmLit1") != nullptr; }, [] { key(QStringLiteral("Escape")); }},
            {"back in the document", [] { return !QApplication::activeModalWidget(); }, [] {}},
        });
        run(picking);
    }
};

QTEST_MAIN(XvfbFlowTest)
#include "XvfbFlowTest.moc"
