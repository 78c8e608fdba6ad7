#include "dialogs/symbols/TfrmNewRegisters.h"

#include "model/SymbolCommands.h"

#include <QLineEdit>
#include <QPushButton>

TfrmNewRegisters::TfrmNewRegisters(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent)
    : RegisterPagesForm(document, screen, QStringLiteral("New Register:"), parent)
{
    setObjectName(QStringLiteral("TfrmNewRegisters"));
    setWindowTitle(QStringLiteral("New F Register"));
}

void TfrmNewRegisters::setBrowseMode()
{
    setWindowTitle(QStringLiteral("Registers"));
    btnOk_->hide();
    btnDeleteReg_->hide();
    Button1_->move(6, Button1_->y());
    Button1_->setText(QStringLiteral("&Close"));
    for (Page& page : pages_)
        page.txtName->setEnabled(false);
}

void TfrmNewRegisters::UpdateButtons()
{
    const Page& page = pages_[activeBank()];
    btnDeleteReg_->setEnabled(tarvik::registerHasUserName(document_, page.address));
    btnOk_->setEnabled(!page.txtName->text().isEmpty() && !tarvik::isReservedLocation(page.address));
}

void TfrmNewRegisters::btnOkClick()
{
    const std::string name = typedName();
    if (tarvik::NameRegister(document_, screen_, selectedAddress(), name))
        finishAdd(name);
}

void TfrmNewRegisters::btnDeleteRegClick()
{
    if (tarvik::DeleteRegisterName(document_, selectedAddress()))
        finishDelete();
}
