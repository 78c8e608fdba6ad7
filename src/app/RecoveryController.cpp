#include "app/RecoveryController.h"

#include "app/TMainForm.h"
#include "editor/TMDIChild.h"
#include "files/DocumentLifecycle.h"
#include "files/ProgramFile.h"
#include "files/SafeFile.h"

#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>

#include <cstring>

namespace {

// More names than this are summed up: the question must fit the screen.
constexpr int kNamesShown = 15;

QString decoded(const std::string& name)
{
    return QFile::decodeName(QByteArray::fromStdString(name));
}

} // namespace

RecoveryController::RecoveryController(TMainForm& form, tarvik::RecoveryStore store)
    : QObject(&form), form_(form), store_(std::move(store)),
      question_([&form](const QStringList& names) { return ask(&form, names); })
{
    timer_.setInterval(kDefaultDelayMs);
    connect(&timer_, &QTimer::timeout, this, &RecoveryController::writeNow);
    // Every new document window is activated: that is where it is first seen.
    connect(form.mdiArea(), &QMdiArea::subWindowActivated, this, &RecoveryController::watchNewWindows);
    watchNewWindows();
}

RecoveryController::~RecoveryController()
{
    // Only a run that ends normally gets here, after every document was asked about.
    for (const Watched& watched : std::as_const(watched_))
        if (watched.onFile)
            store_.remove(watched.slot);
}

void RecoveryController::setDelay(int milliseconds)
{
    timer_.setInterval(milliseconds);
}

void RecoveryController::watchNewWindows()
{
    for (TMDIChild* child : form_.documentWindows()) {
        if (watched_.contains(child))
            continue;
        Watched watched;
        watched.slot = nextSlot_++;
        watched_.insert(child, watched);
        connect(child, &TMDIChild::documentChanged, this, [this, child] { changed(child); });
        connect(child, &TMDIChild::documentModified, this, [this, child] { changed(child); });
        connect(child, &QObject::destroyed, this, [this, child] { forget(child); });
        // An imported program is modified from the start.
        changed(child);
    }
}

void RecoveryController::changed(TMDIChild* child)
{
    const auto found = watched_.find(child);
    if (found == watched_.end())
        return;
    found->dirty = true;
    if (!timer_.isActive())
        timer_.start();
}

void RecoveryController::forget(TMDIChild* child)
{
    const Watched watched = watched_.take(child);
    if (watched.onFile)
        store_.remove(watched.slot);
}

void RecoveryController::writeNow()
{
    bool filesLeft = false;
    for (auto it = watched_.begin(); it != watched_.end(); ++it) {
        const tarvik::ProgramDocument& document = it.key()->document();
        Watched& watched = it.value();
        if (!document.modified) {
            if (watched.onFile)
                store_.remove(watched.slot);
            watched.onFile = false;
            watched.dirty = false;
            continue;
        }
        // Save As may have renamed a document whose write then failed.
        const bool renamed = document.fileName != watched.fileName || document.untitled != watched.untitled;
        if (watched.onFile && !watched.dirty && !renamed) {
            filesLeft = true;
            continue;
        }
        tarvik::RecoveryState state{document.fileName, document.untitled, tarvik::encodeProgramFile(document), {}};
        if (!document.untitled)
            state.onDisk = form_.lifecycle().knownFile(document).value_or(tarvik::FileIdentity{});
        tarvik::WriteError error;
        if (store_.write(watched.slot, state, &error) == tarvik::WriteStatus::Ok) {
            watched.onFile = true;
            watched.dirty = false;
            watched.fileName = document.fileName;
            watched.untitled = document.untitled;
            filesLeft = true;
        } else if (!failureTold_) {
            // Once a run: the user must know that a crash would now lose work, but not be
            // interrupted every few seconds while typing.
            failureTold_ = true;
            const std::string folder = store_.folder().string();
            form_.screen().showMessage(tarvik::kMessageCaption,
                                       "Recovery data could not be written to " + folder + ".\n" + error.describe(),
                                       tarvik::MessageButtons::Ok);
        }
    }
    // Going on while files exist: a save, which says nothing, is seen at the next pass.
    if (!filesLeft)
        timer_.stop();
}

