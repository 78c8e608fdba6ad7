#include "dialogs/search/TfrmReplace.h"

#include "dialogs/search/SearchDialogParts.h"
#include "editor/FindReplace.h"
#include "editor/ProgramText.h"

TfrmReplace::TfrmReplace(tarvik::ProgramDocument& document, tarvik::Screen& screen, std::function<void()> showTop,
                         QWidget* parent)
    : QDialog(parent, search_parts::closeBoxOnly()), document_(document), screen_(screen),
      showTop_(std::move(showTop))
{
    using namespace search_parts;
    setUpDialog(*this, "TfrmReplace", QStringLiteral("Replace"), QSize(203, 116));
    label(this, "Label1", QStringLiteral("Variable to replace:"), {10, 20}, 110 - 10 - 2);
    txtVariable_ = box(this, "txtVariable", {110, 16, 83, 21}, kMaxTextLength);
    label(this, "Label2", QStringLiteral("Replace with:"), {10, 50}, 110 - 10 - 2);
    txtReplace_ = box(this, "txtReplace", {110, 48, 83, 21}, kMaxTextLength);
    QPushButton* ok = button(this, "btnOK", QStringLiteral("&OK"), {10, 83, 55, 22});
    ok->setDefault(true);
    QPushButton* cancel = button(this, "btnCancel", QStringLiteral("&Cancel"), {75, 83, 57, 22});
    connect(ok, &QPushButton::clicked, this, &TfrmReplace::btnOKClick);
    connect(cancel, &QPushButton::clicked, this, &TfrmReplace::btnCancelClick);
    txtVariable_->setFocus();
}

void TfrmReplace::btnOKClick()
{
    const std::string oldText = toProgramText(txtVariable_->text());
    const tarvik::ReplaceResult result =
        tarvik::ReplaceOperand(document_, screen_, oldText, toProgramText(txtReplace_->text()));
    if (result == tarvik::ReplaceResult::Refused)
        return;
    if (showTop_)
        showTop_();
    if (result == tarvik::ReplaceResult::Replaced)
        accept();
    else
        tarvik::ReportNotFound(screen_, oldText);
}

void TfrmReplace::btnCancelClick()
{
    reject();
}
