#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;

namespace tarvik {
class ProgramDocument;
class Screen;
}

// Renames an operand in every line of the document it was opened on.
class TfrmReplace : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxTextLength = 13;

    // showTop brings the document's window back to its first line after the walk.
    TfrmReplace(tarvik::ProgramDocument& document, tarvik::Screen& screen, std::function<void()> showTop,
                QWidget* parent = nullptr);

    void btnOKClick();
    void btnCancelClick();

private:
    tarvik::ProgramDocument& document_;
    tarvik::Screen& screen_;
    std::function<void()> showTop_;
    QLineEdit* txtVariable_ = nullptr;
    QLineEdit* txtReplace_ = nullptr;
};
