#include "dialogs/instruction/TEntryDialog.h"

#include "app/TfrmGuide.h"
#include "dialogs/ProgramTextBox.h"
#include "dialogs/instruction/TfrmComment.h"
#include "editor/ProgramText.h"
#include "editor/TMDIChild.h"
#include "model/InstructionCode.h"
#include "model/Names.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTabWidget>

#include <algorithm>

using namespace tarvik;

namespace {

constexpr Qt::WindowFlags kDialogFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
    | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

constexpr int kWidth = 290;
constexpr int kButtonWidth = 84;
constexpr int kButtonHeight = 26;
constexpr int kLeftColumn = 10;
constexpr int kRightColumn = 144;
constexpr int kComboWidth = 118;
constexpr int kRowTops[3] = {12, 50, 88};
constexpr int kInfoWidth = 250;
constexpr int kInfoHeight = 34;

constexpr const char* kByteSyntax = "1. Syntax:   [label]   %s f,d";
constexpr const char* kLiteralSyntax = "1. Syntax:   [label]   %s k";

const EntryForm kTwoFForm{EntryKind::TwoF, "TfrmTwoF", "btnOK", "btnComment", "Co&mment", 13, "Description",
                          false, "Register", kByteSyntax, "3. Cycles: 1", 228};
const EntryForm kOneFForm{EntryKind::OneF, "TfrmOneF", "btnOK", "btnComment", "&Comment", 13, "Description",
                          false, "Register", kByteSyntax, "3. Cycles: %s", 235};
const EntryForm kSkip2Form{EntryKind::Skip2, "TfrmSkip2", "btnOK", "txtComment", "Co&mment", 13, "Description",
                           false, "Register", kByteSyntax, "3. Cycles: 1(2)", 235};
const EntryForm kBit1Form{EntryKind::Bit, "TfrmBit1", "btnOK", "btnComment", "Co&mment", 13, "Descriptions",
                          false, "Bit", "1. Syntax:   [label]   %s f,b", "3. Cycles: %s", 145};
const EntryForm kLit1Form{EntryKind::Literal, "TfrmLit1", "btnOK", "btnComment", "Co&mment", 13, "X",
                          false, "Literal", kLiteralSyntax, "3. Cycles: %s", 145};
const EntryForm kLit2Form{EntryKind::Branch, "TfrmLit2", "btnOk", "btnComment", "Co&mment", 13, "Description",
                          true, nullptr, kLiteralSyntax, "3. Cycles 2", 153};
const EntryForm kZeroForm{EntryKind::Zero, "TfrmZero", "btnOK", "btnComment", "Co&mment", 12, "Description",
                          false, nullptr, "1. Syntax:   [label]   %s", "3. Cycles: %s", 150};
const EntryForm kOrgForm{EntryKind::Org, "TfrmOrg", "btnOk", "btnComment", "Co&mment", 0, nullptr,
                         false, nullptr, "", "", 0};

// Items of cbxDestination and how they map to the line's destination field.
const TByteDialog::Destinations kTwoFDestinations{"W register", "F register", false, 0};
const TByteDialog::Destinations kOneFDestinations{"W register", "F register", true, 1};
const TByteDialog::Destinations kSkip2Destinations{"F register", "W register", false, 0};

QLabel* addInfoLabel(QWidget* page, const char* name, int row, int width)
{
    auto* label = new QLabel(page);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(kLeftColumn, kRowTops[row], width, kInfoHeight);
    return label;
}

QString withText(const char* format, const QString& text)
{
    return QString::fromLatin1(format).replace(QStringLiteral("%s"), text);
}

QStringList registerNames(const ProgramDocument& doc)
{
    QStringList names;
    names.reserve(doc.registerFile0.count() + doc.registerFile1.count());
    for (const RegisterEntry& entry : doc.registerFile0)
        names << fromProgramText(entry.nameText());
    for (const RegisterEntry& entry : doc.registerFile1)
        names << fromProgramText(entry.nameText());
    return names;
}

QStringList namesOf(const NameValueTable& table)
{
    QStringList names;
    names.reserve(table.count());
    for (const NameValueEntry& entry : table)
        names << fromProgramText(entry.nameText());
    return names;
}

void showInfo(QLabel* name, QLabel* second, QLabel* third, const InfoPage& page)
{
    name->setText(fromProgramText(page.name));
    second->setText(fromProgramText(page.address));
    if (third)
        third->setText(fromProgramText(page.bank));
}

} // namespace

