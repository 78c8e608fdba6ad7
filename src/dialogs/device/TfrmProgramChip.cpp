#include "dialogs/device/TfrmProgramChip.h"

#include "assembler/ConvertToHex.h"
#include "editor/Settings.h"
#include "model/Names.h"
#include "model/ProgramDocument.h"

#include <QComboBox>
#include <QDir>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

const QString kCommandKey = QStringLiteral("programmer/command");

// Free programmers common on Linux; the user picks one and adapts it to the hardware.
constexpr std::pair<const char*, const char*> kTemplates[] = {
    {"pk2cmd (PICkit 2)", "pk2cmd -P{device} -F{hex} -M -R"},
    {"picprog (serial JDM)", "picprog --device={device} --input-hexfile={hex} --burn --erase"},
    {"picpgm", "picpgm -p {hex} -pic {device}"},
    {"ardpicprog (Arduino)", "ardpicprog --input {hex} --burn --erase"},
};

} // namespace

TfrmProgramChip::TfrmProgramChip(std::string hexPath, std::string deviceName, QWidget* parent)
    : QDialog(parent), hexPath_(QString::fromStdString(hexPath)), deviceName_(QString::fromStdString(deviceName))
{
    setObjectName(QStringLiteral("frmProgramChip"));
    setWindowTitle(QStringLiteral("Program Chip"));
    cbxTemplate_ = new QComboBox(this);
    cbxTemplate_->setObjectName(QStringLiteral("cbxTemplate"));
    cbxTemplate_->addItem(QStringLiteral("(templates)"));
    for (const auto& [name, command] : kTemplates)
        cbxTemplate_->addItem(QString::fromLatin1(name), QString::fromLatin1(command));
    edtCommand_ = new QLineEdit(savedCommand(), this);
    edtCommand_->setObjectName(QStringLiteral("edtCommand"));
    edtCommand_->setMinimumWidth(420);
    edtCommand_->setPlaceholderText(QStringLiteral("programmer {hex} {device}"));
    connect(cbxTemplate_, &QComboBox::activated, this, [this](int index) {
        if (index > 0)
            edtCommand_->setText(cbxTemplate_->itemData(index).toString());
    });
    btnRun_ = new QPushButton(QStringLiteral("&Run"), this);
    btnRun_->setObjectName(QStringLiteral("btnRun"));
    connect(btnRun_, &QPushButton::clicked, this, &TfrmProgramChip::btnRunClick);
    memOutput_ = new QPlainTextEdit(this);
    memOutput_->setObjectName(QStringLiteral("memOutput"));
    memOutput_->setReadOnly(true);
    memOutput_->setMinimumHeight(180);
    lblStatus_ = new QLabel(QStringLiteral("HEX file: %1").arg(hexPath_), this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Template:"), cbxTemplate_);
    form->addRow(QStringLiteral("&Command:"), edtCommand_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("{hex}: the HEX file, {device}: the chip (%1)").arg(deviceName_), this));
    layout->addWidget(btnRun_);
    layout->addWidget(memOutput_);
    layout->addWidget(lblStatus_);
    layout->addWidget(buttons);

    process_.setProcessChannelMode(QProcess::MergedChannels);
    connect(&process_, &QProcess::readyRead, this,
            [this] { memOutput_->insertPlainText(QString::fromLocal8Bit(process_.readAll())); });
    connect(&process_, &QProcess::finished, this, &TfrmProgramChip::finished);
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            lblStatus_->setText(QStringLiteral("The programmer could not be started: %1").arg(process_.errorString()));
            btnRun_->setEnabled(true);
        }
    });
}

TfrmProgramChip::~TfrmProgramChip()
{
    if (running()) {
        process_.kill();
        process_.waitForFinished(1000);
    }
}

QStringList TfrmProgramChip::commandLine(const QString& command, const QString& hexPath, const QString& deviceName)
{
    QStringList words = QProcess::splitCommand(command);
    for (QString& word : words)
        word.replace(QStringLiteral("{hex}"), hexPath).replace(QStringLiteral("{device}"), deviceName);
    return words;
}

QString TfrmProgramChip::savedCommand()
{
    return openSettings()->value(kCommandKey).toString();
}

void TfrmProgramChip::btnRunClick()
{
    if (running())
        return;
    const QString command = edtCommand_->text().trimmed();
    const QStringList words = commandLine(command, hexPath_, deviceName_);
    if (words.isEmpty()) {
        lblStatus_->setText(QStringLiteral("No programmer command is set: choose a template or type one."));
        return;
    }
    openSettings()->setValue(kCommandKey, command);
    memOutput_->clear();
    lblStatus_->setText(QStringLiteral("Running %1 ...").arg(words.front()));
    btnRun_->setEnabled(false);
    process_.start(words.front(), words.mid(1));
}

void TfrmProgramChip::finished(int exitCode, QProcess::ExitStatus exitStatus)
{
    memOutput_->insertPlainText(QString::fromLocal8Bit(process_.readAll()));
    btnRun_->setEnabled(true);
    lblStatus_->setText(exitStatus == QProcess::CrashExit
                            ? QStringLiteral("The programmer stopped abnormally.")
                            : QStringLiteral("The programmer finished with exit status %1.").arg(exitCode));
}

QString TfrmProgramChip::output() const { return memOutput_->toPlainText(); }

QString TfrmProgramChip::status() const { return lblStatus_->text(); }

void runProgramChip(tarvik::ProgramDocument& document, tarvik::Screen& screen, QWidget* parent)
{
    QTemporaryDir folder;
    if (!folder.isValid()) {
        tarvik::ReportError(screen, "No temporary folder for the HEX file: %s", folder.errorString().toStdString().c_str());
        return;
    }
    const std::string name = tarvik::hexFileNameFor(document.fileName).value_or("program.hex");
    const std::string path = QDir(folder.path()).filePath(QString::fromStdString(name)).toStdString();
    tarvik::HexImage image;
    if (tarvik::convertToHex(document, screen, image, path).status != tarvik::ConvertStatus::Written)
        return;
    TfrmProgramChip dialog(path, std::string(tarvik::deviceShortName(document.device())), parent);
    dialog.exec();
}
