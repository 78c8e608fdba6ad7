#include "app/TfrmAbout.h"

#include "app/Glyphs.h"

#include <QLabel>
#include <QPushButton>

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmAbout"));
    setWindowTitle(QStringLiteral("About Tarvik"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(Glyphs::applicationIcon().pixmap(32, 32));
    icon->setGeometry(16, 16, 32, 32);

    auto* version = new QLabel(QStringLiteral("Visual Assembler for PIC16C84 - Version 1.1"), this);
    version->setObjectName(QStringLiteral("Version"));
    version->adjustSize();
    version->move(64, 16 + (32 - version->height()) / 2);

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    const int width = qMax(300, version->geometry().right() + 16);
    ok->setGeometry((width - 75) / 2, 64, 75, 25);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(width, 104);
}