TEntryDialog::TEntryDialog(const EntryForm& form, ProgramDocument& doc, Screen& screen, TMDIChild* view,
                           QWidget* parent)
    : QDialog(parent, kDialogFlags), form_(form), doc_(doc), screen_(screen), view_(view)
{
    setObjectName(QString::fromLatin1(form.className));
    const bool paged = form.kind != EntryKind::Org;
    const int buttonsTop = paged ? 180 : 70;

    if (paged) {
        PageControl1 = new QTabWidget(this);
        PageControl1->setObjectName(QStringLiteral("PageControl1"));
        PageControl1->setFocusPolicy(Qt::NoFocus);
        PageControl1->tabBar()->setFocusPolicy(Qt::NoFocus);
        PageControl1->setGeometry(6, 6, kWidth - 12, 166);

        TabSheet1 = new QWidget;
        TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
        PageControl1->addTab(TabSheet1, QStringLiteral("Instruction"));
        addCaption(TabSheet1, "Label1", "Label", kLeftColumn, 26);
        txtLabel = new QLineEdit(TabSheet1);
        txtLabel->setObjectName(QStringLiteral("txtLabel"));
        txtLabel->setGeometry(kLeftColumn, 26, kComboWidth, 22);
        limitTyping(txtLabel, form.labelLimit);

        TabSheet2 = new QWidget;
        TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
        PageControl1->addTab(TabSheet2, QString::fromLatin1(form.descriptionTab));
        labSyntax = addInfoLabel(TabSheet2, "labSyntax", 0, form.descriptionWidth);
        labAffected = addInfoLabel(TabSheet2, "labAffected", 1, form.descriptionWidth);
        labCycles = addInfoLabel(TabSheet2, "labCycles", 2, form.descriptionWidth);

        if (form.thirdTab) {
            TabSheet3 = new QWidget;
            TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
            PageControl1->addTab(TabSheet3, QString::fromLatin1(form.thirdTab));
            labName = addInfoLabel(TabSheet3, "labName", 0, kInfoWidth);
            const bool literal = form.kind == EntryKind::Literal;
            labAddress = addInfoLabel(TabSheet3, literal ? "labValue" : "labAddress", 1, kInfoWidth);
            if (!literal)
                labBank = addInfoLabel(TabSheet3, "labBank", 2, kInfoWidth);
        }
        operandPage_ = TabSheet1;
        connect(PageControl1, &QTabWidget::currentChanged, this, &TEntryDialog::PageControl1Change);
    } else {
        operandPage_ = this;
    }

    const auto addButton = [&](const char* name, const char* caption, int index) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(6 + index * (kButtonWidth + 13), buttonsTop, kButtonWidth, kButtonHeight);
        return button;
    };
    btnOK = addButton(form.okName, "&OK", 0);
    btnOK->setDefault(true);
    btnComment = addButton(form.commentName, form.commentCaption, 1);
    btnComment->setAutoDefault(false);
    btnCancel = addButton("btnCancel", "&Cancel", 2);
    btnCancel->setAutoDefault(false);
    connect(btnOK, &QPushButton::clicked, this, &TEntryDialog::btnOKClick);
    connect(btnComment, &QPushButton::clicked, this, &TEntryDialog::btnCommentClick);
    connect(btnCancel, &QPushButton::clicked, this, &TEntryDialog::reject);
    setOperandTabOrder({});
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [this] { TfrmGuide::showAt(TfrmGuide::instructionAnchor(code_)); });

    setFixedSize(kWidth, buttonsTop + kButtonHeight + 8);
}

