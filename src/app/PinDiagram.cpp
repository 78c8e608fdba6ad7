#include "app/PinDiagram.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <tuple>

namespace {

// Pins 1 to 9 run down the left side, 10 to 18 up the right side.
constexpr std::array<const char*, 18> kPinLabels = {
    " RA2", " RA3", " RA4/T0CKI", " MCLR", " Vss", " RB0/INT", " RB1", " RB2", " RB3",
    "RB4", "RB5", "RB6", "RB7", "Vdd", "OSC2/COUT", "OSC1/CIN", "RA0", "RA1",
};

constexpr int kPinsPerSide = 9;
constexpr int kBodyLeft = 92;
constexpr int kBodyWidth = 56;
constexpr int kPinLength = 8;
constexpr int kTopMargin = 8;

} // namespace

PinDiagram::PinDiagram(QWidget* parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
}

QString PinDiagram::pinLabel(int pin)
{
    return pin >= 1 && pin <= 18 ? QString::fromLatin1(kPinLabels[static_cast<std::size_t>(pin - 1)])
                                 : QString();
}

void PinDiagram::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (height() < 2 * kTopMargin)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    const qreal bodyTop = kTopMargin;
    const qreal bodyBottom = height() - kTopMargin;
    const qreal pitch = (bodyBottom - bodyTop) / kPinsPerSide;
    const QRectF body(kBodyLeft, bodyTop, kBodyWidth, bodyBottom - bodyTop);

    QFont labelFont = font();
    labelFont.setPixelSize(qBound(6, static_cast<int>(pitch * 0.55), 11));
    QFont numberFont = labelFont;
    numberFont.setPixelSize(qMax(5, labelFont.pixelSize() - 2));

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(45, 45, 50));
    p.drawRoundedRect(body, 3, 3);

    for (int i = 0; i < kPinsPerSide; ++i) {
        const qreal centre = bodyTop + pitch * (i + 0.5);
        const QRectF leftPin(body.left() - kPinLength, centre - 3, kPinLength, 6);
        const QRectF rightPin(body.right(), centre - 3, kPinLength, 6);
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(QColor(200, 200, 205));
        p.drawRect(leftPin);
        p.drawRect(rightPin);
        if (states_) {
            // Lit red when high; an arrow shows the direction: outwards for an output.
            for (const auto& [number, rect, outward] :
                 {std::tuple{i + 1, leftPin, -1.0}, std::tuple{18 - i, rightPin, 1.0}}) {
                const std::optional<PinState> state = states_(number);
                if (!state)
                    continue;
                p.setBrush(state->high ? QColor(235, 40, 40) : QColor(60, 60, 70));
                p.drawRect(rect);
                const qreal tip = outward < 0 ? rect.left() - 1 : rect.right() + 1;
                const qreal base = tip - outward * 5;
                const qreal from = state->output ? base : tip;
                const qreal to = state->output ? tip : base;
                QPainterPath arrow;
                arrow.moveTo(to, centre);
                arrow.lineTo(from, centre - 3);
                arrow.lineTo(from, centre + 3);
                arrow.closeSubpath();
                p.save();
                p.setPen(Qt::NoPen);
                p.setBrush(state->output ? QColor(200, 120, 0) : QColor(0, 110, 200));
                p.drawPath(arrow);
                p.restore();
                p.setBrush(QColor(200, 200, 205));
            }
        }

        const int leftNumber = i + 1;
        const int rightNumber = 18 - i;
        p.setPen(Qt::black);
        p.setFont(labelFont);
        p.drawText(QRectF(0, centre - pitch / 2, leftPin.left() - 2, pitch),
                   Qt::AlignRight | Qt::AlignVCenter, pinLabel(leftNumber));
        p.drawText(QRectF(rightPin.right() + 2, centre - pitch / 2, width() - rightPin.right() - 4, pitch),
                   Qt::AlignLeft | Qt::AlignVCenter, pinLabel(rightNumber));

        // The numbers stand inside the body, next to their pins.
        p.setPen(QColor(235, 235, 235));
        p.setFont(numberFont);
        p.drawText(QRectF(body.left() + 3, centre - pitch / 2, 16, pitch), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::number(leftNumber));
        p.drawText(QRectF(body.right() - 19, centre - pitch / 2, 16, pitch), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(rightNumber));
    }

    QPainterPath notch;
    notch.arcMoveTo(QRectF(body.center().x() - 7, body.top() - 7, 14, 14), 180);
    notch.arcTo(QRectF(body.center().x() - 7, body.top() - 7, 14, 14), 180, 180);
    p.setPen(Qt::NoPen);
    p.setBrush(palette().window());
    p.drawPath(notch);

    p.save();
    p.translate(body.center());
    p.rotate(-90);
    QFont nameFont = labelFont;
    nameFont.setBold(true);
    p.setFont(nameFont);
    p.setPen(QColor(220, 200, 120));
    p.drawText(QRectF(-body.height() / 2, -8, body.height(), 16), Qt::AlignCenter, chipName_);
    p.restore();
}

void PinDiagram::setPinStates(std::function<std::optional<PinState>(int pin)> states)
{
    states_ = std::move(states);
    setCursor(states_ ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
}

QRectF PinDiagram::pinRow(int pin) const
{
    const qreal bodyTop = kTopMargin;
    const qreal pitch = (height() - 2.0 * kTopMargin) / kPinsPerSide;
    const int slot = pin <= kPinsPerSide ? pin - 1 : 18 - pin;
    const qreal top = bodyTop + pitch * slot;
    return pin <= kPinsPerSide ? QRectF(0, top, kBodyLeft, pitch)
                               : QRectF(kBodyLeft + kBodyWidth, top, width() - kBodyLeft - kBodyWidth, pitch);
}

void PinDiagram::mousePressEvent(QMouseEvent* event)
{
    if (states_ && event->button() == Qt::LeftButton) {
        for (int pin = 1; pin <= 18; ++pin)
            if (pinRow(pin).contains(event->position()) && states_(pin)) {
                emit pinClicked(pin);
                return;
            }
    }
    QFrame::mousePressEvent(event);
}

void PinDiagram::setChipName(const QString& name)
{
    if (name == chipName_)
        return;
    chipName_ = name;
    update();
}
