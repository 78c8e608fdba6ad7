#pragma once

#include <QDialog>

#include <array>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace tarvik {
class ProgramDocument;
class Screen;
}

// The two-page layout the registers and bits dialogs share: per bank a list of the 48
// register names, the eight bit names of the selected register, a name box and two panels
// showing the selected address and bit. Subclasses decide what Add and Delete do and when
// they are enabled.
class RegisterPagesForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxNameLength = 13;

    // The name both pages propose and the text that receives the name finally added (none
    // when null). Set before the dialog is shown.
    void setPresetName(const std::string& name);
    void setCallerText(std::string* text) { callerText_ = text; }
    // 1 after a successful Add, 0 otherwise.
    int addResult() const { return result_; }

    // Builds the active page. Only the first activation does so: coming back to the dialog
    // from another window keeps the user's selection and typed name.
    void FormActivate();
    void PageControl1Change(int index);
    virtual void btnOkClick() = 0;
    virtual void btnDeleteRegClick() = 0;
    void Button1Click();

    int activeBank() const;
    int selectedAddress() const { return pages_[activeBank()].address; }
    int selectedBit() const { return pages_[activeBank()].bit; }

    void setVisible(bool visible) override;

protected:
    RegisterPagesForm(tarvik::ProgramDocument& document, tarvik::Screen& screen, const QString& nameCaption,
                      QWidget* parent);

    void showEvent(QShowEvent* event) override;
    virtual void UpdateButtons() = 0;
    std::string typedName() const;
    // Hands the name to the caller and closes with result 1.
    void finishAdd(const std::string& name);
    void finishDelete();

    struct Page {
        QWidget* sheet = nullptr;
        QListWidget* lbxRegisters = nullptr;
        QListWidget* lbxBits = nullptr;
        QLineEdit* txtName = nullptr;
        QLabel* panAddress = nullptr;
        QLabel* panIndex = nullptr;
        int address = 0;
        int bit = 0;
    };

    tarvik::ProgramDocument& document_;
    tarvik::Screen& screen_;
    std::array<Page, 2> pages_;
    QTabWidget* PageControl1_ = nullptr;
    QPushButton* btnOk_ = nullptr;
    QPushButton* btnDeleteReg_ = nullptr;
    QPushButton* Button1_ = nullptr;

private:
    void buildPage(int bank);
    // The name box of the page in front, or its register list when names cannot be typed.
    void focusNameBox();
    void selectRegister(int bank, int address);
    void registersClick(int bank, int row);
    void bitsClick(int bank, int row);

    std::string presetName_;
    std::string* callerText_ = nullptr;
    int result_ = 0;
    bool activated_ = false;
    bool filling_ = false;  // list changes made by the dialog itself are no clicks
};
