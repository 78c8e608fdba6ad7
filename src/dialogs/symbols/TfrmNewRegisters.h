#pragma once

#include "dialogs/symbols/RegisterPagesForm.h"

// Gives a register of either bank a name of the user's own, or takes it away again. In
// browse mode it only shows the register file with the bits of each register.
class TfrmNewRegisters : public RegisterPagesForm {
    Q_OBJECT
public:
    TfrmNewRegisters(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent = nullptr);

    // Caption "Registers"; Add and Delete hidden, the name boxes locked, Cancel becomes Close.
    void setBrowseMode();

    void btnOkClick() override;
    void btnDeleteRegClick() override;

protected:
    void UpdateButtons() override;
};