void TEntryDialog::setOperandTabOrder(std::initializer_list<QWidget*> operands)
{
    QWidget* previous = txtLabel;
    const auto next = [&previous](QWidget* widget) {
        if (previous)
            setTabOrder(previous, widget);
        previous = widget;
    };
    for (QWidget* operand : operands)
        next(operand);
    next(btnOK);
    next(btnComment);
    next(btnCancel);
}

TEntryDialog::~TEntryDialog() = default;

QLabel* TEntryDialog::addCaption(QWidget* parent, const char* name, const char* text, int left, int top)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    // Above the control whose top is given.
    label->move(left, top - 18);
    label->adjustSize();
    return label;
}

QComboBox* TEntryDialog::addCombo(const char* name, bool editable, int limit, int left, int top, int width)
{
    auto* combo = new QComboBox(operandPage_);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setGeometry(left, top, width, 22);
    combo->setMaxVisibleItems(12);
    if (editable) {
        combo->setEditable(true);
        // Typed text is the operand as it stands: nothing completes it or adds it to the list.
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);
        limitTyping(combo->lineEdit(), limit);
    }
    return combo;
}

void TEntryDialog::markKnown(QComboBox* combo, bool picked)
{
    if (!picked)
        return;
    if (QLineEdit* edit = combo->lineEdit())
        edit->selectAll();
}

void TEntryDialog::setComboNames(QComboBox* combo, const QStringList& names)
{
    const QSignalBlocker blocker(combo);
    const QString text = combo->currentText();
    combo->clear();
    combo->addItems(names);
    combo->setCurrentIndex(-1);
    if (QLineEdit* edit = combo->lineEdit()) {
        qsizetype longest = text.size();
        for (const QString& name : names)
            longest = std::max(longest, name.size());
        // A name picked from the list is shown whole.
        allowLength(edit, longest);
        edit->setText(text);
    }
}

void TEntryDialog::ShowForInstruction(int code)
{
    prepareFor(code);
    exec();
}

void TEntryDialog::prepareFor(int code)
{
    code_ = code;
    if (const InstructionInfo* info = instructionInfo(code)) {
        setWindowTitle(fromProgramText(info->dialogCaption));
        affectedText_ = fromProgramText(info->affected);
        mnemonicText_ = fromProgramText(info->mnemonic) + QLatin1Char(' ');
        cyclesText_ = fromProgramText(info->cycles);
    } else if (code == kBlankCode) {
        setWindowTitle(QStringLiteral("Insert Blank"));
    }
    applyCode(code);
    if (TabSheet2 && !form_.keepsDescriptionTab)
        PageControl1->setTabText(PageControl1->indexOf(TabSheet2), mnemonicText_);
}

void TEntryDialog::LoadFromLine()
{
    const EntryLine entry = loadEntryLine(doc_, form_.kind);
    if (txtLabel)
        setWholeText(txtLabel, fromProgramText(entry.label));
    setOperandText(fromProgramText(entry.operand));
    operandKnown_ = 1;
    loadDestination(entry.destination);
}

QWidget* TEntryDialog::firstFocus() const
{
    return txtLabel;
}

void TEntryDialog::showEvent(QShowEvent* event)
{
    // The lists are filled once per opening: nested dialogs that close again re-activate
    // this one, and must not list every name twice.
    if (!shown_) {
        shown_ = true;
        fillSymbolLists();
        if (QWidget* first = firstFocus())
            first->setFocus();
    }
    QDialog::showEvent(event);
}

void TEntryDialog::PageControl1Change(int index)
{
    QWidget* page = PageControl1->widget(index);
    if (page == TabSheet2)
        fillDescription();
    else if (page == TabSheet3)
        showThirdPage();
}

