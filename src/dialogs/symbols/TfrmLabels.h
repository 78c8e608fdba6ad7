#pragma once

#include <QDialog>

#include <string>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace tarvik {
class ProgramDocument;
class Screen;
}

// Puts a label the assembler could not place into the label table; the name added is
// handed back to the failing line's label.
class TfrmLabels : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxNameLength = 13;

    TfrmLabels(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent = nullptr);

    // The caller's text, preset in the name box and receiving the name added.
    void setCallerText(std::string* text);
    int addResult() const { return result_; }

    void FormActivate();
    void Button1Click();
    void Button2Click();

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    tarvik::ProgramDocument& document_;
    tarvik::Screen& screen_;
    std::string* callerText_ = nullptr;
    int result_ = 0;
    bool shown_ = false;

    QListWidget* lbxLabels_ = nullptr;
    QLineEdit* txtNewLabel_ = nullptr;
    QPushButton* Button1_ = nullptr;
    QPushButton* Button2_ = nullptr;
};
