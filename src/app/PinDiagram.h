#pragma once

#include <QFrame>
#include <QString>

#include <functional>
#include <optional>

// The static picture of the chip's 18-pin package with a label beside every pin.
class PinDiagram : public QFrame {
    Q_OBJECT
public:
    explicit PinDiagram(QWidget* parent = nullptr);

    // The label of a pin, 1 to 18, as it stands beside the pin.
    static QString pinLabel(int pin);

    // The chip's name on its body: the document's device.
    void setChipName(const QString& name);

    // A port pin as a running program sees it.
    struct PinState {
        bool output;
        bool high;
    };
    // While set (during a simulation), each port pin shows its direction and level and a
    // click on a pin or its label is reported; nullopt marks a pin that is no port pin.
    void setPinStates(std::function<std::optional<PinState>(int pin)> states);
    // What the pin shows now; nullopt outside a simulation and for a pin that is no port pin.
    std::optional<PinState> pinState(int pin) const { return states_ ? states_(pin) : std::nullopt; }

signals:
    void pinClicked(int pin);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The pin's row: the pin itself and its label, 1 to 18.
    QRectF pinRow(int pin) const;

    std::function<std::optional<PinState>(int pin)> states_;
    QString chipName_ = QStringLiteral("PIC16C84");
};
