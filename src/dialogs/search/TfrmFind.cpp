#include "dialogs/search/TfrmFind.h"

#include "dialogs/search/SearchDialogParts.h"
#include "editor/FindReplace.h"
#include "editor/ProgramText.h"

TfrmFind::TfrmFind(tarvik::ProgramDocument& document, tarvik::Screen& screen, std::function<void()> showTop,
                   QWidget* parent)
    : QDialog(parent, search_parts::closeBoxOnly()), document_(document), screen_(screen),
      showTop_(std::move(showTop))
{
    using namespace search_parts;
    setUpDialog(*this, "TfrmFind", QStringLiteral("Find"), QSize(186, 74));
    label(this, "Label1", QStringLiteral("Variable to find:"), {8, 12}, 96 - 8 - 2);
    txtFind_ = box(this, "txtFind", {96, 8, 81, 21}, kMaxTextLength);
    QPushButton* find = button(this, "Button1", QStringLiteral("&Find"), {8, 43, 57, 22});
    find->setDefault(true);
    QPushButton* cancel = button(this, "Button2", QStringLiteral("&Cancel"), {80, 43, 60, 22});
    connect(find, &QPushButton::clicked, this, &TfrmFind::Button1Click);
    connect(cancel, &QPushButton::clicked, this, &TfrmFind::Button2Click);
    txtFind_->setFocus();
}

void TfrmFind::Button1Click()
{
    const std::string text = toProgramText(txtFind_->text());
    const std::optional<int> found = tarvik::FindOperand(document_, screen_, text);
    if (!found)
        return;
    if (showTop_)
        showTop_();
    accept();
    if (*found == 0)
        tarvik::ReportNotFound(screen_, text);
}

void TfrmFind::Button2Click()
{
    reject();
}
