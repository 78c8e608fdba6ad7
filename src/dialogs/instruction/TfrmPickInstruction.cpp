#include "dialogs/instruction/TfrmPickInstruction.h"

#include "editor/ProgramText.h"
#include "model/InstructionCode.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { Mnemonic, Symbol, Description };

QString operandForm(tarvik::OperandShape shape)
{
    using enum tarvik::OperandShape;
    switch (shape) {
    case F: return QStringLiteral(" f");
    case FD: return QStringLiteral(" f,d");
    case FB: return QStringLiteral(" f,b");
    case K: return QStringLiteral(" k");
    case Label: return QStringLiteral(" label");
    case NoOperand: break;
    }
    return {};
}

} // namespace

TfrmPickInstruction::TfrmPickInstruction(int lastCode, const QString& typed, QWidget* parent)
    // A popup rather than a dialog window: the toolkit hands a popup the keys that reach the
    // main window before the window manager has moved the focus, so a name typed at a
    // typist's pace loses no letter while the list opens (a dialog window lost the second
    // letter). A click elsewhere closes it, as Escape does.
    : QDialog(parent, Qt::Popup),
      lastCode_(lastCode)
{
    setObjectName(QStringLiteral("TfrmPickInstruction"));
    setWindowTitle(QStringLiteral("Insert Instruction"));
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    auto* prompt = new QLabel(QStringLiteral("Insert &instruction:"), frame);
    txtFilter = new QLineEdit(frame);
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setPlaceholderText(QStringLiteral("mnemonic, palette symbol or description"));
    txtFilter->setClearButtonEnabled(true);
    prompt->setBuddy(txtFilter);

    lvInstructions = new QTreeWidget(frame);
    lvInstructions->setObjectName(QStringLiteral("lvInstructions"));
    lvInstructions->setHeaderLabels({QStringLiteral("Mnemonic"), QStringLiteral("Palette"), QStringLiteral("Description")});
    lvInstructions->setRootIsDecorated(false);
    lvInstructions->setUniformRowHeights(true);
    lvInstructions->setAllColumnsShowFocus(true);
    lvInstructions->setFocusPolicy(Qt::NoFocus);  // the keys stay in the box and move the list
    for (const tarvik::InstructionInfo& info : tarvik::kInstructions) {
        QString symbol = fromProgramText(info.paletteCaption);
        symbol.replace(QStringLiteral("&&"), QStringLiteral("&"));
        auto* row = new QTreeWidgetItem(lvInstructions, {fromProgramText(info.mnemonic) + operandForm(info.shape), symbol,
                                                         fromProgramText(info.dialogCaption)});
        row->setData(Mnemonic, Qt::UserRole, info.code);
    }
    for (int column : {Mnemonic, Symbol})
        lvInstructions->resizeColumnToContents(column);
    lvInstructions->header()->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, frame);
    btnOK = buttons->button(QDialogButtonBox::Ok);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmPickInstruction::acceptIfChosen);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(prompt);
    layout->addWidget(txtFilter);
    layout->addWidget(lvInstructions, 1);
    layout->addWidget(buttons);

    txtFilter->setText(typed);
    filter(typed);
    connect(txtFilter, &QLineEdit::textChanged, this, &TfrmPickInstruction::filter);
    connect(lvInstructions, &QTreeWidget::itemDoubleClicked, this, &TfrmPickInstruction::acceptIfChosen);
    txtFilter->installEventFilter(this);
    txtFilter->setFocus();

    const int rowHeight = lvInstructions->sizeHintForRow(0);
    resize(std::max(420, lvInstructions->header()->length() + 120), 16 * rowHeight + 120);
}

int TfrmPickInstruction::chosenCode() const
{
    const QTreeWidgetItem* row = lvInstructions->currentItem();
    return row && !row->isHidden() ? row->data(Mnemonic, Qt::UserRole).toInt() : 0;
}

// A row stays when the typed text is part of its mnemonic, palette symbol or description;
// the first row whose mnemonic starts with it is the one offered.
void TfrmPickInstruction::filter(const QString& typed)
{
    const QString wanted = typed.trimmed();
    QTreeWidgetItem* offered = nullptr;
    QTreeWidgetItem* firstShown = nullptr;
    for (int i = 0; i < lvInstructions->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = lvInstructions->topLevelItem(i);
        const QString mnemonic = row->text(Mnemonic).section(QLatin1Char(' '), 0, 0);
        const bool shown = wanted.isEmpty() || mnemonic.contains(wanted, Qt::CaseInsensitive)
                           || row->text(Symbol).contains(wanted, Qt::CaseInsensitive)
                           || row->text(Description).contains(wanted, Qt::CaseInsensitive);
        row->setHidden(!shown);
        if (!shown)
            continue;
        if (!firstShown)
            firstShown = row;
        const bool best = wanted.isEmpty() ? row->data(Mnemonic, Qt::UserRole).toInt() == lastCode_
                                           : mnemonic.startsWith(wanted, Qt::CaseInsensitive);
        if (best && !offered)
            offered = row;
        if (!wanted.isEmpty() && mnemonic.compare(wanted, Qt::CaseInsensitive) == 0)
            offered = row;  // the whole mnemonic typed beats a longer one it begins
    }
    QTreeWidgetItem* current = offered ? offered : firstShown;
    lvInstructions->setCurrentItem(current);
    if (current)
        lvInstructions->scrollToItem(current);
    btnOK->setEnabled(current != nullptr);
}

// Showing a dialog gives its box the focus as Tab would, which selects what it holds: the
// letter typed into the grid would go with the next key.
void TfrmPickInstruction::setVisible(bool visible)
{
    QDialog::setVisible(visible);
    if (visible) {
        txtFilter->deselect();
        txtFilter->end(false);
    }
}

void TfrmPickInstruction::acceptIfChosen()
{
    if (chosenCode() != 0)
        accept();
}

// The arrows and page keys typed into the box move through the list.
bool TfrmPickInstruction::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtFilter && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QApplication::sendEvent(lvInstructions, event);
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
