#include "dialogs/symbols/TfrmLabels.h"

#include "dialogs/FormFont.h"
#include "dialogs/ProgramTextBox.h"
#include "editor/ProgramText.h"
#include "model/ProgramDocument.h"
#include "model/SymbolCommands.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

TfrmLabels::TfrmLabels(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      document_(document), screen_(screen)
{
    setFont(formFont());
    setObjectName(QStringLiteral("TfrmLabels"));
    setWindowTitle(QStringLiteral("New Label"));

    auto* label1 = new QLabel(QStringLiteral("Labels:"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->move(8, 4);
    lbxLabels_ = new QListWidget(this);
    lbxLabels_->setObjectName(QStringLiteral("lbxLabels"));
    lbxLabels_->setGeometry(8, 20, 121, 109);
    auto* label2 = new QLabel(QStringLiteral("New Label:"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->move(8, 140);
    txtNewLabel_ = new QLineEdit(this);
    txtNewLabel_->setObjectName(QStringLiteral("txtNewLabel"));
    txtNewLabel_->setGeometry(8, 155, 121, 21);
    limitTyping(txtNewLabel_, kMaxNameLength);

    Button1_ = new QPushButton(QStringLiteral("&Add"), this);
    Button1_->setObjectName(QStringLiteral("Button1"));
    Button1_->setGeometry(138, 20, 60, 22);
    Button1_->setDefault(true);
    Button2_ = new QPushButton(QStringLiteral("&Cancel"), this);
    Button2_->setObjectName(QStringLiteral("Button2"));
    Button2_->setGeometry(138, 50, 60, 22);
    Button2_->setAutoDefault(false);
    connect(Button1_, &QPushButton::clicked, this, &TfrmLabels::Button1Click);
    connect(Button2_, &QPushButton::clicked, this, &TfrmLabels::Button2Click);

    setFixedSize(204, 189);
}

void TfrmLabels::setVisible(bool visible)
{
    const bool first = visible && !shown_;
    shown_ = shown_ || visible;
    QDialog::setVisible(visible);
    // The offered label stays as it is, with the cursor after it.
    if (first) {
        txtNewLabel_->setFocus(Qt::OtherFocusReason);
        txtNewLabel_->deselect();
        txtNewLabel_->end(false);
    }
}

void TfrmLabels::setCallerText(std::string* text)
{
    callerText_ = text;
    setWholeText(txtNewLabel_, text ? fromProgramText(*text) : QString());
}

void TfrmLabels::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TfrmLabels::FormActivate()
{
    lbxLabels_->clear();
    for (const tarvik::NameValueEntry& label : document_.labels)
        lbxLabels_->addItem(fromProgramText(label.nameText()));
}

void TfrmLabels::Button1Click()
{
    const std::string name = toProgramText(txtNewLabel_->text());
    if (!tarvik::AddTableLabel(document_, screen_, name))
        return;
    if (callerText_)
        *callerText_ = name;
    result_ = 1;
    accept();
}

void TfrmLabels::Button2Click()
{
    result_ = 0;
    reject();
}