void TEntryDialog::fillDescription()
{
    labSyntax->setText(withText(form_.syntaxFormat, mnemonicText_));
    labAffected->setText(QStringLiteral("2. Status affected: ") + affectedText_);
    labCycles->setText(withText(form_.cyclesFormat, cyclesText_));
    // The forms' widths fit their own narrow font only; in a wider one "goto  k" or "Status
    // affected: None" would break over two lines. A label grows to its text, within the page.
    const QFontMetrics metrics(labSyntax->font());
    const int room = std::max(kInfoWidth, form_.descriptionWidth);
    for (QLabel* label : {labSyntax, labAffected, labCycles}) {
        const int width = std::clamp(metrics.horizontalAdvance(label->text()) + 1, form_.descriptionWidth, room);
        label->resize(width, label->height());
    }
}

bool TEntryDialog::insertThroughView(const ProgramLine& line)
{
    if (!view_ || &view_->document() != &doc_)
        return doc_.lines.insertAfterCursor(line) != nullptr;
    const int before = doc_.lines.count();
    view_->InsertLineAfterCursor(line);
    return doc_.lines.count() == before + 1;
}

void TEntryDialog::btnOKClick()
{
    EntryLine entry;
    entry.kind = form_.kind;
    entry.code = code_;
    if (txtLabel)
        entry.label = toProgramText(txtLabel->text());
    entry.operand = toProgramText(operandText());
    entry.destination = destination_;
    entry.affected = toProgramText(affectedText_);
    entry.operandKnown = operandKnown_;
    const std::string typed = entry.operand;

    const bool editing = doc_.editMode;
    const EntryResult result = editing
        ? rewriteEntryLine(doc_, screen_, entry)
        : insertEntryLine(doc_, screen_, entry, [this](const ProgramLine& line) { return insertThroughView(line); });
    // A definition dialog may have added the symbol under another name.
    if (entry.operand != typed)
        setOperandText(fromProgramText(entry.operand));

    switch (result) {
    case EntryResult::Written:
        if (view_) {
            // Insertion repainted and refreshed the view itself; a rewritten line repaints
            // its row and shows its comment.
            if (editing)
                view_->SetCursorRow(view_->cursorRow());
            emit view_->documentModified();
        }
        accept();
        break;
    case EntryResult::LabelRefused:
        // A symbol defined by the operand check must not be offered a second time.
        recomputeOperandKnown();
        break;
    case EntryResult::OperandRefused:
        // An empty operand is refused without a word: show the user where it goes.
        if (QWidget* operand = operandControl(); operand && typed.empty())
            operand->setFocus(Qt::OtherFocusReason);
        break;
    case EntryResult::Failed:
        break;
    }
}

void TEntryDialog::btnCommentClick()
{
    TfrmComment comment(doc_, this);
    comment.exec();
}

void TEntryDialog::reject()
{
    // Cancel, Escape and the close box alike: a comment typed for this line must not end
    // up on whatever line is written next.
    cancelEntry(doc_);
    QDialog::reject();
}

TByteDialog::TByteDialog(const EntryForm& form, const Destinations& destinations, ProgramDocument& doc,
                         Screen& screen, TMDIChild* view, QWidget* parent)
    : TEntryDialog(form, doc, screen, view, parent), destinations_(destinations)
{
    addCaption(TabSheet1, "Label2", "F register", kRightColumn, 26);
    cbxF = addCombo("cbxF", true, 12, kRightColumn, 26, kComboWidth);
    addCaption(TabSheet1, "Label3", "Destination", kLeftColumn, 76);
    cbxDestination = addCombo("cbxDestination", false, 0, kLeftColumn, 76, kComboWidth);
    cbxDestination->addItems({QString::fromLatin1(destinations.first), QString::fromLatin1(destinations.second)});
    // The palette's preset; destination itself stays 0 until the user picks an item.
    cbxDestination->setCurrentIndex(destinations.preset);

    setOperandTabOrder({cbxF, cbxDestination});

    connect(cbxF->lineEdit(), &QLineEdit::textEdited, this, [this] { cbxFChange(false); });
    connect(cbxF, &QComboBox::activated, this, [this] { cbxFChange(true); });
    connect(cbxDestination, &QComboBox::activated, this, &TByteDialog::cbxDestinationChange);
}

