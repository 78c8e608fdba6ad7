#include "app/Glyphs.h"

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace Glyphs {

namespace {

using Draw = std::function<void(QPainter&)>;

const QColor kOutline(60, 60, 60);
const QColor kPlusGreen(30, 140, 40);

void drawPage(QPainter& p, const QRectF& r, const QColor& fill = Qt::white)
{
    const qreal fold = 4;
    QPainterPath page;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    p.setPen(QPen(kOutline, 1));
    p.setBrush(fill);
    p.drawPath(page);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(Qt::NoBrush);
    p.drawPath(corner);
}

void drawTextLines(QPainter& p, qreal left, qreal top, qreal width, int count)
{
    p.setPen(QPen(QColor(120, 120, 160), 1));
    for (int i = 0; i < count; ++i)
        p.drawLine(QPointF(left, top + 2 * i), QPointF(left + width, top + 2 * i));
}

void drawPlus(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kPlusGreen);
    p.drawRect(QRectF(11, 8.5, 2, 7));
    p.drawRect(QRectF(8.5, 11, 7, 2));
}

void drawLetterTile(QPainter& p, const QString& letter, const QColor& colour)
{
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(250, 250, 235));
    p.drawRect(QRectF(0.5, 0.5, 11, 11));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRectF(0.5, 0.5, 11, 11), Qt::AlignCenter, letter);
    drawPlus(p);
}

void drawSmallText(QPainter& p, const QRectF& r, const QString& text, const QColor& colour, int pixels)
{
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(pixels);
    font.setBold(true);
    font.setStretch(QFont::Condensed);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
}

const QHash<QString, Draw>& drawings()
{
    static const QHash<QString, Draw> table = {
        {QStringLiteral("SpeedButton1"), [](QPainter& p) {
             drawPage(p, QRectF(2.5, 0.5, 11, 15));
         }},
        {QStringLiteral("OpenBtn"), [](QPainter& p) {
             p.setPen(QPen(QColor(120, 90, 20), 1));
             p.setBrush(QColor(230, 190, 80));
             p.drawRect(QRectF(0.5, 3.5, 12, 11));
             p.drawRect(QRectF(0.5, 2.5, 5, 2));
             QPolygonF flap({QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(12.5, 14.5), QPointF(0.5, 14.5)});
             p.setBrush(QColor(250, 215, 110));
             p.drawPolygon(flap);
         }},
        {QStringLiteral("SaveBtn"), [](QPainter& p) {
             p.setPen(QPen(QColor(20, 40, 90), 1));
             p.setBrush(QColor(50, 90, 170));
             p.drawRect(QRectF(0.5, 0.5, 15, 15));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(3.5, 0.5, 9, 6));
             p.setBrush(QColor(180, 180, 190));
             p.drawRect(QRectF(4.5, 10.5, 7, 5));
             p.setPen(Qt::NoPen);
             p.setBrush(QColor(50, 90, 170));
             p.drawRect(QRectF(9, 1, 2, 4));
         }},
        {QStringLiteral("ExitBtn"), [](QPainter& p) {
             p.setPen(QPen(QColor(90, 50, 20), 1));
             p.setBrush(QColor(170, 110, 60));
             p.drawRect(QRectF(0.5, 0.5, 8, 15));
             p.setBrush(QColor(240, 220, 120));
             p.drawEllipse(QPointF(6.5, 8.5), 0.8, 0.8);
             p.setPen(QPen(QColor(200, 30, 30), 2, Qt::SolidLine, Qt::FlatCap));
             p.drawLine(QPointF(8, 8), QPointF(13, 8));
             p.setPen(Qt::NoPen);
             p.setBrush(QColor(200, 30, 30));
             p.drawPolygon(QPolygonF({QPointF(12, 4.5), QPointF(16, 8), QPointF(12, 11.5)}));
         }},
        {QStringLiteral("btnCutQEL"), [](QPainter& p) {
             p.setRenderHint(QPainter::Antialiasing);
             p.setPen(QPen(QColor(90, 90, 100), 1.3));
             p.drawLine(QPointF(4, 1), QPointF(10.5, 11));
             p.drawLine(QPointF(12, 1), QPointF(5.5, 11));
             p.setPen(QPen(QColor(180, 20, 20), 1.5));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
             p.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
         }},
        {QStringLiteral("btnCopyQEL"), [](QPainter& p) {
             drawPage(p, QRectF(0.5, 0.5, 9, 11));
             drawPage(p, QRectF(5.5, 4.5, 9, 11));
             drawTextLines(p, 7.5, 8.5, 5, 3);
         }},
        {QStringLiteral("btnPasteQEL"), [](QPainter& p) {
             p.setPen(QPen(QColor(90, 60, 20), 1));
             p.setBrush(QColor(180, 130, 70));
             p.drawRect(QRectF(0.5, 1.5, 11, 14));
             p.setBrush(QColor(200, 200, 200));
             p.drawRect(QRectF(3.5, 0.5, 5, 3));
             drawPage(p, QRectF(5.5, 5.5, 10, 10));
             drawTextLines(p, 7.5, 9.5, 5, 3);
         }},
        {QStringLiteral("btnFind"), [](QPainter& p) {
             p.setRenderHint(QPainter::Antialiasing);
             p.setPen(QPen(QColor(40, 40, 40), 1.5));
             p.setBrush(QColor(200, 225, 250));
             p.drawEllipse(QPointF(6, 6), 4.5, 4.5);
             p.setPen(QPen(QColor(90, 60, 20), 2.5, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 14.5));
         }},
        {QStringLiteral("spbtnQEL"), [](QPainter& p) {
             drawSmallText(p, QRectF(0, 0, 16, 16), QStringLiteral("W+"), QColor(0, 0, 160), 10);
         }},
        {QStringLiteral("spbtnASM"), [](QPainter& p) {
             drawSmallText(p, QRectF(-2, 0, 20, 16), QStringLiteral("asm"), QColor(0, 0, 160), 8);
         }},
        {QStringLiteral("btnAddRegister"), [](QPainter& p) {
             drawLetterTile(p, QStringLiteral("R"), QColor(0, 0, 200));
         }},
        {QStringLiteral("btnAddBit"), [](QPainter& p) {
             drawLetterTile(p, QStringLiteral("b"), QColor(0, 130, 0));
         }},
        {QStringLiteral("btnAddLiteral"), [](QPainter& p) {
             drawLetterTile(p, QStringLiteral("k"), QColor(128, 0, 128));
         }},
        {QStringLiteral("btnHex"), [](QPainter& p) {
             drawPage(p, QRectF(0.5, 0.5, 15, 15), QColor(255, 250, 225));
             drawSmallText(p, QRectF(0, 2, 16, 14), QStringLiteral("HEX"), QColor(160, 0, 0), 7);
         }},
    };
    return table;
}

