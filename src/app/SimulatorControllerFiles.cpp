// Save Waveform and Load Stimulus: the files a simulation writes and reads.

#include "app/SimulatorController.h"

#include "app/TMainForm.h"
#include "app/TimingDiagram.h"
#include "editor/ProgramText.h"
#include "editor/TMDIChild.h"
#include "simulator/VcdWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace tarvik;
using namespace tarvik::sim;

namespace {

constexpr std::string_view kWaveformTitle = "Save Waveform";
constexpr std::string_view kWaveformFilter = "Value change dump (*.vcd)";
constexpr std::string_view kStimulusTitle = "Load Stimulus";
constexpr std::string_view kStimulusFilter = "Stimulus files (*.stim *.txt);;All files (*)";
// A stimulus is typed by hand or made by a script; anything larger is not one.
constexpr qint64 kMaxStimulusBytes = 16 * 1024 * 1024;

QString pathOf(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

void tell(Screen& screen, const QString& text)
{
    screen.showMessage(kMessageCaption, toProgramText(text), MessageButtons::Ok);
}

} // namespace

void SimulatorController::SaveWaveformClick()
{
    if (!session_ || !windowOpen())
        return;
    const ProgramDocument& document = child_->document();
    // Beside the program, under its name; an untitled one under its window caption.
    QString suggested = documentName() + QStringLiteral(".vcd");
    if (!document.untitled) {
        const QFileInfo program(pathOf(document.fileName));
        suggested = program.dir().filePath(program.completeBaseName() + QStringLiteral(".vcd"));
    }
    const QByteArray suggestedPath = QFile::encodeName(suggested);
    FileRequest request(kWaveformTitle);
    request.filter = kWaveformFilter;
    request.suggestedPath = std::string_view(suggestedPath.constData(), static_cast<std::size_t>(suggestedPath.size()));
    request.confirmOverwrite = true;
    const std::optional<std::string> chosen = form_->screen().chooseFileToSave(request);
    if (!chosen)
        return;
    const QString path = pathOf(*chosen);
    if (!document.untitled && QFileInfo(path) == QFileInfo(pathOf(document.fileName))) {
        tell(form_->screen(), QStringLiteral("The waveform would replace the program %1: choose another file.").arg(path));
        return;
    }

    const Pic16c84& chip = session_->chip();
    VcdWriter writer(clockHz_, VcdWriter::pinSignals());
    const std::string text
        = writer.dump(session_->trace(), chip.cycles(),
                      "Tarvik: " + toProgramText(documentName()) + "; time 0 is the power-on reset; clock "
                          + std::to_string(clockHz_) + " Hz, an instruction cycle is 4 clock periods");
    // Written whole or not at all: a file that was there stays as it was on a failure.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) || !file.commit()) {
        tell(form_->screen(), QStringLiteral("Cannot write the waveform to %1: %2").arg(path, file.errorString()));
        return;
    }
    const std::uint64_t dropped = session_->trace().dropped();
    setStatus(QStringLiteral("Waveform saved to %1%2")
                  .arg(QFileInfo(path).fileName(),
                       dropped ? QStringLiteral(" (from cycle %1: older changes were not kept)")
                                     .arg(session_->trace().sample(session_->trace().begin()).cycle)
                               : QString()));
}

void SimulatorController::LoadStimulusClick()
{
    if (running() || !ensureSession())
        return;
    FileRequest request(kStimulusTitle);
    request.filter = kStimulusFilter;
    const std::optional<std::string> chosen = form_->screen().chooseFileToOpen(request);
    if (!chosen)
        return;
    const QString path = pathOf(*chosen);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        tell(form_->screen(), QStringLiteral("Cannot read the stimulus %1: %2").arg(path, file.errorString()));
        return;
    }
    if (file.size() > kMaxStimulusBytes) {
        tell(form_->screen(), QStringLiteral("The stimulus %1 is larger than %2 MB: not loaded.")
                                  .arg(path)
                                  .arg(kMaxStimulusBytes / (1024 * 1024)));
        return;
    }
    const QByteArray bytes = file.readAll();
    const StimulusReadOutcome read = parseStimulus(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!read.stimulus) {
        QStringList lines;
        for (const std::string& error : read.errors)
            lines << fromProgramText(error);
        tell(form_->screen(), QStringLiteral("The stimulus %1 was not loaded:\n%2").arg(path, lines.join(QLatin1Char('\n'))));
        return;
    }
    // The session may have ended while the dialog was open.
    if (!windowOpen())
        return;
    session_->setStimulus(*read.stimulus);
    stimulusName_ = QFileInfo(path).fileName();
    updateTitles();
    setStatus(QStringLiteral("Stimulus %1 loaded (%2 items); Reset plays it from cycle 0")
                  .arg(stimulusName_)
                  .arg(read.stimulus->items.size()));
    refresh();
}
