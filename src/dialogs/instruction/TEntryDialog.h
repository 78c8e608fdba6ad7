#pragma once

#include "editor/InstructionEntry.h"

#include <QDialog>
#include <QString>

#include <initializer_list>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TMDIChild;

// What tells one entry dialog class from another apart from its operand controls.
struct EntryForm {
    tarvik::EntryKind kind;
    const char* className;
    const char* okName;           // btnOK, or btnOk
    const char* commentName;      // btnComment, or txtComment in TfrmSkip2
    const char* commentCaption;
    int labelLimit;               // characters of txtLabel
    const char* descriptionTab;   // design caption of TabSheet2
    bool keepsDescriptionTab;     // TfrmLit2 keeps it instead of showing the mnemonic
    const char* thirdTab;         // nullptr when there is no third page
    const char* syntaxFormat;     // %s: mnemonicText
    const char* cyclesFormat;     // %s: cyclesText
    int descriptionWidth;
};

// The insert and edit behaviour shared by every entry dialog: OK, Cancel and Comment, the
// description page and the pages' captions. Subclasses add their operand controls.
class TEntryDialog : public QDialog {
    Q_OBJECT
public:
    ~TEntryDialog() override;

    // Sets the dialog up for the code, then runs it modally.
    void ShowForInstruction(int code);
    // Everything ShowForInstruction does before it runs the dialog.
    virtual void prepareFor(int code);
    // Edit mode: the cursor line into the controls, its comment into pendingComment.
    void LoadFromLine();

    int operandKnown() const { return operandKnown_; }
    int destination() const { return destination_; }

    void reject() override;

protected:
    TEntryDialog(const EntryForm& form, tarvik::ProgramDocument& doc, tarvik::Screen& screen,
                 TMDIChild* view, QWidget* parent);

    // Operand controls.
    virtual QString operandText() const { return {}; }
    virtual void setOperandText(const QString&) {}
    virtual void loadDestination(int) {}
    // The symbol lists, filled when the dialog is first shown.
    virtual void fillSymbolLists() {}
    // operandKnown from the operand control, after a refused label.
    virtual void recomputeOperandKnown() {}
    // Class states that depend on the code.
    virtual void applyCode(int) {}
    virtual void showThirdPage() {}
    virtual QWidget* firstFocus() const;
    // The control that takes the operand; it gets the focus back when OK finds it empty.
    virtual QWidget* operandControl() const { return nullptr; }
    // Tab goes from the label through the operand controls, in reading order, to OK,
    // Comment and Cancel.
    void setOperandTabOrder(std::initializer_list<QWidget*> operands);

    void showEvent(QShowEvent* event) override;

    QLabel* addCaption(QWidget* parent, const char* name, const char* text, int left, int top);
    QComboBox* addCombo(const char* name, bool editable, int limit, int left, int top, int width);
    // A known symbol picked from the list is selected whole, so that typing replaces it. One
    // being typed is left as it is: selecting "PCL" would lose it on the way to "PCLATH".
    static void markKnown(QComboBox* combo, bool picked);
    // Replaces a combo's list, keeping its edit text and selecting no item.
    static void setComboNames(QComboBox* combo, const QStringList& names);

    const EntryForm& form_;
    tarvik::ProgramDocument& doc_;
    tarvik::Screen& screen_;
    TMDIChild* view_;

    int code_ = 0;
    int operandKnown_ = 0;
    int destination_ = 0;
    QString affectedText_;
    QString mnemonicText_;
    QString cyclesText_;

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* operandPage_ = nullptr;  // where the operand controls go
    QLineEdit* txtLabel = nullptr;
    QLabel* labSyntax = nullptr;
    QLabel* labAffected = nullptr;
    QLabel* labCycles = nullptr;
    QLabel* labName = nullptr;
    QLabel* labAddress = nullptr;
    QLabel* labBank = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnComment = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void btnOKClick();
    void btnCommentClick();
    void PageControl1Change(int index);
    void fillDescription();
    bool insertThroughView(const tarvik::ProgramLine& line);

    bool shown_ = false;
};

