#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTreeWidget;

// The palette by keyboard: type part of a mnemonic, of its symbol on the palette or of
// its description, pick with the arrows and Return. What the palette button would open
// then opens for the chosen instruction.
class TfrmPickInstruction : public QDialog {
    Q_OBJECT
public:
    // lastCode: the instruction picked last time, offered first while nothing is typed;
    // typed: what the box starts with.
    TfrmPickInstruction(int lastCode, const QString& typed, QWidget* parent = nullptr);

    // The instruction's code, or 0 when none is chosen.
    int chosenCode() const;

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void filter(const QString& typed);
    void acceptIfChosen();

    QLineEdit* txtFilter = nullptr;
    QTreeWidget* lvInstructions = nullptr;
    QPushButton* btnOK = nullptr;
    int lastCode_ = 0;
};