QString TByteDialog::operandText() const { return cbxF->currentText(); }
QWidget* TByteDialog::operandControl() const { return cbxF; }
void TByteDialog::setOperandText(const QString& text) { setWholeText(cbxF->lineEdit(), text); }

void TByteDialog::loadDestination(int destination)
{
    const bool set = destination != 0;
    cbxDestination->setCurrentIndex(destinations_.inverse ? (set ? 0 : 1) : (set ? 1 : 0));
    destination_ = set ? 1 : 0;
}

void TByteDialog::fillSymbolLists()
{
    setComboNames(cbxF, registerNames(doc_));
}

void TByteDialog::cbxFChange(bool picked)
{
    operandKnown_ = MatchesRegister(doc_, toProgramText(cbxF->currentText())) ? 1 : 0;
    markKnown(cbxF, operandKnown_ && picked);
}

void TByteDialog::recomputeOperandKnown()
{
    cbxFChange(false);
}

void TByteDialog::cbxDestinationChange(int index)
{
    destination_ = destinations_.inverse ? (index == 0 ? 1 : 0) : index;
}

void TByteDialog::applyCode(int code)
{
    // movwf and clrf always write to f.
    cbxDestination->setEnabled(code != 7 && code != 13);
}

void TByteDialog::showThirdPage()
{
    showInfo(labName, labAddress, labBank, registerInfoPage(doc_, toProgramText(cbxF->currentText())));
}

TfrmTwoF::TfrmTwoF(ProgramDocument& doc, Screen& screen, TMDIChild* view, QWidget* parent)
    : TByteDialog(kTwoFForm, kTwoFDestinations, doc, screen, view, parent)
{
}

TfrmOneF::TfrmOneF(ProgramDocument& doc, Screen& screen, TMDIChild* view, QWidget* parent)
    : TByteDialog(kOneFForm, kOneFDestinations, doc, screen, view, parent)
{
}

TfrmSkip2::TfrmSkip2(ProgramDocument& doc, Screen& screen, TMDIChild* view, QWidget* parent)
    : TByteDialog(kSkip2Form, kSkip2Destinations, doc, screen, view, parent)
{
}

TfrmBit1::TfrmBit1(ProgramDocument& doc, Screen& screen, TMDIChild* view, QWidget* parent)
    : TEntryDialog(kBit1Form, doc, screen, view, parent)
{
    addCaption(TabSheet1, "Label2", "F register", kRightColumn, 26);
    cbxF = addCombo("cbxF", false, 0, kRightColumn, 26, kComboWidth);
    addCaption(TabSheet1, "Label3", "Bit", kRightColumn, 76);
    cbxBit = addCombo("cbxBit", true, 8, kRightColumn, 76, kComboWidth);
    // The bit box takes the focus first; Tab still runs in reading order.
    setOperandTabOrder({cbxF, cbxBit});

    connect(cbxF, &QComboBox::activated, this, &TfrmBit1::cbxFChange);
    const auto bitChange = [this](bool picked) {
        operandKnown_ = CheckBitOperand() ? 1 : 0;
        markKnown(cbxBit, operandKnown_ && picked);
    };
    connect(cbxBit->lineEdit(), &QLineEdit::textEdited, this, [bitChange] { bitChange(false); });
    connect(cbxBit, &QComboBox::activated, this, [bitChange] { bitChange(true); });
}

QString TfrmBit1::operandText() const { return cbxBit->currentText(); }
void TfrmBit1::setOperandText(const QString& text) { setWholeText(cbxBit->lineEdit(), text); }
QWidget* TfrmBit1::firstFocus() const { return cbxBit; }
QWidget* TfrmBit1::operandControl() const { return cbxBit; }

