#include "dialogs/device/DeviceDialogs.h"

#include "editor/Settings.h"

#include "model/HexDigit.h"
#include "model/Names.h"
#include "model/ProgramDocument.h"
#include "model/Screen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>

namespace {

constexpr int kColumns = 8;

QString hexByte(int value) { return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper(); }

} // namespace

TfrmConfigWord::TfrmConfigWord(const tarvik::ProgramDocument& document, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmConfigWord"));
    setWindowTitle(QStringLiteral("Configuration Word"));
    auto* form = new QFormLayout;
    cbxDevice_ = new QComboBox(this);
    cbxDevice_->setObjectName(QStringLiteral("cbxDevice"));
    for (tarvik::Device device : tarvik::kDevices)
        cbxDevice_->addItem(QString::fromLatin1(tarvik::deviceName(device)));
    cbxDevice_->setCurrentIndex(static_cast<int>(document.device()));
    form->addRow(QStringLiteral("&Device:"), cbxDevice_);

    chkWriteWord_ = new QCheckBox(QStringLiteral("&Write a configuration word"), this);
    chkWriteWord_->setObjectName(QStringLiteral("chkWriteWord"));
    form->addRow(chkWriteWord_);
    cbxOscillator_ = new QComboBox(this);
    cbxOscillator_->setObjectName(QStringLiteral("cbxOscillator"));
    // In the order of the word's FOSC values.
    cbxOscillator_->addItems({QStringLiteral("LP - low-power crystal"), QStringLiteral("XT - crystal or resonator"),
                              QStringLiteral("HS - high-speed crystal"), QStringLiteral("RC - resistor and capacitor")});
    form->addRow(QStringLiteral("&Oscillator:"), cbxOscillator_);
    chkWatchdog_ = new QCheckBox(QStringLiteral("W&atchdog timer"), this);
    chkWatchdog_->setObjectName(QStringLiteral("chkWatchdog"));
    chkPowerUpTimer_ = new QCheckBox(QStringLiteral("&Power-up timer"), this);
    chkPowerUpTimer_->setObjectName(QStringLiteral("chkPowerUpTimer"));
    chkCodeProtection_ = new QCheckBox(QStringLiteral("&Code protection"), this);
    chkCodeProtection_->setObjectName(QStringLiteral("chkCodeProtection"));
    form->addRow(chkWatchdog_);
    form->addRow(chkPowerUpTimer_);
    form->addRow(chkCodeProtection_);
    lblWord_ = new QLabel(this);
    lblWord_->setObjectName(QStringLiteral("lblWord"));
    form->addRow(QStringLiteral("Word:"), lblWord_);

    // A program without a word starts from what a careful user would burn: XT, no watchdog.
    const tarvik::ConfigFields fields = document.configWord
        ? tarvik::configFields(document.device(), *document.configWord)
        : tarvik::ConfigFields{tarvik::Oscillator::XT, false, true, false};
    chkWriteWord_->setChecked(document.configWord.has_value());
    cbxOscillator_->setCurrentIndex(static_cast<int>(fields.oscillator));
    chkWatchdog_->setChecked(fields.watchdog);
    chkPowerUpTimer_->setChecked(fields.powerUpTimer);
    chkCodeProtection_->setChecked(fields.codeProtection);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    // Room for the caption beside a window manager's title buttons.
    setMinimumWidth(320);

    for (QCheckBox* box : {chkWriteWord_, chkWatchdog_, chkPowerUpTimer_, chkCodeProtection_})
        connect(box, &QCheckBox::toggled, this, &TfrmConfigWord::updateWord);
    for (QComboBox* box : {cbxDevice_, cbxOscillator_})
        connect(box, &QComboBox::currentIndexChanged, this, &TfrmConfigWord::updateWord);
    updateWord();
}

tarvik::Device TfrmConfigWord::device() const { return static_cast<tarvik::Device>(cbxDevice_->currentIndex()); }

std::optional<int> TfrmConfigWord::word() const
{
    if (!chkWriteWord_->isChecked())
        return std::nullopt;
    return tarvik::configWord(device(), {static_cast<tarvik::Oscillator>(cbxOscillator_->currentIndex()),
                                         chkWatchdog_->isChecked(), chkPowerUpTimer_->isChecked(),
                                         chkCodeProtection_->isChecked()});
}

