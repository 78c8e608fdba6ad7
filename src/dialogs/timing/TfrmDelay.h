#pragma once

#include "timing/DelayInsertion.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TMDIChild;

// Insert Delay: a delay exact to the cycle, asked for as a time at the simulator's clock or
// as a number of cycles, inserted after the cursor line. While the user types it tells the
// cycles and the time the delay takes, its words, and the registers its counters take.
class TfrmDelay : public QDialog {
    Q_OBJECT
public:
    TfrmDelay(tarvik::ProgramDocument& doc, tarvik::Screen& screen, std::uint32_t clockHz, QWidget* parent = nullptr);

    // The request as the controls stand; nullopt while the length is no number.
    std::optional<tarvik::DelayRequest> request() const;

    void btnOKClick();
    // Opens the registers dialog for counter i (0 innermost), preset with its name; a name
    // added there is the counter's.
    void btnRegisterClick(int i);

private:
    void refresh();
    tarvik::DelayUnit unit() const;

    tarvik::ProgramDocument& doc_;
    tarvik::Screen& screen_;
    std::uint32_t clockHz_;

    QLineEdit* txtLength = nullptr;
    QComboBox* cbxUnit = nullptr;
    QLabel* labClock = nullptr;
    QLineEdit* txtName = nullptr;
    QRadioButton* rbSubroutine = nullptr;
    QRadioButton* rbInline = nullptr;
    std::array<QLineEdit*, tarvik::kMaxDelayRegisters> txtRegister{};
    std::array<QLabel*, tarvik::kMaxDelayRegisters> labRegister{};
    std::array<QPushButton*, tarvik::kMaxDelayRegisters> btnRegister{};
    QLabel* labAchieved = nullptr;
    QLabel* labWords = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};

// Tools > Insert Delay... on the view's document: the dialog, and the view brought to the
// lines it inserted.
void runInsertDelay(TMDIChild& view, tarvik::Screen& screen, std::uint32_t clockHz, QWidget* parent);
