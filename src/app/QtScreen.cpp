#include "app/QtScreen.h"

#include "dialogs/instruction/EntryDialogs.h"
#include "dialogs/symbols/TfrmLabels.h"
#include "dialogs/symbols/TfrmNewBits.h"
#include "dialogs/symbols/TfrmNewConstants.h"
#include "dialogs/symbols/TfrmNewRegisters.h"
#include "editor/ProgramText.h"
#include "editor/TMDIChild.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpacerItem>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The title bar's icon, its buttons and their margins, as a generous allowance.
constexpr int kTitleBarButtonsWidth = 140;

struct ButtonChoice {
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
};

ButtonChoice buttonChoice(tarvik::MessageButtons buttons)
{
    using tarvik::MessageButtons;
    switch (buttons) {
    case MessageButtons::Ok:
        return {QMessageBox::Ok, QMessageBox::Ok};
    case MessageButtons::OkCancel:
        return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok};
    case MessageButtons::YesNoCancel:
        return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes};
    case MessageButtons::YesNoCancelDefaultNo:
        return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No};
    }
    return {QMessageBox::Ok, QMessageBox::Ok};
}

// The standard buttons of QMessageBox and QDialogButtonBox share their values.
tarvik::MessageAnswer answerOf(int button)
{
    using tarvik::MessageAnswer;
    switch (button) {
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
    // Messages carry symbol names, which are program text; one that looks like markup must
    // not be rendered.
    const QString title = fromProgramText(caption);
    const QString body = fromProgramText(text);
    const QScreen* screen = parent_ && parent_->screen() ? parent_->screen() : QGuiApplication::primaryScreen();
    const int roomHeight = screen ? screen->availableGeometry().height() : 768;
    const qsizetype lines = body.count(QLatin1Char('\n')) + 1;
    if (lines * QFontMetrics(QApplication::font("QMessageBox")).lineSpacing() > roomHeight / 2)
        return showLongMessage(title, body, buttons);

    const ButtonChoice choice = buttonChoice(buttons);
    QMessageBox box(QMessageBox::NoIcon, title, body, choice.buttons, parent_);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(choice.defaultButton);
    // The box is as wide as its text needs, which may leave the caption cut off in the
    // title bar; the spacer makes room for it beside the frame's buttons.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int captionWidth = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(box.windowTitle())
            + kTitleBarButtonsWidth;
        grid->addItem(new QSpacerItem(captionWidth, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
    return answerOf(box.exec());
}

// A text of more lines than half the screen holds (a long list of import notes) scrolls
// inside a box that fits the screen.
tarvik::MessageAnswer QtScreen::showLongMessage(const QString& title, const QString& body,
                                                tarvik::MessageButtons buttons)
{
    QDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("LongMessage"));
    dialog.setWindowTitle(title);
    auto* column = new QVBoxLayout(&dialog);
    auto* text = new QPlainTextEdit(body, &dialog);
    text->setObjectName(QStringLiteral("txtMessage"));
    text->setReadOnly(true);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // long lines wrap
    column->addWidget(text);
    const ButtonChoice choice = buttonChoice(buttons);
    auto* row = new QDialogButtonBox(QDialogButtonBox::StandardButtons(int(choice.buttons)), &dialog);
    column->addWidget(row);
    QObject::connect(row, &QDialogButtonBox::clicked, &dialog,
                     [&dialog, row](QAbstractButton* button) { dialog.done(row->standardButton(button)); });
    if (QPushButton* preset = row->button(QDialogButtonBox::StandardButton(choice.defaultButton))) {
        preset->setDefault(true);
        preset->setFocus();
    }

    const QScreen* screen = dialog.screen();
    const QSize room = screen ? screen->availableGeometry().size() : QSize(1024, 768);
    const QFontMetrics metrics(text->font());
    int widest = 0;
    for (const QString& line : body.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const QMargins margins = column->contentsMargins();
    const int chrome = margins.left() + margins.right() + 2 * text->frameWidth()
        + 2 * int(text->document()->documentMargin()) + text->verticalScrollBar()->sizeHint().width();
    const int width = std::min(widest + chrome + 2 * metrics.averageCharWidth(), room.width() * 4 / 5);
    dialog.resize(std::max(width, 400), room.height() * 3 / 5);
    const int answer = dialog.exec();
    // Escape and the close box answer as a message box does: OK alone, otherwise Cancel.
    if (answer == QDialog::Rejected)
        return buttons == tarvik::MessageButtons::Ok ? tarvik::MessageAnswer::Ok : tarvik::MessageAnswer::Cancel;
    return answerOf(answer);
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
    // The line a message is about is brought into view, not only given the cursor.
    if (TMDIChild* view = viewOf_ ? viewOf_(document) : nullptr)
        view->ShowLine(lineNumber);
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
