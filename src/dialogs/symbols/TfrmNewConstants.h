#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTreeWidget;

namespace tarvik {
class ProgramDocument;
class Screen;
}

// The literal table of a program: add a named literal with its value, delete one, or (in
// browse mode) only look at them.
class TfrmNewConstants : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxTextLength = 13;

    TfrmNewConstants(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent = nullptr);

    // Opened from the Add New Literal command: its own caption, the name box first in the tab order.
    void setAddMode();
    // Caption "Literals": the list and Close only.
    void setBrowseMode();
    // The text that receives the name finally added, preset in the name box; none when null.
    void setCallerText(std::string* text);
    int addResult() const { return result_; }

    // Fills the list; only the first activation does, so coming back to the dialog from
    // another window adds no second copy of the rows.
    void FormActivate();
    void ListView1Change();
    void txtConstantChange();
    void btnAddClick();
    void btnDeleteClick();
    void btnCancelClick();

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillList();

    tarvik::ProgramDocument& document_;
    tarvik::Screen& screen_;
    std::string* callerText_ = nullptr;
    int result_ = 0;
    bool namesLiteral_ = false;
    bool activated_ = false;

    QTreeWidget* ListView1_ = nullptr;
    QLabel* Label1_ = nullptr;
    QLineEdit* txtConstant_ = nullptr;
    QLabel* Label2_ = nullptr;
    QLineEdit* txtValue_ = nullptr;
    QPushButton* btnAdd_ = nullptr;
    QPushButton* btnDelete_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    QMenu* PopupMenu1_ = nullptr;
};