void TfrmBit1::FillBitList(const RegisterEntry& reg)
{
    const QSignalBlocker blocker(cbxBit);
    cbxBit->clear();
    const auto items = bitListOf(doc_, reg);
    auto* model = qobject_cast<QStandardItemModel*>(cbxBit->model());
    qsizetype longest = 0;
    for (std::size_t bit = 0; bit < items.size(); ++bit) {
        cbxBit->addItem(fromProgramText(items[bit].text));
        if (items[bit].fits)
            longest = std::max<qsizetype>(longest, static_cast<qsizetype>(items[bit].text.size()));
        // Shown, so the list still has its eight bits, but too long to be a line's operand.
        if (!items[bit].fits && model)
            model->item(static_cast<int>(bit))->setEnabled(false);
    }
    allowLength(cbxBit->lineEdit(), longest);
    cbxBit->setCurrentIndex(-1);
    cbxBit->clearEditText();
}

void TfrmBit1::selectRegister(int address)
{
    cbxF->setCurrentIndex(registerComboIndex(address));
}

bool TfrmBit1::CheckBitOperand()
{
    const std::string text = toProgramText(cbxBit->currentText());
    // Select the register of a bit in cbxF, list its bits and pick the bit.
    const auto pick = [this](int address, int bit) {
        const RegisterEntry* reg = RegisterAtIndex(doc_, registerComboIndex(address));
        if (!reg || bit < 0 || bit > 7)
            return;
        selectRegister(address);
        FillBitList(*reg);
        const QSignalBlocker blocker(cbxBit);
        cbxBit->setCurrentIndex(bit);
    };

    bool known = false;
    const BitEntry* device = doc_.defaults().bits().findByName(text);
    const BitEntry* user = doc_.userBits.findByName(text);
    if (device || user) {
        for (const BitEntry* entry : {device, user})
            if (entry)
                pick(entry->address, entry->bit);
        known = true;
    } else {
        cbxF->setCurrentIndex(-1);
    }

    const std::size_t comma = text.find(',');
    if (comma != std::string::npos) {
        const std::string registerName = text.substr(0, comma);
        const std::string bitText = text.substr(comma + 1);
        int bit = 0;
        if (!bitText.empty() && IsDecimalNumber(bitText, bit)) {
            const int p0 = doc_.registerFile0.positionOf(registerName);
            const int p1 = doc_.registerFile1.positionOf(registerName);
            if (bit > 7 || (!p0 && !p1)) {
                cbxF->setCurrentIndex(-1);
                return false;
            }
            // For a register in both files the bank-1 entry ends up selected.
            if (p0)
                pick(p0 - 1, bit);
            if (p1)
                pick(0x80 + p1 - 1, bit);
            known = true;
        }
    }
    return known;
}

void TfrmBit1::cbxFChange(int index)
{
    if (const RegisterEntry* reg = RegisterAtIndex(doc_, index))
        FillBitList(*reg);
}

void TfrmBit1::fillSymbolLists()
{
    setComboNames(cbxF, registerNames(doc_));
    // The line being edited shows its register; its bits are listed once the user picks one.
    const ProgramLine* line = doc_.lines.cursor();
    int address = 0;
    int bit = 0;
    if (doc_.editMode && doc_.lines.isLine(line) && ResolveBitOperand(doc_, line->operandText(), address, bit))
        selectRegister(address);
}

void TfrmBit1::recomputeOperandKnown()
{
    operandKnown_ = CheckBitOperand() ? 1 : 0;
}

void TfrmBit1::showThirdPage()
{
    showInfo(labName, labAddress, labBank, bitInfoPage(doc_, toProgramText(cbxBit->currentText())));
}

