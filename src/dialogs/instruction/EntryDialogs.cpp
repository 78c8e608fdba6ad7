#include "dialogs/instruction/EntryDialogs.h"

#include "dialogs/instruction/TEntryDialog.h"
#include "editor/TMDIChild.h"

using namespace tarvik;

std::unique_ptr<TEntryDialog> createEntryDialog(EntryKind kind, ProgramDocument& doc, Screen& screen,
                                                TMDIChild* view, QWidget* parent)
{
    switch (kind) {
    case EntryKind::TwoF: return std::make_unique<TfrmTwoF>(doc, screen, view, parent);
    case EntryKind::OneF: return std::make_unique<TfrmOneF>(doc, screen, view, parent);
    case EntryKind::Skip2: return std::make_unique<TfrmSkip2>(doc, screen, view, parent);
    case EntryKind::Bit: return std::make_unique<TfrmBit1>(doc, screen, view, parent);
    case EntryKind::Literal: return std::make_unique<TfrmLit1>(doc, screen, view, parent);
    case EntryKind::Branch: return std::make_unique<TfrmLit2>(doc, screen, view, parent);
    case EntryKind::Zero: return std::make_unique<TfrmZero>(doc, screen, view, parent);
    case EntryKind::Org: return std::make_unique<TfrmOrg>(doc, screen, view, parent);
    }
    return nullptr;
}

namespace {

void run(TEntryDialog& dialog, int code)
{
    if (code == kOrgCode)
        dialog.exec();
    else
        dialog.ShowForInstruction(code);
}

} // namespace

void runInstructionDialog(TMDIChild& view, Screen& screen, int code, QWidget* parent)
{
    const std::optional<EntryKind> kind = entryKindOf(code);
    if (!kind)
        return;
    const std::unique_ptr<TEntryDialog> dialog = createEntryDialog(*kind, view.document(), screen, &view, parent);
    run(*dialog, code);
}

void EditCurrentLine(TMDIChild& view, Screen& screen, QWidget* parent)
{
    ProgramDocument& doc = view.document();
    const EditModeScope editing(doc);
    const ProgramLine* line = doc.lines.cursor();
    if (!doc.lines.isLine(line))
        return;
    const int code = line->code;
    const std::optional<EntryKind> kind = entryKindOf(code);
    if (!kind)
        return;
    const std::unique_ptr<TEntryDialog> dialog = createEntryDialog(*kind, doc, screen, &view, parent);
    dialog->LoadFromLine();
    run(*dialog, code);
}
