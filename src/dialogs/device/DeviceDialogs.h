#pragma once

#include "model/Device.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QTableWidget;

namespace tarvik {
class ProgramDocument;
class Screen;
}

// The chip a program is for and its configuration word, by fields; the word shows in
// hexadecimal as the fields change, or "none" when the program leaves it to the programmer.
class TfrmConfigWord : public QDialog {
    Q_OBJECT
public:
    explicit TfrmConfigWord(const tarvik::ProgramDocument& document, QWidget* parent = nullptr);

    tarvik::Device device() const;
    std::optional<int> word() const;
    void updateWord();

private:
    QComboBox* cbxDevice_;
    QCheckBox* chkWriteWord_;
    QComboBox* cbxOscillator_;
    QCheckBox* chkWatchdog_;
    QCheckBox* chkPowerUpTimer_;
    QCheckBox* chkCodeProtection_;
    QLabel* lblWord_;
};

// The data EEPROM's initial contents: 64 cells of two hexadecimal digits, eight to a row as
// the EEPROM dock shows them; an empty cell is a byte the HEX leaves alone.
class TfrmEepromData : public QDialog {
    Q_OBJECT
public:
    TfrmEepromData(const tarvik::EepromData& data, tarvik::Screen& screen, QWidget* parent = nullptr);

    // The table's contents; nullopt, with the cell reported and selected, when one is not a byte.
    std::optional<tarvik::EepromData> data();
    void btnOkClick();
    QTableWidget* table() const { return tblEeprom_; }

private:
    tarvik::Screen& screen_;
    QTableWidget* tblEeprom_;
    tarvik::EepromData result_{};
};

// Tools > Configuration Word...: true when the document changed. A device without a register
// that has a user name or a bit is refused with a message.
bool runConfigWordDialog(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent);
// Tools > EEPROM Data...: true when the document changed.
bool runEepromDataDialog(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent);

// The device File > New starts with: the one last chosen in the configuration dialog.
tarvik::Device lastChosenDevice();
void rememberChosenDevice(tarvik::Device device);