TfrmLit1::TfrmLit1(ProgramDocument& doc, Screen& screen, TMDIChild* view, QWidget* parent)
    : TEntryDialog(kLit1Form, doc, screen, view, parent)
{
    addCaption(TabSheet1, "Label2", "k", kRightColumn, 26);
    cbxK = addCombo("cbxK", true, 12, kRightColumn, 26, kComboWidth);
    setOperandTabOrder({cbxK});
    const auto change = [this](bool picked) {
        operandKnown_ = MatchesLiteral(doc_, toProgramText(cbxK->currentText())) ? 1 : 0;
        markKnown(cbxK, operandKnown_ && picked);
    };
    connect(cbxK->lineEdit(), &QLineEdit::textEdited, this, [change] { change(false); });
    connect(cbxK, &QComboBox::activated, this, [change] { change(true); });
}

QString TfrmLit1::operandText() const { return cbxK->currentText(); }
QWidget* TfrmLit1::operandControl() const { return cbxK; }
void TfrmLit1::setOperandText(const QString& text) { setWholeText(cbxK->lineEdit(), text); }
void TfrmLit1::fillSymbolLists() { setComboNames(cbxK, namesOf(doc_.literals)); }

void TfrmLit1::recomputeOperandKnown()
{
    operandKnown_ = MatchesLiteral(doc_, toProgramText(cbxK->currentText())) ? 1 : 0;
}

void TfrmLit1::showThirdPage()
{
    showInfo(labName, labAddress, nullptr, literalInfoPage(doc_, toProgramText(cbxK->currentText())));
}

TfrmLit2::TfrmLit2(ProgramDocument& doc, Screen& screen, TMDIChild* view, QWidget* parent)
    : TEntryDialog(kLit2Form, doc, screen, view, parent)
{
    addCaption(TabSheet1, "Label2", "Branch label", kRightColumn, 26);
    cbxK = addCombo("cbxK", true, 12, kRightColumn, 26, kComboWidth);
    setOperandTabOrder({cbxK});
    // Only a help to the eye: a branch label is written as typed, known or not.
    connect(cbxK, &QComboBox::activated, this,
            [this] { markKnown(cbxK, MatchesLabel(doc_, toProgramText(cbxK->currentText()))); });
}

QString TfrmLit2::operandText() const { return cbxK->currentText(); }
void TfrmLit2::setOperandText(const QString& text) { setWholeText(cbxK->lineEdit(), text); }
void TfrmLit2::fillSymbolLists() { setComboNames(cbxK, namesOf(doc_.labels)); }

TfrmZero::TfrmZero(ProgramDocument& doc, Screen& screen, TMDIChild* view, QWidget* parent)
    : TEntryDialog(kZeroForm, doc, screen, view, parent)
{
}

void TfrmZero::applyCode(int code)
{
    if (code != kBlankCode)
        return;
    PageControl1->setTabText(PageControl1->indexOf(TabSheet1), QStringLiteral("Blank"));
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet2), false);
}

TfrmOrg::TfrmOrg(ProgramDocument& doc, Screen& screen, TMDIChild* view, QWidget* parent)
    : TEntryDialog(kOrgForm, doc, screen, view, parent)
{
    code_ = kOrgCode;
    setWindowTitle(QStringLiteral("ORG"));
    addCaption(this, "Label1", "Location:", kLeftColumn, 30);
    txtORG = new QLineEdit(this);
    txtORG->setObjectName(QStringLiteral("txtORG"));
    txtORG->setGeometry(kLeftColumn, 30, kWidth - 2 * kLeftColumn, 22);
    limitTyping(txtORG, 13);
    setOperandTabOrder({txtORG});
    btnOK->setEnabled(false);
    // An empty address can never be confirmed; a loaded one enables OK at once.
    connect(txtORG, &QLineEdit::textChanged, this, [this](const QString& text) { btnOK->setEnabled(!text.isEmpty()); });
}

QString TfrmOrg::operandText() const { return txtORG->text(); }
void TfrmOrg::setOperandText(const QString& text) { setWholeText(txtORG, text); }
QWidget* TfrmOrg::firstFocus() const { return txtORG; }
QWidget* TfrmOrg::operandControl() const { return txtORG; }