void TfrmConfigWord::updateWord()
{
    const bool on = chkWriteWord_->isChecked();
    for (QWidget* field : std::initializer_list<QWidget*>{cbxOscillator_, chkWatchdog_, chkPowerUpTimer_, chkCodeProtection_})
        field->setEnabled(on);
    lblWord_->setText(QString::fromStdString(tarvik::configWordText(word())));
}

TfrmEepromData::TfrmEepromData(const tarvik::EepromData& data, tarvik::Screen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen)
{
    setObjectName(QStringLiteral("frmEepromData"));
    setWindowTitle(QStringLiteral("EEPROM Data"));
    tblEeprom_ = new QTableWidget(tarvik::kEepromSize / kColumns, kColumns, this);
    tblEeprom_->setObjectName(QStringLiteral("tblEeprom"));
    QStringList columns;
    for (int c = 0; c < kColumns; ++c)
        columns << QString::number(c);
    tblEeprom_->setHorizontalHeaderLabels(columns);
    QStringList rows;
    for (int r = 0; r < tarvik::kEepromSize / kColumns; ++r)
        rows << hexByte(r * kColumns);
    tblEeprom_->setVerticalHeaderLabels(rows);
    tblEeprom_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tblEeprom_->horizontalHeader()->setDefaultSectionSize(30);
    tblEeprom_->verticalHeader()->setDefaultSectionSize(20);
    for (int i = 0; i < tarvik::kEepromSize; ++i) {
        const int value = data[static_cast<std::size_t>(i)];
        auto* cell = new QTableWidgetItem(value < 0 ? QString() : hexByte(value));
        cell->setTextAlignment(Qt::AlignCenter);
        tblEeprom_->setItem(i / kColumns, i % kColumns, cell);
    }
    tblEeprom_->setFixedSize(tblEeprom_->verticalHeader()->sizeHint().width() + kColumns * 30 + 4,
                             tblEeprom_->horizontalHeader()->sizeHint().height() + 8 * 20 + 4);
    auto* hint = new QLabel(QStringLiteral("Hexadecimal bytes; an empty cell is left unprogrammed."), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmEepromData::btnOkClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tblEeprom_);
    layout->addWidget(hint);
    layout->addWidget(buttons);
}

std::optional<tarvik::EepromData> TfrmEepromData::data()
{
    tarvik::EepromData result = tarvik::kNoEepromData;
    for (int i = 0; i < tarvik::kEepromSize; ++i) {
        QTableWidgetItem* cell = tblEeprom_->item(i / kColumns, i % kColumns);
        const QString text = cell ? cell->text().trimmed() : QString();
        if (text.isEmpty())
            continue;
        const std::optional<int> value = tarvik::parseHexByte(text.toLatin1().toStdString());
        if (!value) {
            tblEeprom_->setCurrentCell(i / kColumns, i % kColumns);
            tarvik::ReportError(screen_, "Sintax error: %s is not valid!", text.toStdString().c_str());
            return std::nullopt;
        }
        result[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(*value);
    }
    return result;
}

void TfrmEepromData::btnOkClick()
{
    if (const std::optional<tarvik::EepromData> read = data()) {
        result_ = *read;
        accept();
    }
}

bool runConfigWordDialog(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent)
{
    TfrmConfigWord dialog(document, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (!document.canChangeDeviceTo(dialog.device())) {
        tarvik::ReportError(screen, "The %s has no room for registers named above %02XH!",
                            std::string(tarvik::deviceName(dialog.device())).c_str(),
                            tarvik::lastGeneralPurpose(dialog.device()));
        return false;
    }
    rememberChosenDevice(dialog.device());
    if (dialog.device() == document.device() && dialog.word() == document.configWord)
        return false;
    document.setDevice(dialog.device());
    document.configWord = dialog.word();
    document.modified = true;
    return true;
}

bool runEepromDataDialog(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent)
{
    TfrmEepromData dialog(document.eepromData, screen, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const std::optional<tarvik::EepromData> data = dialog.data();
    if (!data || *data == document.eepromData)
        return false;
    document.eepromData = *data;
    document.modified = true;
    return true;
}

tarvik::Device lastChosenDevice()
{
    const int value = openSettings()->value(QStringLiteral("device/last"), 0).toInt();
    return tarvik::isValidDevice(value) ? static_cast<tarvik::Device>(value) : tarvik::Device::Pic16C84;
}

void rememberChosenDevice(tarvik::Device device)
{
    openSettings()->setValue(QStringLiteral("device/last"), static_cast<int>(device));
}
