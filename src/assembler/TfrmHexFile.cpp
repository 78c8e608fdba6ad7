#include "assembler/TfrmHexFile.h"

#include "model/Names.h"

#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

#include <array>

namespace {

// A full data record of 16 bytes: colon, count, address, type, data and checksum.
constexpr int kLongestRecord = 43;

// The list is narrow for its records: take a fixed-width font small enough that a whole
// record shows beside the vertical scroll bar.
QFont recordFont(const QListWidget& list)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const int room = list.width() - 2 * list.frameWidth()
        - list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list) - 6;
    const QString record(kLongestRecord, QLatin1Char('0'));
    int pixels = QFontInfo(font).pixelSize();
    while (pixels > 8 && QFontMetrics(font).horizontalAdvance(record) > room)
        font.setPixelSize(--pixels);
    return font;
}

} // namespace

TfrmHexFile::TfrmHexFile(tarvik::Screen& screen, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      screen_(screen)
{
    setObjectName(QStringLiteral("TfrmHexFile"));
    setWindowTitle(QStringLiteral("Hex"));

    lbxHexFile_ = new QListWidget(this);
    lbxHexFile_->setObjectName(QStringLiteral("lbxHexFile"));
    lbxHexFile_->setGeometry(0, 8, 318, 129);
    lbxHexFile_->setFocusPolicy(Qt::ClickFocus);
    lbxHexFile_->setUniformItemSizes(true);
    lbxHexFile_->setFont(recordFont(*lbxHexFile_));

    Button1_ = new QPushButton(QStringLiteral("&Close"), this);
    Button1_->setObjectName(QStringLiteral("Button1"));
    Button1_->setGeometry(325, 8, 57, 22);
    connect(Button1_, &QPushButton::clicked, this, &TfrmHexFile::Button1Click);
    Button1_->setFocus();

    setFixedSize(386, 144);
}

void TfrmHexFile::setFileName(const std::string& fileName)
{
    fileName_ = fileName;
    setWindowTitle(QFile::decodeName(QByteArray::fromStdString(fileName)));
}

void TfrmHexFile::FormActivate()
{
    QFile file(QFile::decodeName(QByteArray::fromStdString(fileName_)));
    if (!file.open(QIODevice::ReadOnly)) {
        reporting_ = true;
        lostToOwnMessage_ = false;
        tarvik::ReportError(screen_, "Error!");
        reporting_ = false;
        return;
    }
    const QStringList items = readItems(file);
    lbxHexFile_->clear();
    lbxHexFile_->addItems(items);
}

void TfrmHexFile::Button1Click()
{
    close();
}

QStringList TfrmHexFile::readItems(QIODevice& file)
{
    QStringList items;
    // One byte more than an item holds: it may turn out to be the CR of the line end.
    QByteArray line;
    // A HEX file is no program text: each byte shows as one character, whatever it is, so a
    // piece is as long on screen as in the file.
    auto endLine = [&] {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > kMaxItemLength) {
            items.append(QString::fromLatin1(line.first(kMaxItemLength)));
            line.remove(0, kMaxItemLength);
        }
        items.append(QString::fromLatin1(line));
        line.clear();
    };

    std::array<char, 4096> block;
    qint64 read = 0;
    while (items.size() < kMaxItems && (read = file.read(block.data(), static_cast<qint64>(block.size()))) > 0) {
        for (qint64 i = 0; i < read; ++i) {
            const char c = block[static_cast<std::size_t>(i)];
            if (c == '\n') {
                endLine();
                continue;
            }
            if (line.size() == kMaxItemLength + 1) {
                items.append(QString::fromLatin1(line.first(kMaxItemLength)));
                line.remove(0, kMaxItemLength);
            }
            line.append(c);
        }
    }
    if (!line.isEmpty())
        endLine();
    if (items.size() > kMaxItems)
        items.resize(kMaxItems);
    return items;
}

bool TfrmHexFile::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowDeactivate && reporting_) {
        lostToOwnMessage_ = true;
    } else if (event->type() == QEvent::WindowActivate) {
        if (reporting_ || lostToOwnMessage_)
            lostToOwnMessage_ = false;
        else
            FormActivate();
    }
    return handled;
}
