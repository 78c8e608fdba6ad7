#include "dialogs/symbols/RegisterPagesForm.h"

#include "dialogs/FormFont.h"
#include "dialogs/ProgramTextBox.h"
#include "editor/ProgramText.h"
#include "model/Names.h"
#include "model/ProgramDocument.h"
#include "model/SymbolCommands.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

namespace {

QLabel* addLabel(QWidget* parent, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLabel* addPanel(QWidget* parent, const char* name, const QString& caption, const QColor& background, int left)
{
    auto* panel = new QLabel(caption, parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(left, 152, 45, 21);
    panel->setAlignment(Qt::AlignCenter);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette colours = panel->palette();
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::WindowText, Qt::white);
    panel->setPalette(colours);
    return panel;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, int left)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left, 228, 60, 22);
    button->setAutoDefault(false);
    return button;
}

} // namespace

RegisterPagesForm::RegisterPagesForm(tarvik::ProgramDocument& document, tarvik::Screen& screen,
                                     const QString& nameCaption, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      document_(document), screen_(screen)
{
    setFont(formFont());
    PageControl1_ = new QTabWidget(this);
    PageControl1_->setObjectName(QStringLiteral("PageControl1"));
    PageControl1_->setGeometry(5, 8, 242, 211);
    PageControl1_->setFocusPolicy(Qt::NoFocus);

    for (int bank = 0; bank < 2; ++bank) {
        Page& page = pages_[bank];
        const QString suffix = QString::number(bank);
        page.sheet = new QWidget;
        page.sheet->setObjectName(QStringLiteral("TabSheet%1").arg(bank + 1));
        PageControl1_->addTab(page.sheet, QStringLiteral("Bank %1").arg(bank));

        addLabel(page.sheet, QStringLiteral("Registers:"), 6, 6);
        page.lbxRegisters = new QListWidget(page.sheet);
        page.lbxRegisters->setObjectName(QStringLiteral("lbxRegisters") + suffix);
        page.lbxRegisters->setGeometry(6, 22, 105, 108);
        addLabel(page.sheet, QStringLiteral("Bits:"), 122, 6);
        page.lbxBits = new QListWidget(page.sheet);
        page.lbxBits->setObjectName(QStringLiteral("lbxBits") + suffix);
        page.lbxBits->setGeometry(122, 22, 105, 108);
        addLabel(page.sheet, nameCaption, 6, 137);
        page.txtName = new QLineEdit(page.sheet);
        page.txtName->setObjectName(QStringLiteral("txtName") + suffix);
        page.txtName->setGeometry(6, 152, 105, 21);
        limitTyping(page.txtName, kMaxNameLength);
        page.panAddress = addPanel(page.sheet, bank ? "panAddress1" : "panAddress0", QStringLiteral("F:"),
                                   QColor(0, 0, 128), 122);
        page.panIndex = addPanel(page.sheet, bank ? "panIndex1" : "panIndex0", QStringLiteral("Bit:"),
                                 QColor(0, 128, 0), 182);

        // A click selects even the register already selected (its bit goes back to 0); the
        // arrow keys select through the row change.
        connect(page.lbxRegisters, &QListWidget::currentRowChanged, this,
                [this, bank](int row) { registersClick(bank, row); });
        connect(page.lbxRegisters, &QListWidget::clicked, this,
                [this, bank](const QModelIndex& index) { registersClick(bank, index.row()); });
        connect(page.lbxBits, &QListWidget::currentRowChanged, this, [this, bank](int row) { bitsClick(bank, row); });
        connect(page.lbxBits, &QListWidget::clicked, this,
                [this, bank](const QModelIndex& index) { bitsClick(bank, index.row()); });
        connect(page.txtName, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    }
    connect(PageControl1_, &QTabWidget::currentChanged, this, &RegisterPagesForm::PageControl1Change);

    btnOk_ = addButton(this, "btnOk", QStringLiteral("&Add"), 6);
    btnOk_->setDefault(true);
    // Navy while it can be pressed; disabled, it greys like any other button.
    QPalette navyText = btnOk_->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        navyText.setColor(group, QPalette::ButtonText, QColor(0, 0, 128));
    btnOk_->setPalette(navyText);
    btnDeleteReg_ = addButton(this, "btnDeleteReg", QStringLiteral("&Delete"), 76);
    btnDeleteReg_->setEnabled(false);
    Button1_ = addButton(this, "Button1", QStringLiteral("&Cancel"), 146);
    connect(btnOk_, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnDeleteReg_, &QPushButton::clicked, this, [this] { btnDeleteRegClick(); });
    connect(Button1_, &QPushButton::clicked, this, &RegisterPagesForm::Button1Click);

    setFixedSize(251, 255);
}

void RegisterPagesForm::setPresetName(const std::string& name)
{
    presetName_ = name;
}

int RegisterPagesForm::activeBank() const
{
    return PageControl1_->currentIndex() == 1 ? 1 : 0;
}

void RegisterPagesForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void RegisterPagesForm::FormActivate()
{
    if (activated_)
        return;
    activated_ = true;
    buildPage(activeBank());
}

void RegisterPagesForm::PageControl1Change(int index)
{
    if (!activated_)
        return;
    buildPage(index == 1 ? 1 : 0);
    focusNameBox();
}

void RegisterPagesForm::setVisible(bool visible)
{
    const bool first = visible && !activated_;
    QDialog::setVisible(visible);
    // Showing a dialog selects the whole text of its focused box; an offered name stays as
    // it is, with the cursor after it.
    if (first)
        focusNameBox();
}

void RegisterPagesForm::focusNameBox()
{
    const Page& page = pages_[activeBank()];
    QWidget* box = page.txtName->isEnabled() ? static_cast<QWidget*>(page.txtName) : page.lbxRegisters;
    box->setFocus(Qt::OtherFocusReason);
    page.txtName->deselect();
    page.txtName->end(false);
}

void RegisterPagesForm::buildPage(int bank)
{
    Page& page = pages_[bank];
    const tarvik::RegisterTable& file = bank ? document_.registerFile1 : document_.registerFile0;
    filling_ = true;
    page.lbxRegisters->clear();
    for (const tarvik::RegisterEntry& entry : file)
        page.lbxRegisters->addItem(fromProgramText(entry.nameText()));
    filling_ = false;
    setWholeText(page.txtName, fromProgramText(presetName_));
    selectRegister(bank, tarvik::proposedRegisterAddress(document_, bank));
}

void RegisterPagesForm::selectRegister(int bank, int address)
{
    Page& page = pages_[bank];
    const tarvik::RegisterTable& file = bank ? document_.registerFile1 : document_.registerFile0;
    const tarvik::RegisterEntry* entry = file.find(address);
    if (!entry)
        return;
    page.address = address;
    page.bit = 0;
    page.panAddress->setText(QString::asprintf("F:H%02X", address));
    filling_ = true;
    page.lbxBits->clear();
    for (int bit = 0; bit < 8; ++bit)
        page.lbxBits->addItem(fromProgramText(tarvik::BitDisplayName(document_, *entry, bit)));
    page.lbxRegisters->setCurrentRow(address & 0x7F);
    page.lbxBits->setCurrentRow(0);
    filling_ = false;
    page.panIndex->setText(QStringLiteral("Bit:0"));
    UpdateButtons();
}

void RegisterPagesForm::registersClick(int bank, int row)
{
    if (filling_ || row < 0)
        return;
    selectRegister(bank, (bank ? 128 : 0) + row);
}

void RegisterPagesForm::bitsClick(int bank, int row)
{
    if (filling_ || row < 0 || row > 7)
        return;
    pages_[bank].bit = row;
    pages_[bank].panIndex->setText(QStringLiteral("Bit:%1").arg(row));
    UpdateButtons();
}

std::string RegisterPagesForm::typedName() const
{
    return toProgramText(pages_[activeBank()].txtName->text());
}

void RegisterPagesForm::finishAdd(const std::string& name)
{
    if (callerText_)
        *callerText_ = name;
    result_ = 1;
    accept();
}

void RegisterPagesForm::finishDelete()
{
    result_ = 0;
    reject();
}

void RegisterPagesForm::Button1Click()
{
    result_ = 0;
    reject();
}