QString themeNameOf(const QString& buttonName)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("SpeedButton1"), QStringLiteral("document-new")},
        {QStringLiteral("OpenBtn"), QStringLiteral("document-open")},
        {QStringLiteral("SaveBtn"), QStringLiteral("document-save")},
        {QStringLiteral("ExitBtn"), QStringLiteral("application-exit")},
        {QStringLiteral("btnCutQEL"), QStringLiteral("edit-cut")},
        {QStringLiteral("btnCopyQEL"), QStringLiteral("edit-copy")},
        {QStringLiteral("btnPasteQEL"), QStringLiteral("edit-paste")},
        {QStringLiteral("btnFind"), QStringLiteral("edit-find")},
    };
    return names.value(buttonName);
}

QPixmap render(const Draw& draw, int logicalSize, qreal scale)
{
    QPixmap pixmap(qRound(logicalSize * scale), qRound(logicalSize * scale));
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.scale(scale * logicalSize / 16.0, scale * logicalSize / 16.0);
    draw(p);
    return pixmap;
}

QIcon iconOf(const Draw& draw, int logicalSize)
{
    QIcon icon;
    icon.addPixmap(render(draw, logicalSize, 1.0));
    icon.addPixmap(render(draw, logicalSize, 2.0));
    return icon;
}

void drawChip(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(190, 190, 195));
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(1, 3 + 3 * i, 3, 1.5));
        p.drawRect(QRectF(12, 3 + 3 * i, 3, 1.5));
    }
    p.setBrush(QColor(40, 40, 45));
    p.drawRect(QRectF(3.5, 1, 9, 14));
    p.setBrush(QColor(110, 110, 115));
    p.drawEllipse(QPointF(8, 2.5), 1.2, 1.2);
    drawSmallText(p, QRectF(3.5, 4, 9, 9), QStringLiteral("P"), QColor(240, 200, 60), 7);
}

} // namespace

QIcon drawnSpeedButtonIcon(const QString& buttonName)
{
    const auto found = drawings().constFind(buttonName);
    return found == drawings().constEnd() ? QIcon() : iconOf(*found, 16);
}

QIcon speedButtonIcon(const QString& buttonName)
{
    const QString themeName = themeNameOf(buttonName);
    if (!themeName.isEmpty() && QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    return drawnSpeedButtonIcon(buttonName);
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(render(drawChip, size, 1.0));
    return icon;
}

} // namespace Glyphs
