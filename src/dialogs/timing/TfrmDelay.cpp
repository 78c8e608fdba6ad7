#include "dialogs/timing/TfrmDelay.h"

#include "dialogs/FormFont.h"
#include "dialogs/ProgramTextBox.h"
#include "editor/ProgramText.h"
#include "editor/TMDIChild.h"
#include "model/Names.h"
#include "timing/LineCycles.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace tarvik;

namespace {

constexpr int kNameLimit = 13;  // as the symbol dialogs take names
constexpr int kFirstGeneralPurpose = 0x0C;
// As many decimals as a time at a clock of whole hertz needs to read exactly in most cases.
constexpr int kTimeDecimals = 6;

template <class Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString numbered(const char* stem, int i)
{
    return QStringLiteral("%1%2").arg(QLatin1String(stem)).arg(i + 1);
}

void showWarning(QLabel* label, bool warning)
{
    label->setStyleSheet(warning ? QStringLiteral("color: #c00000") : QString());
}

} // namespace

TfrmDelay::TfrmDelay(ProgramDocument& doc, Screen& screen, std::uint32_t clockHz, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      doc_(doc), screen_(screen), clockHz_(clockHz)
{
    setObjectName(QStringLiteral("TfrmDelay"));
    setWindowTitle(QStringLiteral("Insert Delay"));
    setFont(formFont());

    auto* column = new QVBoxLayout(this);
    auto* form = new QGridLayout;
    form->setHorizontalSpacing(6);
    column->addLayout(form);

    form->addWidget(named(new QLabel(QStringLiteral("&Length:"), this), "labLength"), 0, 0);
    txtLength = named(new QLineEdit(QStringLiteral("1"), this), "txtLength");
    txtLength->setMaxLength(24);
    txtLength->setToolTip(QStringLiteral("A time, or a number of instruction cycles"));
    form->addWidget(txtLength, 0, 1);
    cbxUnit = named(new QComboBox(this), "cbxUnit");
    cbxUnit->addItems({QStringLiteral("us"), QStringLiteral("ms"), QStringLiteral("s"), QStringLiteral("cycles")});
    cbxUnit->setCurrentIndex(1);
    form->addWidget(cbxUnit, 0, 2);
    labClock = named(new QLabel(QStringLiteral("at %1").arg(QString::fromStdString(clockText(clockHz_))), this),
                     "labClock");
    labClock->setToolTip(QStringLiteral("The simulator's clock (Registers window)"));
    form->addWidget(labClock, 0, 3);
    qobject_cast<QLabel*>(form->itemAtPosition(0, 0)->widget())->setBuddy(txtLength);

    auto* nameCaption = named(new QLabel(QStringLiteral("&Name:"), this), "labName");
    form->addWidget(nameCaption, 1, 0);
    txtName = named(new QLineEdit(this), "txtName");
    limitTyping(txtName, kNameLimit);
    txtName->setText(QStringLiteral("Delay"));
    nameCaption->setBuddy(txtName);
    form->addWidget(txtName, 1, 1, 1, 2);
    form->setColumnStretch(3, 1);

    auto* forms = new QHBoxLayout;
    rbSubroutine = named(new QRadioButton(QStringLiteral("&Subroutine"), this), "rbSubroutine");
    rbSubroutine->setToolTip(QStringLiteral("Called: the cycles count from the call to the line after it"));
    rbSubroutine->setChecked(true);
    rbInline = named(new QRadioButton(QStringLiteral("&Inline"), this), "rbInline");
    rbInline->setToolTip(QStringLiteral("In the program's path: no call, no return"));
    forms->addWidget(rbSubroutine);
    forms->addWidget(rbInline);
    forms->addStretch();
    form->addLayout(forms, 2, 1, 1, 3);

    auto* registers = named(new QGroupBox(QStringLiteral("Counters"), this), "grpRegisters");
    auto* rows = new QGridLayout(registers);
    rows->setVerticalSpacing(3);
    for (int i = 0; i < kMaxDelayRegisters; ++i) {
        const auto index = static_cast<std::size_t>(i);
        txtRegister[index] = new QLineEdit(registers);
        txtRegister[index]->setObjectName(numbered("txtRegister", i));
        limitTyping(txtRegister[index], kNameLimit);
        labRegister[index] = new QLabel(registers);
        labRegister[index]->setObjectName(numbered("labRegister", i));
        labRegister[index]->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(QStringLiteral("not general purpose")));
        btnRegister[index] = new QPushButton(QStringLiteral("..."), registers);
        btnRegister[index]->setObjectName(numbered("btnRegister", i));
        btnRegister[index]->setFixedWidth(28);
        btnRegister[index]->setAutoDefault(false);
        btnRegister[index]->setToolTip(QStringLiteral("Name a register of your choice for this counter"));
        rows->addWidget(txtRegister[index], i, 0);
        rows->addWidget(labRegister[index], i, 1);
        rows->addWidget(btnRegister[index], i, 2);
        connect(txtRegister[index], &QLineEdit::textChanged, this, &TfrmDelay::refresh);
        connect(btnRegister[index], &QPushButton::clicked, this, [this, i] { btnRegisterClick(i); });
    }
    rows->setColumnStretch(1, 1);
    column->addWidget(registers);

    labAchieved = named(new QLabel(this), "labAchieved");
    labAchieved->setWordWrap(true);
    // Room for a second line, as the dialog keeps its size while the text changes.
    labAchieved->setMinimumHeight(2 * QFontMetrics(font()).lineSpacing());
    labAchieved->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    column->addWidget(labAchieved);
    labWords = named(new QLabel(this), "labWords");
    column->addWidget(labWords);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = named(new QPushButton(QStringLiteral("OK"), this), "btnOK");
    btnOK->setDefault(true);
    btnCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "btnCancel");
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    column->addLayout(buttons);

    connect(txtLength, &QLineEdit::textChanged, this, &TfrmDelay::refresh);
    connect(cbxUnit, &QComboBox::currentIndexChanged, this, &TfrmDelay::refresh);
    connect(txtName, &QLineEdit::textChanged, this, &TfrmDelay::refresh);
    connect(rbSubroutine, &QRadioButton::toggled, this, &TfrmDelay::refresh);
    connect(btnOK, &QPushButton::clicked, this, &TfrmDelay::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    refresh();
    txtLength->selectAll();
    txtLength->setFocus();
    setFixedSize(sizeHint().expandedTo(QSize(360, 0)));
}

