#pragma once

#include <QDialog>

// The About box: the application icon, the name and version, and OK.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);
};