// codes 1 to 5, 6 to 13 and 35, 20 and 21: a register and where the result goes.
class TByteDialog : public TEntryDialog {
    Q_OBJECT
public:
    struct Destinations {
        const char* first;
        const char* second;
        bool inverse;  // the item index is the opposite of the stored value
        int preset;    // the item selected by the palette
    };

protected:
    TByteDialog(const EntryForm& form, const Destinations& destinations, tarvik::ProgramDocument& doc,
                tarvik::Screen& screen, TMDIChild* view, QWidget* parent);

    QString operandText() const override;
    void setOperandText(const QString& text) override;
    void loadDestination(int destination) override;
    void fillSymbolLists() override;
    void recomputeOperandKnown() override;
    void applyCode(int code) override;
    void showThirdPage() override;
    QWidget* operandControl() const override;

private:
    void cbxFChange(bool picked);
    void cbxDestinationChange(int index);

    const Destinations& destinations_;
    QComboBox* cbxF = nullptr;
    QComboBox* cbxDestination = nullptr;
};

class TfrmTwoF : public TByteDialog {
    Q_OBJECT
public:
    TfrmTwoF(tarvik::ProgramDocument& doc, tarvik::Screen& screen, TMDIChild* view, QWidget* parent = nullptr);
};

class TfrmOneF : public TByteDialog {
    Q_OBJECT
public:
    TfrmOneF(tarvik::ProgramDocument& doc, tarvik::Screen& screen, TMDIChild* view, QWidget* parent = nullptr);
};

class TfrmSkip2 : public TByteDialog {
    Q_OBJECT
public:
    TfrmSkip2(tarvik::ProgramDocument& doc, tarvik::Screen& screen, TMDIChild* view, QWidget* parent = nullptr);
};

// codes 16 to 19: a register from the list, then one of its bits.
class TfrmBit1 : public TEntryDialog {
    Q_OBJECT
public:
    TfrmBit1(tarvik::ProgramDocument& doc, tarvik::Screen& screen, TMDIChild* view, QWidget* parent = nullptr);

    void FillBitList(const tarvik::RegisterEntry& reg);
    bool CheckBitOperand();

protected:
    QString operandText() const override;
    void setOperandText(const QString& text) override;
    void fillSymbolLists() override;
    void recomputeOperandKnown() override;
    void showThirdPage() override;
    QWidget* firstFocus() const override;
    QWidget* operandControl() const override;

private:
    void selectRegister(int address);
    void cbxFChange(int index);

    QComboBox* cbxF = nullptr;
    QComboBox* cbxBit = nullptr;
};

// codes 22 to 26, 29, 34: a literal.
class TfrmLit1 : public TEntryDialog {
    Q_OBJECT
public:
    TfrmLit1(tarvik::ProgramDocument& doc, tarvik::Screen& screen, TMDIChild* view, QWidget* parent = nullptr);

protected:
    QString operandText() const override;
    void setOperandText(const QString& text) override;
    void fillSymbolLists() override;
    void recomputeOperandKnown() override;
    void showThirdPage() override;
    QWidget* operandControl() const override;

private:
    QComboBox* cbxK = nullptr;
};

// goto and call: a branch label, written as typed.
class TfrmLit2 : public TEntryDialog {
    Q_OBJECT
public:
    TfrmLit2(tarvik::ProgramDocument& doc, tarvik::Screen& screen, TMDIChild* view, QWidget* parent = nullptr);

protected:
    QString operandText() const override;
    void setOperandText(const QString& text) override;
    void fillSymbolLists() override;

private:
    QComboBox* cbxK = nullptr;
};

// The instructions without operand, and the blank line (102).
class TfrmZero : public TEntryDialog {
    Q_OBJECT
public:
    TfrmZero(tarvik::ProgramDocument& doc, tarvik::Screen& screen, TMDIChild* view, QWidget* parent = nullptr);

protected:
    void applyCode(int code) override;
};

// ORG lines: an address, no label, no pages.
class TfrmOrg : public TEntryDialog {
    Q_OBJECT
public:
    TfrmOrg(tarvik::ProgramDocument& doc, tarvik::Screen& screen, TMDIChild* view, QWidget* parent = nullptr);

protected:
    QString operandText() const override;
    void setOperandText(const QString& text) override;
    QWidget* firstFocus() const override;
    QWidget* operandControl() const override;

private:
    QLineEdit* txtORG = nullptr;
};