DelayUnit TfrmDelay::unit() const
{
    static constexpr DelayUnit kUnits[] = {DelayUnit::Microseconds, DelayUnit::Milliseconds, DelayUnit::Seconds,
                                           DelayUnit::Cycles};
    return kUnits[std::clamp(cbxUnit->currentIndex(), 0, 3)];
}

std::optional<DelayRequest> TfrmDelay::request() const
{
    const std::optional<DelayAmount> amount = delayAmount(toProgramText(txtLength->text()), unit(), clockHz_);
    if (!amount)
        return std::nullopt;
    DelayRequest request;
    request.cycles = amount->cycles;
    request.form = rbInline->isChecked() ? DelayForm::Inline : DelayForm::Subroutine;
    request.name = toProgramText(txtName->text());
    for (std::size_t i = 0; i < request.registers.size(); ++i)
        if (txtRegister[i]->isEnabled())
            request.registers[i] = toProgramText(txtRegister[i]->text());
    return request;
}

void TfrmDelay::refresh()
{
    const std::optional<DelayAmount> amount = delayAmount(toProgramText(txtLength->text()), unit(), clockHz_);
    const std::optional<DelayRequest> asked = request();
    const DelayForm form = rbInline->isChecked() ? DelayForm::Inline : DelayForm::Subroutine;
    const std::optional<DelayPlan> plan = amount ? planDelay(amount->cycles, form) : std::nullopt;

    std::vector<std::string> proposed;
    std::vector<DelayRegister> places;
    if (plan) {
        DelayRequest named = *asked;
        // A counter row about to be enabled holds what the user typed there before.
        for (std::size_t i = 0; i < named.registers.size(); ++i)
            named.registers[i] = toProgramText(txtRegister[i]->text());
        const DelayNames names = proposeDelayNames(doc_, named, *plan);
        proposed = names.registers;
        places = delayRegisters(doc_, names);
    }
    for (std::size_t i = 0; i < txtRegister.size(); ++i) {
        const bool used = i < proposed.size();
        txtRegister[i]->setEnabled(used);
        btnRegister[i]->setEnabled(used);
        txtRegister[i]->setPlaceholderText(used && txtRegister[i]->text().isEmpty() ? fromProgramText(proposed[i])
                                                                                     : QString());
        QString where;
        bool warning = false;
        if (used) {
            const DelayRegister& place = places[i];
            const QString address =
                QStringLiteral("0x") + QStringLiteral("%1").arg(place.address, 2, 16, QLatin1Char('0')).toUpper();
            if (place.existing && (place.address & 0x7F) < kFirstGeneralPurpose)
                where = QStringLiteral("not general purpose");
            else if (place.existing)
                where = QStringLiteral("reuses ") + address;
            else if (place.address >= 0)
                where = QStringLiteral("new at ") + address;
            else
                where = doc_.nameInUse(proposed[i]) ? QStringLiteral("not a register") : QStringLiteral("none free");
            warning = place.address < 0 || (place.address & 0x7F) < kFirstGeneralPurpose;
        }
        labRegister[i]->setText(where);
        showWarning(labRegister[i], warning);
    }

    if (!amount) {
        labAchieved->setText(QStringLiteral("The length is a number: %1.")
                                 .arg(unit() == DelayUnit::Cycles ? QStringLiteral("whole cycles")
                                                                  : QStringLiteral("decimals after a point")));
        showWarning(labAchieved, true);
        labWords->clear();
        return;
    }
    if (!plan) {
        labAchieved->setText(QString::fromStdString(delayRangeMessage(amount->cycles)));
        showWarning(labAchieved, true);
        labWords->clear();
        return;
    }
    QString time = QString::fromStdString(cycleTimeText(plan->cycles, clockHz_, kTimeDecimals));
    if (!cycleTimeIsExact(plan->cycles, clockHz_, kTimeDecimals))
        time = QStringLiteral("about ") + time;
    QString achieved = QStringLiteral("%1 cycles = %2").arg(plan->cycles).arg(time);
    if (form == DelayForm::Subroutine)
        achieved += QStringLiteral(", from the call to the line after it");
    if (!amount->whole)
        achieved = QStringLiteral("To the nearest cycle: ") + achieved;
    labAchieved->setText(achieved);
    showWarning(labAchieved, false);
    labWords->setText(QStringLiteral("%1 words, %2 %3")
                          .arg(plan->words())
                          .arg(plan->registerCount())
                          .arg(plan->registerCount() == 1 ? QStringLiteral("register") : QStringLiteral("registers")));
}

void TfrmDelay::btnRegisterClick(int i)
{
    const auto index = static_cast<std::size_t>(i);
    if (index >= txtRegister.size())
        return;
    QLineEdit* box = txtRegister[index];
    std::string name = toProgramText(box->text().isEmpty() ? box->placeholderText() : box->text());
    if (OfferNewRegister(doc_, screen_, name))
        setWholeText(box, fromProgramText(name));
    refresh();
}

void TfrmDelay::btnOKClick()
{
    const std::optional<DelayRequest> asked = request();
    if (!asked) {
        ShowSyntaxError(screen_, toProgramText(txtLength->text()));
        txtLength->setFocus();
        return;
    }
    if (insertDelay(doc_, screen_, *asked))
        accept();
}

void runInsertDelay(TMDIChild& view, Screen& screen, std::uint32_t clockHz, QWidget* parent)
{
    ProgramDocument& doc = view.document();
    const int cursor = view.topIndex() + view.cursorRow();
    const int before = doc.lines.count();
    TfrmDelay dialog(doc, screen, clockHz, parent);
    if (dialog.exec() == QDialog::Accepted)
        view.ShowInsertedLines(cursor + 1, cursor + doc.lines.count() - before);
}
