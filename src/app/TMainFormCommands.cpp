// The commands on the active document: the palette and the entry dialogs, the line
// clipboard, Find and Replace, the symbol dialogs, Convert to Hex, Undo and Redo. Each
// runs through documents_, which supplies the open document, the undo step under the
// name given here and the refresh afterwards; what remains is the command's own work.

#include "app/TMainForm.h"

#include "app/SimulatorController.h"
#include "app/TfrmAbout.h"
#include "app/TfrmGuide.h"
#include "assembler/ConvertToHex.h"
#include "assembler/HexImage.h"
#include "assembler/TfrmHexFile.h"
#include "dialogs/instruction/EntryDialogs.h"
#include "dialogs/instruction/TfrmPickInstruction.h"
#include "dialogs/search/TfrmFind.h"
#include "dialogs/search/TfrmReplace.h"
#include "dialogs/symbols/TfrmNewBits.h"
#include "dialogs/symbols/TfrmNewConstants.h"
#include "dialogs/symbols/TfrmNewRegisters.h"
#include "dialogs/timing/TfrmDelay.h"
#include "editor/LineCommands.h"
#include "editor/TMDIChild.h"
#include "model/InstructionCode.h"

#include <QFile>
#include <QMdiArea>
#include <QFileInfo>

#include <string>

namespace {

// Cut, Paste and Delete leave the view at the top of the program.
void showFromTop(TMDIChild& child)
{
    child.ResetCursorToTop();
    child.ShowLinePosition(0);
}

} // namespace

void TMainForm::runInstructionDialog(int code)
{
    const tarvik::InstructionInfo* info = tarvik::instructionInfo(code);
    const std::string name = info ? "Insert " + std::string(info->mnemonic)
                                  : code == tarvik::kOrgCode ? "ORG" : "Insert Blank";
    documents_.run(name, [this, code](TMDIChild& child) { ::runInstructionDialog(child, *screen_, code, this); });
}

void TMainForm::pickInstruction(const QString& typed)
{
    if (!activeChild())
        return;
    TfrmPickInstruction dialog(lastPicked_, typed, this);
    // At the top of the documents' area, as command palettes stand.
    const QRect area(mdiArea_->mapToGlobal(QPoint(0, 0)), mdiArea_->size());
    dialog.move(area.center().x() - dialog.width() / 2, area.top() + 8);
    if (dialog.exec() != QDialog::Accepted)
        return;
    lastPicked_ = dialog.chosenCode();
    runInstructionDialog(lastPicked_);
}

void TMainForm::editCurrentLine()
{
    documents_.run("Edit", [this](TMDIChild& child) { EditCurrentLine(child, *screen_, this); });
}

void TMainForm::btnCutQELClick()
{
    documents_.run("Cut", [this](TMDIChild& child) {
        tarvik::cutSelection(child.document(), lineClipboard_);
        showFromTop(child);
    });
}

void TMainForm::btnCopyQELClick()
{
    documents_.run({}, [this](TMDIChild& child) { tarvik::copySelection(child.document(), lineClipboard_); });
}

void TMainForm::btnPasteQELClick()
{
    documents_.run("Paste", [this](TMDIChild& child) {
        tarvik::pasteClipboard(lineClipboard_, child.document());
        showFromTop(child);
    });
}

void TMainForm::Delete2Click()
{
    documents_.run("Delete", [](TMDIChild& child) {
        tarvik::deleteSelection(child.document());
        showFromTop(child);
    });
}

void TMainForm::Se1Click()
{
    // The refresh enables the menu items with the buttons, as after a double click, so
    // that Ctrl+X and Ctrl+C work at once.
    documents_.run("Select All", [](TMDIChild& child) { child.SelectAllLines(); });
}

void TMainForm::Find1Click()
{
    documents_.run("Find", [this](TMDIChild& child) {
        TfrmFind dialog(child.document(), *screen_, [&child] { showFromTop(child); }, this);
        dialog.exec();
    });
}

void TMainForm::Replace1Click()
{
    documents_.run("Replace", [this](TMDIChild& child) {
        TfrmReplace dialog(child.document(), *screen_, [&child] { showFromTop(child); }, this);
        dialog.exec();
    });
}

void TMainForm::Registers1Click()
{
    documents_.run("Registers", [this](TMDIChild& child) {
        TfrmNewRegisters dialog(child.document(), *screen_, this);
        dialog.setBrowseMode();
        dialog.exec();
    });
}

void TMainForm::Bits1Click()
{
    documents_.run("Bits", [this](TMDIChild& child) {
        TfrmNewBits dialog(child.document(), *screen_, this);
        dialog.exec();
    });
}

void TMainForm::Constants1Click()
{
    documents_.run("Literals", [this](TMDIChild& child) {
        TfrmNewConstants dialog(child.document(), *screen_, this);
        dialog.setBrowseMode();
        dialog.exec();
    });
}

void TMainForm::btnAddRegisterClick()
{
    documents_.run("Add Register", [this](TMDIChild& child) {
        TfrmNewRegisters dialog(child.document(), *screen_, this);
        dialog.exec();
    });
}

void TMainForm::btnAddBitClick()
{
    documents_.run("Add Bit", [this](TMDIChild& child) {
        TfrmNewBits dialog(child.document(), *screen_, this);
        dialog.exec();
    });
}

void TMainForm::btnAddLiteralClick()
{
    documents_.run("Add Literal", [this](TMDIChild& child) {
        TfrmNewConstants dialog(child.document(), *screen_, this);
        dialog.setAddMode();
        dialog.exec();
    });
}

void TMainForm::btnHexClick()
{
    documents_.run("Convert to Hex", [this](TMDIChild& child) {
        tarvik::HexImage image;
        const tarvik::ConvertOutcome outcome = tarvik::convertToHex(child.document(), *screen_, image);
        // A definition offered for a failing line may have added a symbol.
        showModifiedOf(&child);
        // After a failed write the file of that name is an older one, not this program's
        // image: shown, it would pass for the result and could be burnt into a chip.
        if (outcome.status != tarvik::ConvertStatus::Written)
            return;
        TfrmHexFile viewer(*screen_, this);
        viewer.setFileName(outcome.hexFileName);
        // The file goes into the current folder, which the user may not know: the caption
        // says where it is.
        viewer.setWindowTitle(QFileInfo(QFile::decodeName(QByteArray::fromStdString(outcome.hexFileName))).absoluteFilePath());
        viewer.exec();
    });
}

void TMainForm::InsertDelay1Click()
{
    documents_.run("Insert Delay", [this](TMDIChild& child) {
        runInsertDelay(child, *screen_, simulator_->clockHz(), this);
    });
}

void TMainForm::Undo1Click()
{
    documents_.run({}, [](TMDIChild& child) { child.Undo(); });
}

void TMainForm::Redo1Click()
{
    documents_.run({}, [](TMDIChild& child) { child.Redo(); });
}

void TMainForm::spbtnQELClick()
{
    setDisplayMode(kSymbolicMode);
}

void TMainForm::spbtnASMClick()
{
    setDisplayMode(kMpasmMode);
}

void TMainForm::setDisplayMode(int mode)
{
    displayMode_ = mode;
    if (TMDIChild* child = activeChild())
        child->setShownDisplayMode(displayMode_);
}

void TMainForm::HelpGuideItemClick()
{
    TfrmGuide::showAt();
}

void TMainForm::HelpAboutItemClick()
{
    TfrmAbout about(this);
    about.exec();
}
