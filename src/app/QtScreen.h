#pragma once

#include "model/Screen.h"

#include <QString>

#include <functional>

class QFileDialog;
class QWidget;
class TMDIChild;

// The screen of the running application: message boxes and file dialogs of Qt.
class QtScreen : public tarvik::Screen {
public:
    using ViewOf = std::function<TMDIChild*(tarvik::ProgramDocument&)>;

    // Dialogs open over parent; viewOf finds the window that shows a document.
    QtScreen(QWidget* parent, ViewOf viewOf);

    tarvik::MessageAnswer showMessage(std::string_view caption, std::string_view text,
                                      tarvik::MessageButtons buttons) override;

    // The symbol definition dialogs, over the main window.
    int offerNewRegister(tarvik::ProgramDocument&, std::string& name) override;
    int offerNewBit(tarvik::ProgramDocument&, std::string& name) override;
    int offerNewLiteral(tarvik::ProgramDocument&, std::string& name) override;
    int offerNewLabel(tarvik::ProgramDocument&, std::string& name) override;

    void moveCursorToLine(tarvik::ProgramDocument& document, int lineNumber) override;
    // The entry dialogs hook in here.
    void editCurrentLine(tarvik::ProgramDocument& document) override;

    std::optional<std::string> chooseFileToOpen(const tarvik::FileRequest& request = {}) override;
    std::optional<std::string> chooseFileToSave(const tarvik::FileRequest& request) override;

private:
    tarvik::MessageAnswer showLongMessage(const QString& title, const QString& body, tarvik::MessageButtons buttons);
    int afterOffer(tarvik::ProgramDocument& document, int result);
    std::optional<std::string> runFileDialog(QFileDialog& dialog, const tarvik::FileRequest& request);

    QWidget* parent_;
    ViewOf viewOf_;
    QString lastFolder_;  // where the last program-file dialog ended, for this run only
};
