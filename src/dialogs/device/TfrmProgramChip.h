#pragma once

#include <QDialog>
#include <QProcess>

#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Tools > Program Chip...: the programmer command the user configured, run on the HEX file
// of the program with its output shown as it comes and its exit status at the end. The
// command is kept in the settings; nothing runs until one is set.
class TfrmProgramChip : public QDialog {
    Q_OBJECT
public:
    // {hex} and {device} in the command stand for the HEX file and the device's name.
    TfrmProgramChip(std::string hexPath, std::string deviceName, QWidget* parent = nullptr);
    ~TfrmProgramChip() override;

    // The command line with its placeholders filled in, split as a shell would split it (no
    // shell runs it).
    static QStringList commandLine(const QString& command, const QString& hexPath, const QString& deviceName);
    static QString savedCommand();

    void btnRunClick();
    bool running() const { return process_.state() != QProcess::NotRunning; }
    QString output() const;
    QString status() const;

private:
    void finished(int exitCode, QProcess::ExitStatus exitStatus);

    QString hexPath_;
    QString deviceName_;
    QComboBox* cbxTemplate_;
    QLineEdit* edtCommand_;
    QPushButton* btnRun_;
    QPlainTextEdit* memOutput_;
    QLabel* lblStatus_;
    QProcess process_;
};

namespace tarvik {
class ProgramDocument;
class Screen;
}

// Converts the program into a HEX file of its own in a temporary folder and opens the dialog
// on it; an assembly error is reported as Convert to Hex reports it, and nothing runs.
void runProgramChip(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent);
