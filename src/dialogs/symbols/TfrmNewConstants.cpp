#include "dialogs/symbols/TfrmNewConstants.h"

#include "dialogs/FormFont.h"
#include "dialogs/ProgramTextBox.h"
#include "editor/ProgramText.h"
#include "model/ProgramDocument.h"
#include "model/SymbolCommands.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

namespace {

QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, int top)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(264, top, 70, 22);
    button->setAutoDefault(false);
    return button;
}

QLineEdit* addBox(QWidget* parent, const char* name, int left, int width)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(left, 145, width, 21);
    limitTyping(box, TfrmNewConstants::kMaxTextLength);
    return box;
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, int left)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, 130);
    label->adjustSize();
    return label;
}

} // namespace

TfrmNewConstants::TfrmNewConstants(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      document_(document), screen_(screen)
{
    setFont(formFont());
    setObjectName(QStringLiteral("TfrmNewConstants"));
    setWindowTitle(QStringLiteral("New Literal "));

    ListView1_ = new QTreeWidget(this);
    ListView1_->setObjectName(QStringLiteral("ListView1"));
    ListView1_->setGeometry(8, 8, 250, 121);
    ListView1_->setColumnCount(2);
    ListView1_->setHeaderLabels({QStringLiteral("Literal"), QStringLiteral("Value")});
    // The value column takes what the name column leaves, so both fit without scrolling.
    ListView1_->setColumnWidth(0, 170);
    // (A stretched last section never shrinks below its default size; a stretched one does.)
    ListView1_->header()->setStretchLastSection(false);
    ListView1_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    ListView1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListView1_->setRootIsDecorated(false);
    ListView1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1_->header()->setSectionsMovable(false);
    ListView1_->viewport()->installEventFilter(this);
    connect(ListView1_, &QTreeWidget::itemSelectionChanged, this, &TfrmNewConstants::ListView1Change);

    Label1_ = addLabel(this, "Label1", QStringLiteral("New Literal:"), 8);
    txtConstant_ = addBox(this, "txtConstant", 8, 113);
    connect(txtConstant_, &QLineEdit::textChanged, this, &TfrmNewConstants::txtConstantChange);
    Label2_ = addLabel(this, "Label2", QStringLiteral("Value:"), 135);
    txtValue_ = addBox(this, "txtValue", 135, 123);

    btnAdd_ = addButton(this, "btnAdd", QStringLiteral("&Add"), 8);
    btnAdd_->setDefault(true);
    btnDelete_ = addButton(this, "btnDelete", QStringLiteral("&Delete"), 40);
    btnDelete_->setEnabled(false);
    btnCancel_ = addButton(this, "btnCancel", QStringLiteral("&Cancel"), 72);
    connect(btnAdd_, &QPushButton::clicked, this, &TfrmNewConstants::btnAddClick);
    connect(btnDelete_, &QPushButton::clicked, this, &TfrmNewConstants::btnDeleteClick);
    connect(btnCancel_, &QPushButton::clicked, this, &TfrmNewConstants::btnCancelClick);

    // Its items have never had an action; the menu is there to be seen.
    PopupMenu1_ = new QMenu(this);
    PopupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1_->addAction(QStringLiteral("&Delete"))->setObjectName(QStringLiteral("Delete1"));
    PopupMenu1_->addAction(QStringLiteral("&Rename"))->setObjectName(QStringLiteral("Rename1"));

    setFixedSize(338, 175);
}

void TfrmNewConstants::setAddMode()
{
    setWindowTitle(QStringLiteral("Add New Literal"));
    setTabOrder(txtConstant_, txtValue_);
    setTabOrder(txtValue_, btnAdd_);
    setTabOrder(btnAdd_, btnDelete_);
    setTabOrder(btnDelete_, btnCancel_);
    setTabOrder(btnCancel_, ListView1_);
}

void TfrmNewConstants::setBrowseMode()
{
    setWindowTitle(QStringLiteral("Literals"));
    for (QWidget* hidden : {static_cast<QWidget*>(btnAdd_), static_cast<QWidget*>(btnDelete_),
                            static_cast<QWidget*>(txtConstant_), static_cast<QWidget*>(txtValue_),
                            static_cast<QWidget*>(Label1_), static_cast<QWidget*>(Label2_)})
        hidden->hide();
    btnCancel_->setText(QStringLiteral("&Close"));
    btnCancel_->move(btnCancel_->x(), 8);
    setFixedSize(width(), 165);
}

void TfrmNewConstants::setCallerText(std::string* text)
{
    callerText_ = text;
    setWholeText(txtConstant_, text ? fromProgramText(*text) : QString());
}

void TfrmNewConstants::setVisible(bool visible)
{
    const bool first = visible && !activated_;
    QDialog::setVisible(visible);
    // The name box has the focus, an offered name unselected with the cursor after it, so
    // that nothing typed for the value overwrites it; browse mode has only the list.
    if (first) {
        QWidget* box = txtConstant_->isVisibleTo(this) ? static_cast<QWidget*>(txtConstant_) : ListView1_;
        box->setFocus(Qt::OtherFocusReason);
        txtConstant_->deselect();
        txtConstant_->end(false);
    }
}

void TfrmNewConstants::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TfrmNewConstants::FormActivate()
{
    if (activated_)
        return;
    activated_ = true;
    fillList();
}

void TfrmNewConstants::fillList()
{
    ListView1_->clear();
    for (const tarvik::NameValueEntry& literal : document_.literals)
        ListView1_->addTopLevelItem(new QTreeWidgetItem({fromProgramText(literal.nameText()), fromProgramText(literal.valueText())}));
}

void TfrmNewConstants::ListView1Change()
{
    const QList<QTreeWidgetItem*> selected = ListView1_->selectedItems();
    if (!selected.isEmpty()) {
        setWholeText(txtConstant_, selected.constFirst()->text(0));
        setWholeText(txtValue_, selected.constFirst()->text(1));
    }
    btnDelete_->setEnabled(!selected.isEmpty());
}

void TfrmNewConstants::txtConstantChange()
{
    namesLiteral_ = document_.literals.holds(toProgramText(txtConstant_->text()));
    if (namesLiteral_)
        txtConstant_->selectAll();
    btnDelete_->setEnabled(namesLiteral_);
}

bool TfrmNewConstants::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListView1_->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::RightButton && !ListView1_->selectedItems().isEmpty()) {
            PopupMenu1_->popup(press->globalPosition().toPoint());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmNewConstants::btnAddClick()
{
    const std::string name = toProgramText(txtConstant_->text());
    if (!tarvik::AddLiteral(document_, screen_, name, toProgramText(txtValue_->text())))
        return;
    if (callerText_)
        *callerText_ = name;
    result_ = 1;
    accept();
}

void TfrmNewConstants::btnDeleteClick()
{
    tarvik::DeleteLiteral(document_, toProgramText(txtConstant_->text()));
    fillList();
    setWholeText(txtConstant_, callerText_ ? fromProgramText(*callerText_) : QString());
    txtValue_->clear();
    btnDelete_->setEnabled(false);
}

void TfrmNewConstants::btnCancelClick()
{
    result_ = 0;
    reject();
}
