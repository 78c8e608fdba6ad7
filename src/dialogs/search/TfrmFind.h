#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

namespace tarvik {
class ProgramDocument;
class Screen;
}

// Selects every line whose operand is the name typed, in the document it was opened on.
class TfrmFind : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxTextLength = 13;

    // showTop brings the document's window back to its first line after the search.
    TfrmFind(tarvik::ProgramDocument& document, tarvik::Screen& screen, std::function<void()> showTop,
             QWidget* parent = nullptr);

    void Button1Click();
    void Button2Click();

private:
    tarvik::ProgramDocument& document_;
    tarvik::Screen& screen_;
    std::function<void()> showTop_;
    QLineEdit* txtFind_ = nullptr;
};
