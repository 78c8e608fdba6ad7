#pragma once

#include "editor/InstructionEntry.h"

#include <memory>

class QWidget;
class TEntryDialog;
class TMDIChild;

// The dialog class that enters lines of this kind, bound to the document.
std::unique_ptr<TEntryDialog> createEntryDialog(tarvik::EntryKind kind, tarvik::ProgramDocument& doc,
                                                tarvik::Screen& screen, TMDIChild* view,
                                                QWidget* parent = nullptr);

// Insert mode: the palette (codes 1 to 35), Insert Blank (102) and ORG (101) open the
// dialog of the code on the view's document; its OK inserts after the cursor line.
void runInstructionDialog(TMDIChild& view, tarvik::Screen& screen, int code, QWidget* parent);

// Edit mode: the dialog of the cursor line rewrites it in place. Nothing opens on the
// header line.
void EditCurrentLine(TMDIChild& view, tarvik::Screen& screen, QWidget* parent);
