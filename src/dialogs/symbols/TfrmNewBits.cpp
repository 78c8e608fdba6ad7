#include "dialogs/symbols/TfrmNewBits.h"

#include "model/SymbolCommands.h"

#include <QLineEdit>
#include <QPushButton>

TfrmNewBits::TfrmNewBits(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent)
    : RegisterPagesForm(document, screen, QStringLiteral("New Bit:"), parent)
{
    setObjectName(QStringLiteral("TfrmNewBits"));
    setWindowTitle(QStringLiteral("New Bit"));
}

void TfrmNewBits::UpdateButtons()
{
    const Page& page = pages_[activeBank()];
    btnDeleteReg_->setEnabled(tarvik::bitHasUserName(document_, page.address, page.bit));
    btnOk_->setEnabled(!page.txtName->text().isEmpty() && !tarvik::isReservedLocation(page.address));
}

void TfrmNewBits::btnOkClick()
{
    const std::string name = typedName();
    if (tarvik::NameBit(document_, screen_, selectedAddress(), selectedBit(), name))
        finishAdd(name);
}

void TfrmNewBits::btnDeleteRegClick()
{
    if (tarvik::DeleteBitName(document_, selectedAddress(), selectedBit()))
        finishDelete();
}
