#pragma once

#include "dialogs/symbols/RegisterPagesForm.h"

// Names one bit of one register, or removes such a name; a bit of a register present in
// both banks is named in both at once.
class TfrmNewBits : public RegisterPagesForm {
    Q_OBJECT
public:
    TfrmNewBits(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent = nullptr);

    void btnOkClick() override;
    void btnDeleteRegClick() override;

protected:
    void UpdateButtons() override;
};
