#pragma once

#include "app/QtScreen.h"
#include "app/TMainForm.h"
#include "FakeScreen.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace tarvik::test {

// The application's screen with every dialog real; messages are recorded and answered OK,
// and the file dialogs answer file (none while it is empty).
class RecordingQtScreen : public QtScreen {
public:
    explicit RecordingQtScreen(TMainForm& form)
        : QtScreen(&form, [&form](ProgramDocument& document) { return form.viewOf(document); })
    {
    }
    MessageAnswer showMessage(std::string_view, std::string_view text, MessageButtons) override
    {
        messages.emplace_back(text);
        return MessageAnswer::Ok;
    }
    std::optional<std::string> chooseFileToOpen(const FileRequest& = {}) override { return chosen(); }
    std::optional<std::string> chooseFileToSave(const FileRequest&) override { return chosen(); }

    std::vector<std::string> messages;
    std::string file;

private:
    std::optional<std::string> chosen() const { return file.empty() ? std::nullopt : std::optional(file); }
};

// Acts on the next modal dialog once the command under test has opened it. Records the
// class of what opened, "" when nothing did.
class ModalHand {
public:
    explicit ModalHand(std::function<void(QDialog&)> act)
    {
        QTimer::singleShot(0, &guard_, [this, act = std::move(act)] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen = QString::fromLatin1(dialog->metaObject()->className());
            act(*dialog);
        });
    }
    QString seen;

private:
    QObject guard_;
};

// The start-up the tests that drive the main window share. Each case runs in a fresh
// temporary folder that is the current directory (Convert to Hex writes there), and every
// message box and file dialog of its main window goes to screen: a FakeScreen that answers
// from the case's script, or a RecordingQtScreen that opens the application's own dialogs,
// whose window the fixture makes as form.
template <class ScreenType>
class MainWindowFixture {
    static constexpr bool kOwnDialogs = std::is_base_of_v<QtScreen, ScreenType>;

protected:
    void initFixture()
    {
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(folder->isValid());
        savedCurrent_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder->path()));
        if constexpr (kOwnDialogs) {
            form = std::make_unique<TMainForm>();
            screen = std::make_unique<ScreenType>(*form);
            start(*form);
        } else {
            screen = ScreenType();
        }
    }

    void cleanupFixture()
    {
        form.reset();
        if constexpr (kOwnDialogs)
            screen.reset();
        QDir::setCurrent(savedCurrent_);
        folder.reset();
    }

    // Shows the window with its questions going to the fixture's screen, and waits until
    // it is on screen.
    void start(TMainForm& window)
    {
        if constexpr (kOwnDialogs)
            window.setScreen(screen.get());
        else
            window.setScreen(&screen);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<TMainForm> form;
    std::conditional_t<kOwnDialogs, std::unique_ptr<ScreenType>, ScreenType> screen;

private:
    QString savedCurrent_;
};

} // namespace tarvik::test