void RecoveryController::runAtStart()
{
    tellOfInterruptedWrites();
    recoverLeftBehind();
}

void RecoveryController::tellOfInterruptedWrites()
{
    using Outcome = tarvik::InterruptedWrite::Outcome;
    std::string text;
    for (const tarvik::InterruptedWrite& write : tarvik::restoreInterruptedWrites(store_.folder())) {
        if (write.outcome == Outcome::Restored)
            text += "\n" + write.target + ": the file holds its previous contents again.";
        else if (write.outcome == Outcome::Kept)
            text += "\n" + write.target + ": its previous contents are kept in " + write.copy
                + (write.code != 0 ? std::string(" (") + std::strerror(write.code) + ")." : ".");
    }
    if (!text.empty())
        form_.screen().showMessage(tarvik::kMessageCaption, "A write was cut short when Tarvik last ended." + text,
                                   tarvik::MessageButtons::Ok);
}

void RecoveryController::recoverLeftBehind()
{
    const std::vector<tarvik::RecoveryFile> files = store_.leftBehind();
    if (files.empty())
        return;
    QStringList names;
    for (const tarvik::RecoveryFile& file : files)
        names.append(decoded(file.fileName));
    const Choice choice = question_(names);
    if (choice == Choice::Later)
        return;
    for (const tarvik::RecoveryFile& file : files) {
        if (choice == Choice::Discard) {
            store_.discard(file);
            continue;
        }
        const int slot = nextSlot_++;
        std::optional<tarvik::RecoveryState> state = store_.claim(file, slot);
        if (!state)
            continue;  // another start of Tarvik took it first
        tarvik::ReadOutcome outcome = tarvik::decodeProgramFile(state->program, form_.lifecycle().defaults());
        if (!outcome.document) {
            store_.remove(slot);
            continue;
        }
        tarvik::ProgramDocument& document = *outcome.document;
        document.fileName = state->fileName;
        document.untitled = state->untitled;
        document.modified = true;
        if (!state->untitled && state->onDisk.exists)
            form_.lifecycle().rememberFile(document, state->onDisk);
        const std::string caption = state->untitled ? state->fileName : tarvik::fileNameWithoutFolder(state->fileName);
        TMDIChild* child = form_.addDocumentWindow(std::move(outcome.document), decoded(caption));
        // The claimed file is this document's: not written again until it changes.
        Watched& watched = watched_[child];
        watched.slot = slot;
        watched.dirty = false;
        watched.onFile = true;
        watched.fileName = state->fileName;
        watched.untitled = state->untitled;
        if (!timer_.isActive())
            timer_.start();
    }
}

RecoveryController::Choice RecoveryController::ask(QWidget* parent, const QStringList& names)
{
    QStringList shown = names.mid(0, kNamesShown);
    if (names.size() > kNamesShown)
        shown.append(QStringLiteral("and %1 more").arg(names.size() - kNamesShown));
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tarvik"),
                    QStringLiteral("Tarvik ended before these programs were saved:\n\n%1\n\n"
                                   "Recover their last changes?")
                        .arg(shown.join(QLatin1Char('\n'))),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("RecoveryQuestion"));
    box.setTextFormat(Qt::PlainText);
    QPushButton* recover = box.addButton(QStringLiteral("&Recover"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("&Discard"), QMessageBox::DestructiveRole);
    QPushButton* later = box.addButton(QStringLiteral("&Later"), QMessageBox::RejectRole);
    recover->setObjectName(QStringLiteral("btnRecover"));
    discard->setObjectName(QStringLiteral("btnDiscard"));
    later->setObjectName(QStringLiteral("btnLater"));
    box.setDefaultButton(recover);
    box.setEscapeButton(later);
    box.exec();
    if (box.clickedButton() == recover)
        return Choice::Recover;
    return box.clickedButton() == discard ? Choice::Discard : Choice::Later;
}
