#include "app/QtScreen.h"

#include "dialogs/instruction/EntryDialogs.h"
#include "dialogs/symbols/TfrmLabels.h"
#include "dialogs/symbols/TfrmNewBits.h"
#include "dialogs/symbols/TfrmNewConstants.h"
#include "dialogs/symbols/TfrmNewRegisters.h"
#include "editor/ProgramText.h"
#include "editor/TMDIChild.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QPushButton>

namespace {

// The title bar's icon, its buttons and their margins, as a generous allowance.
constexpr int kTitleBarButtonsWidth = 140;

// The suffix of the filter's first pattern: "qel" of "Tarvik Source files (*.qel)".
QString firstSuffix(const QString& filter)
{
    const qsizetype star = filter.indexOf(QStringLiteral("*."));
    if (star < 0)
        return QString();
    qsizetype end = star + 2;
    while (end < filter.size() && filter[end].isLetterOrNumber())
        ++end;
    return filter.mid(star + 2, end - star - 2);
}

} // namespace

QtScreen::QtScreen(QWidget* parent, ViewOf viewOf)
    : parent_(parent), viewOf_(std::move(viewOf))
{
}

tarvik::MessageAnswer QtScreen::showMessage(std::string_view caption, std::string_view text,
                                            tarvik::MessageButtons buttons)
{
    using tarvik::MessageAnswer;
    using tarvik::MessageButtons;
    // Messages carry symbol names, which are program text; one that looks like markup must
    // not be rendered.
    QMessageBox box(QMessageBox::NoIcon, fromProgramText(caption), fromProgramText(text), QMessageBox::NoButton, parent_);
    box.setTextFormat(Qt::PlainText);
    switch (buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    // The box is as wide as its text needs, which may leave the caption cut off in the
    // title bar; the spacer makes room for it beside the frame's buttons.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int captionWidth = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(box.windowTitle())
            + kTitleBarButtonsWidth;
        grid->addItem(new QSpacerItem(captionWidth, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Cancel;
    }
}

int QtScreen::offerNewRegister(tarvik::ProgramDocument& document, std::string& name)
{
    TfrmNewRegisters dialog(document, *this, parent_);
    dialog.setPresetName(name);
    dialog.setCallerText(&name);
    dialog.exec();
    return afterOffer(document, dialog.addResult());
}

int QtScreen::offerNewBit(tarvik::ProgramDocument& document, std::string& name)
{
    TfrmNewBits dialog(document, *this, parent_);
    dialog.setPresetName(name);
    dialog.setCallerText(&name);
    dialog.exec();
    return afterOffer(document, dialog.addResult());
}

int QtScreen::offerNewLiteral(tarvik::ProgramDocument& document, std::string& name)
{
    TfrmNewConstants dialog(document, *this, parent_);
    dialog.setCallerText(&name);
    dialog.exec();
    return afterOffer(document, dialog.addResult());
}

int QtScreen::offerNewLabel(tarvik::ProgramDocument& document, std::string& name)
{
    TfrmLabels dialog(document, *this, parent_);
    dialog.setCallerText(&name);
    dialog.exec();
    return afterOffer(document, dialog.addResult());
}

int QtScreen::afterOffer(tarvik::ProgramDocument& document, int result)
{
    // The name may now stand in the line under the cursor, and bits show under new names.
    if (TMDIChild* view = viewOf_ ? viewOf_(document) : nullptr; view && result)
        view->update();
    return result;
}

void QtScreen::moveCursorToLine(tarvik::ProgramDocument& document, int lineNumber)
{
    if (TMDIChild* view = viewOf_ ? viewOf_(document) : nullptr)
        view->MoveCursorToLine(lineNumber);
}

void QtScreen::editCurrentLine(tarvik::ProgramDocument& document)
{
    if (TMDIChild* view = viewOf_ ? viewOf_(document) : nullptr) {
        const TMDIChild::UndoScope step(*view, "Edit");
        EditCurrentLine(*view, *this, parent_);
    }
}

std::optional<std::string> QtScreen::chooseFileToOpen(const tarvik::FileRequest& request)
{
    QFileDialog dialog(parent_, fromProgramText(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return runFileDialog(dialog, request);
}

std::optional<std::string> QtScreen::chooseFileToSave(const tarvik::FileRequest& request)
{
    QFileDialog dialog(parent_, fromProgramText(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    return runFileDialog(dialog, request);
}

// The program-file dialogs start in the folder where the last one of this run ended.
std::optional<std::string> QtScreen::runFileDialog(QFileDialog& dialog, const tarvik::FileRequest& request)
{
    const QString filter = fromProgramText(request.filter);
    const bool programFiles = request.filter == tarvik::kProgramFileFilter;
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(firstSuffix(filter));
    if (!request.suggestedPath.empty())
        dialog.selectFile(QFile::decodeName(QByteArray(request.suggestedPath.data(),
                                                       static_cast<qsizetype>(request.suggestedPath.size()))));
    else if (programFiles && !lastFolder_.isEmpty())
        dialog.setDirectory(lastFolder_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    if (programFiles)
        lastFolder_ = QFileInfo(chosen).absolutePath();
    return QFile::encodeName(chosen).toStdString();
}
