#include "dialogs/instruction/TfrmComment.h"

#include "dialogs/ProgramTextBox.h"
#include "editor/ProgramText.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmComment::TfrmComment(tarvik::ProgramDocument& doc, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      doc_(doc)
{
    setObjectName(QStringLiteral("TfrmComment"));
    setWindowTitle(QStringLiteral("Comment"));

    auto* caption = new QLabel(QStringLiteral("User comment:"), this);
    caption->setObjectName(QStringLiteral("Label1"));
    caption->move(10, 10);
    caption->adjustSize();

    txtComment = new QLineEdit(this);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    txtComment->setGeometry(10, 28, 250, 22);
    limitTyping(txtComment, kCommentLimit);

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setGeometry(84, 62, 84, 26);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("Button2"));
    cancel->setGeometry(176, 62, 84, 26);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &TfrmComment::Button1Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(270, 96);
}

void TfrmComment::showEvent(QShowEvent* event)
{
    if (!shown_) {
        shown_ = true;
        setWholeText(txtComment, fromProgramText(doc_.pendingComment));
        txtComment->setFocus();
    }
    QDialog::showEvent(event);
}

void TfrmComment::Button1Click()
{
    doc_.setPendingComment(toProgramText(txtComment->text()));
    accept();
}
