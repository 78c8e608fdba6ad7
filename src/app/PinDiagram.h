#pragma once

#include <QFrame>
#include <QString>

// The static picture of the chip's 18-pin package with a label beside every pin.
class PinDiagram : public QFrame {
    Q_OBJECT
public:
    explicit PinDiagram(QWidget* parent = nullptr);

    // The label of a pin, 1 to 18, as it stands beside the pin.
    static QString pinLabel(int pin);

protected:
    void paintEvent(QPaintEvent* event) override;
};
