#include "files/DocumentLifecycle.h"

#include "files/ProgramFile.h"
#include "FakeScreen.h"
#include "FileSizeLimit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvik {
namespace {

namespace fs = std::filesystem;
using test::FakeScreen;
using Bytes = std::vector<char>;

const DeviceDefaults& defaults()
{
    static const DeviceDefaults instance;
    return instance;
}

Bytes contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void put(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

const Bytes kOld = {'o', 'l', 'd'};

// The main window's document windows, recording what the lifecycle did to them.
class FakeWindows : public DocumentWindows {
public:
    struct Window {
        std::unique_ptr<ProgramDocument> document;
        std::string caption;
    };

    int documentCount() const override { return static_cast<int>(windows.size()); }
    ProgramDocument& documentAt(int index) override { return *windows.at(static_cast<std::size_t>(index)).document; }
    void setCaption(int index, const std::string& caption) override
    {
        windows.at(static_cast<std::size_t>(index)).caption = caption;
    }
    void addDocument(std::unique_ptr<ProgramDocument> document, const std::string& caption) override
    {
        if (screen)
            screen->events.push_back("window:" + caption);
        windows.push_back({std::move(document), caption});
        active = documentCount() - 1;
    }
    void activateDocument(int index) override
    {
        if (screen)
            screen->events.push_back("activate:" + windows.at(static_cast<std::size_t>(index)).caption);
        active = index;
        // As the frame's stacking order does: the activated window comes first.
        if (stacking) {
            std::rotate(windows.begin(), windows.begin() + index, windows.begin() + index + 1);
            active = 0;
        }
    }
    void destroyDocument(int index) override
    {
        if (screen)
            screen->events.push_back("destroy:" + windows.at(static_cast<std::size_t>(index)).caption);
        windows.erase(windows.begin() + index);
    }
    void documentSaved(int index) override { saved.push_back(windows.at(static_cast<std::size_t>(index)).caption); }

    // A titled, modified document saved at path (whose file holds kOld unless told).
    ProgramDocument& addTitled(const std::string& path, bool modified = true)
    {
        auto document = std::make_unique<ProgramDocument>(defaults());
        document->fileName = path;
        document->untitled = false;
        document->modified = modified;
        addDocument(std::move(document), fileNameWithoutFolder(path));
        return *windows.back().document;
    }
    ProgramDocument& addUntitled(bool modified = true)
    {
        auto document = std::make_unique<ProgramDocument>(defaults());
        const std::string name = untitledName(documentCount() + 1);
        document->fileName = name;
        document->modified = modified;
        addDocument(std::move(document), name);
        return *windows.back().document;
    }
    std::vector<std::string> captions() const
    {
        std::vector<std::string> all;
        for (const Window& window : windows)
            all.push_back(window.caption);
        return all;
    }

    std::vector<Window> windows;
    int active = -1;
    FakeScreen* screen = nullptr;
    bool stacking = false;
    std::vector<std::string> saved;  // captions of the windows told their document is on disk
};

struct Fixture {
    Fixture() { windows.screen = &screen; }
    FakeScreen screen;
    FakeWindows windows;
    DocumentLifecycle lifecycle{screen, defaults()};
    test::TempDir folder;
};

ProgramLine instruction(int code, const char* operand)
{
    ProgramLine line;
    line.code = code;
    line.setOperand(operand);
    return line;
}

TEST(DocumentLifecycleNew, NamesComeFromTheWindowCountAndAreNeverShownTwice)
{
    Fixture f;
    f.lifecycle.newDocument(f.windows);
    f.lifecycle.newDocument(f.windows);
    EXPECT_EQ(f.windows.captions(), (std::vector<std::string>{"Untitled1", "Untitled2"}));

    // Closing Untitled1 leaves one window; the next number, 2, is shown already.
    f.windows.destroyDocument(0);
    f.lifecycle.newDocument(f.windows);
    EXPECT_EQ(f.windows.captions(), (std::vector<std::string>{"Untitled2", "Untitled3"}));

    const ProgramDocument& made = *f.windows.windows.back().document;
    EXPECT_EQ(made.fileName, "Untitled3");
    EXPECT_TRUE(made.untitled);
    EXPECT_FALSE(made.modified);
    EXPECT_EQ(made.lines.count(), 1);
    EXPECT_EQ(f.windows.active, 1);
    EXPECT_TRUE(f.screen.messages.empty());
}

TEST(DocumentLifecycleSave, AnUntitledDocumentAsksForANameAndCancellingWritesNothing)
{
    Fixture f;
    ProgramDocument& doc = f.windows.addUntitled();
    f.screen.files.push_back(std::nullopt);

    EXPECT_EQ(f.lifecycle.save(f.windows, 0), SaveResult::Cancelled);
    EXPECT_EQ(f.screen.saveDialogTitles, std::vector<std::string>{"Save  As"});
    EXPECT_TRUE(doc.untitled);
    EXPECT_TRUE(doc.modified);
    EXPECT_EQ(doc.fileName, "Untitled1");
    EXPECT_EQ(f.windows.captions(), std::vector<std::string>{"Untitled1"});
    EXPECT_TRUE(f.screen.messages.empty());
}

TEST(DocumentLifecycleSave, SaveAsToANewNameWritesAndTitlesTheDocument)
{
    Fixture f;
    ProgramDocument& doc = f.windows.addUntitled();
    doc.lines.insertAfterCursor(instruction(24, "5"));
    const std::string path = f.folder.path("blink.qel");
    f.screen.files.push_back(path);

    EXPECT_EQ(f.lifecycle.save(f.windows, 0), SaveResult::Saved);
    EXPECT_TRUE(f.screen.messages.empty());
    EXPECT_EQ(doc.fileName, path);
    EXPECT_FALSE(doc.untitled);
    EXPECT_FALSE(doc.modified);
    EXPECT_EQ(f.windows.captions(), std::vector<std::string>{"blink.qel"});
    const auto reread = readProgramFile(path, defaults());
    ASSERT_EQ(reread.status, ReadStatus::Ok);
    EXPECT_EQ(reread.document->lines.count(), 2);

    // Now titled: Save writes to the file without asking.
    doc.modified = true;
    EXPECT_EQ(f.lifecycle.save(f.windows, 0), SaveResult::Saved);
    EXPECT_EQ(f.screen.saveDialogTitles.size(), 1u);
    EXPECT_FALSE(doc.modified);
}

TEST(DocumentLifecycleSave, OverwriteQuestionDecidesWhetherAnExistingFileIsReplaced)
{
    struct Row {
        MessageAnswer answer;
        SaveResult result;
        bool replaced;
    };
    for (const Row row : {Row{MessageAnswer::Yes, SaveResult::Saved, true},
                          Row{MessageAnswer::No, SaveResult::OverwriteDeclined, false},
                          Row{MessageAnswer::Cancel, SaveResult::OverwriteDeclined, false}}) {
        SCOPED_TRACE(static_cast<int>(row.answer));
        Fixture f;
        ProgramDocument& doc = f.windows.addUntitled();
        const std::string path = f.folder.path("taken.qel");
        put(path, kOld);
        f.screen.files.push_back(path);
        f.screen.answers.push_back(row.answer);

        EXPECT_EQ(f.lifecycle.saveAs(f.windows, 0), row.result);
        ASSERT_EQ(f.screen.messages.size(), 1u);
        EXPECT_EQ(f.screen.messages[0].caption, "Tarvik");
        EXPECT_EQ(f.screen.messages[0].text, "The file is exist.Overwrite?");
        EXPECT_EQ(f.screen.messages[0].buttons, MessageButtons::YesNoCancel);
        EXPECT_EQ(contents(path) != kOld, row.replaced);
        EXPECT_EQ(doc.modified, !row.replaced);
        EXPECT_EQ(doc.untitled, !row.replaced);
        EXPECT_EQ(doc.fileName, row.replaced ? path : "Untitled1");
        EXPECT_EQ(f.windows.captions()[0], row.replaced ? "taken.qel" : "Untitled1");
    }
}

TEST(DocumentLifecycleSave, ADeclinedOverwriteIsNeverWrittenByALaterSave)
{
    for (const bool untitled : {true, false}) {
        SCOPED_TRACE(untitled);
        Fixture f;
        const std::string own = f.folder.path("own.qel");
        if (untitled)
            f.windows.addUntitled();
        else
            f.windows.addTitled(own);
        const std::string declined = f.folder.path("other.qel");
        put(declined, kOld);
        f.screen.files.push_back(declined);
        f.screen.answers.push_back(MessageAnswer::No);
        ASSERT_EQ(f.lifecycle.saveAs(f.windows, 0), SaveResult::OverwriteDeclined);

        f.screen.files.push_back(std::nullopt);
        f.lifecycle.save(f.windows, 0);
        EXPECT_EQ(contents(declined), kOld);
        EXPECT_EQ(f.screen.saveDialogTitles.size(), untitled ? 2u : 1u);
        EXPECT_EQ(fs::exists(own), !untitled);
        EXPECT_EQ(f.windows.captions()[0], untitled ? "Untitled1" : "own.qel");
        EXPECT_FALSE(fs::exists(fs::current_path() / "Untitled1"));
    }
}

TEST(DocumentLifecycleSave, SavingOneDocumentLeavesTheOtherDocumentsFileAlone)
{
    Fixture f;
    const std::string pathA = f.folder.path("a.qel");
    const std::string pathB = f.folder.path("b.qel");
    put(pathA, kOld);
    put(pathB, kOld);
    ProgramDocument& a = f.windows.addTitled(pathA);
    f.windows.addTitled(pathB);
    a.lines.insertAfterCursor(instruction(15, ""));

    // B was opened last and is active; A is saved by its own index.
    ASSERT_EQ(f.lifecycle.save(f.windows, 0), SaveResult::Saved);
    EXPECT_EQ(readProgramFile(pathA, defaults()).document->lines.count(), 2);
    EXPECT_EQ(contents(pathB), kOld);
}

TEST(DocumentLifecycleSave, AFailedWriteReportsKeepsTheOldFileAndTheModifiedFlag)
{
    Fixture f;
    const std::string path = f.folder.path("prog.qel");
    put(path, kOld);
    ProgramDocument& doc = f.windows.addTitled(path);
    for (int i = 0; i < 200; ++i)
        doc.lines.insertAfterCursor(instruction(24, "5"));

    SaveResult result;
    {
        test::FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.active());
        result = f.lifecycle.save(f.windows, 0);
    }

    EXPECT_EQ(result, SaveResult::Failed);
    ASSERT_EQ(f.screen.messages.size(), 1u);
    EXPECT_EQ(f.screen.messages[0].caption, "Tarvik message");
    EXPECT_EQ(f.screen.messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(f.screen.messages[0].text, std::string(writeStatusMessage(WriteStatus::WriteFailed))
                                             + "\nCould not write " + path + ": File too large.");
    EXPECT_EQ(contents(path), kOld);
    EXPECT_EQ(f.folder.entries(), std::vector<std::string>{"prog.qel"});
    EXPECT_TRUE(doc.modified);
}

TEST(DocumentLifecycleSave, AFileThatCannotBeCreatedStillTakesTheChosenName)
{
    Fixture f;
    ProgramDocument& doc = f.windows.addUntitled();
    const std::string path = f.folder.path("missing/prog.qel");
    f.screen.files.push_back(path);

    EXPECT_EQ(f.lifecycle.saveAs(f.windows, 0), SaveResult::Failed);
    EXPECT_EQ(f.screen.texts(), std::vector<std::string>{"The file is not exist!\nCould not create a file in "
                                                         + f.folder.path("missing")
                                                         + ": No such file or directory."});
    EXPECT_EQ(doc.fileName, path);
    EXPECT_FALSE(doc.untitled);
    EXPECT_TRUE(doc.modified);
    EXPECT_EQ(f.windows.captions()[0], "prog.qel");
}

TEST(DocumentLifecycleClose, TheSaveChangesQuestionAndItsAnswers)
{
    struct Row {
        const char* name;
        bool modified;
        bool untitled;
        std::vector<MessageAnswer> answers;
        std::optional<std::string> dialogAnswer;  // for an untitled document
        CloseAnswer result;
        bool written;
        bool asked;
    };
    const Row rows[] = {
        {"unmodified", false, false, {}, {}, CloseAnswer::Close, false, false},
        {"yes titled", true, false, {MessageAnswer::Yes}, {}, CloseAnswer::Close, true, true},
        {"yes untitled saved", true, true, {MessageAnswer::Yes}, "chosen.qel", CloseAnswer::Close, true, true},
        {"yes untitled dialog cancelled", true, true, {MessageAnswer::Yes}, std::nullopt, CloseAnswer::Keep, false, true},
        {"no", true, false, {MessageAnswer::No}, {}, CloseAnswer::Close, false, true},
        {"cancel", true, false, {MessageAnswer::Cancel}, {}, CloseAnswer::Keep, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        const std::string path = f.folder.path(row.untitled ? "chosen.qel" : "prog.qel");
        ProgramDocument& doc = row.untitled ? f.windows.addUntitled(row.modified)
                                            : f.windows.addTitled(path, row.modified);
        f.screen.answers.assign(row.answers.begin(), row.answers.end());
        if (row.untitled)
            f.screen.files.push_back(row.dialogAnswer ? std::optional(path) : std::nullopt);

        EXPECT_EQ(f.lifecycle.askToClose(f.windows, 0), row.result);
        EXPECT_EQ(fs::exists(path), row.written);
        if (!row.asked) {
            EXPECT_TRUE(f.screen.messages.empty());
            continue;
        }
        ASSERT_FALSE(f.screen.messages.empty());
        const auto& question = f.screen.messages[0];
        EXPECT_EQ(question.caption, "Tarvik message");
        EXPECT_EQ(question.buttons, MessageButtons::YesNoCancel);
        EXPECT_EQ(question.text, row.untitled ? "Do you want to save the changes you made to Untitled1"
                                              : "Do you want to save the changes you made to prog.qel");
        EXPECT_EQ(doc.modified, !row.written);
    }
}

TEST(DocumentLifecycleClose, AYesWhoseWriteFailsKeepsTheWindow)
{
    Fixture f;
    f.windows.addTitled(f.folder.path("missing/prog.qel"));
    f.screen.answers = {MessageAnswer::Yes};
    EXPECT_EQ(f.lifecycle.askToClose(f.windows, 0), CloseAnswer::Keep);
    EXPECT_EQ(f.screen.texts().back().substr(0, 23), "The file is not exist!\n");
    EXPECT_TRUE(f.windows.documentAt(0).modified);
}

// Runs the body as a user who may write the file but not its folder, and returns its
// exit code. Root may write anywhere, so as root the body runs in a child process of an
// unprivileged user; the folder and the file are left as it found them either way.
int asUserWhoMayNotWriteTheFolder(const test::TempDir& temp, const std::string& file, int (*body)(const std::string&))
{
    const fs::path folder = fs::path(file).parent_path();
    // The copy of the old contents goes to a state folder that user may write.
    const fs::path state = temp.root() / "state";
    fs::create_directories(state);
    fs::permissions(state, fs::perms::all);
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    struct Unset {
        ~Unset() { ::unsetenv("XDG_STATE_HOME"); }
    } unset;
    if (::geteuid() != 0) {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        const int result = body(file);
        fs::permissions(folder, fs::perms::owner_all);
        return result;
    }
    fs::permissions(temp.root(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(folder, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read
                              | fs::perms::others_write);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(99);
        ::_exit(body(file));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

TEST(DocumentLifecycleSave, AWritableFileInAFolderThatMayNotBeWrittenIsWrittenInPlace)
{
    Fixture f;
    const std::string path = f.folder.path("locked/prog.qel");
    fs::create_directory(f.folder.path("locked"));
    put(path, Bytes(4000, 'x'));
    const int result = asUserWhoMayNotWriteTheFolder(f.folder, path, [](const std::string& file) {
        FakeScreen screen;
        FakeWindows windows;
        DocumentLifecycle lifecycle(screen, defaults());
        windows.addTitled(file);
        return static_cast<int>(lifecycle.save(windows, 0));
    });
    ASSERT_NE(result, 99) << "no unprivileged user to test with";
    EXPECT_EQ(result, static_cast<int>(SaveResult::Saved));
    const ReadOutcome read = readProgramFile(path, defaults());
    EXPECT_EQ(read.status, ReadStatus::Ok) << "the shorter program leaves nothing of the old file behind";
    EXPECT_EQ(fs::file_size(path), 2780u);
    EXPECT_EQ(fs::directory_iterator(f.folder.path("locked"))->path().filename(), "prog.qel");
    EXPECT_EQ(std::distance(fs::directory_iterator(f.folder.path("locked")), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::is_empty(f.folder.path("state/tarvik"))) << "the copy of the old contents outlived the write";

    // A write that cannot finish leaves the old contents.
    put(path, kOld);
    const int failed = asUserWhoMayNotWriteTheFolder(f.folder, path, [](const std::string& file) {
        FakeScreen screen;
        FakeWindows windows;
        DocumentLifecycle lifecycle(screen, defaults());
        windows.addTitled(file);
        test::FileSizeLimit limit(1024);
        const SaveResult saved = lifecycle.save(windows, 0);
        const bool said = screen.texts().size() == 1
            && screen.texts()[0].find("\nCould not ") != std::string::npos;
        return saved == SaveResult::Failed && said ? 0 : 1;
    });
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(contents(path), kOld);
}

TEST(DocumentLifecycleClose, CloseAllGoesFromLastToFirstAndKeepsWhatTheUserKeeps)
{
    Fixture f;
    f.windows.addTitled(f.folder.path("a.qel"));
    f.windows.addTitled(f.folder.path("b.qel"), false);
    f.windows.addTitled(f.folder.path("c.qel"));
    f.windows.addTitled(f.folder.path("d.qel"));
    f.screen.events.clear();
    f.screen.answers = {MessageAnswer::No, MessageAnswer::Cancel, MessageAnswer::Yes};

    f.lifecycle.closeAll(f.windows);
    // Each window asked about comes to the front first.
    EXPECT_EQ(f.screen.events, (std::vector<std::string>{
                                   "activate:d.qel",
                                   "message:Do you want to save the changes you made to d.qel",
                                   "destroy:d.qel",
                                   "activate:c.qel",
                                   "message:Do you want to save the changes you made to c.qel",
                                   "destroy:b.qel",
                                   "activate:a.qel",
                                   "message:Do you want to save the changes you made to a.qel",
                                   "destroy:a.qel",
                               }));
    EXPECT_EQ(f.windows.captions(), std::vector<std::string>{"c.qel"});
    EXPECT_TRUE(fs::exists(f.folder.path("a.qel")));
    EXPECT_FALSE(fs::exists(f.folder.path("d.qel")));
}

TEST(DocumentLifecycleClose, ExitAsksAboutEveryDocumentAndEndsOnlyWhenNoneIsKept)
{
    struct Row {
        const char* name;
        std::vector<MessageAnswer> answers;  // last window first
        bool ends;
    };
    const Row rows[] = {
        {"cancel then no", {MessageAnswer::Cancel, MessageAnswer::No}, false},
        {"no then cancel", {MessageAnswer::No, MessageAnswer::Cancel}, false},
        {"no and no", {MessageAnswer::No, MessageAnswer::No}, true},
        {"yes then cancel saves at once", {MessageAnswer::Yes, MessageAnswer::Cancel}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        f.windows.addTitled(f.folder.path("a.qel"));
        f.windows.addTitled(f.folder.path("b.qel"));
        f.screen.answers.assign(row.answers.begin(), row.answers.end());

        EXPECT_EQ(f.lifecycle.confirmExit(f.windows), row.ends);
        EXPECT_EQ(f.screen.texts(), (std::vector<std::string>{
                                        "Do you want to save the changes you made to b.qel",
                                        "Do you want to save the changes you made to a.qel"}));
        EXPECT_EQ(f.windows.documentCount(), 2);
        EXPECT_EQ(fs::exists(f.folder.path("b.qel")), row.answers[0] == MessageAnswer::Yes);
        EXPECT_FALSE(fs::exists(f.folder.path("a.qel")));
    }
}

TEST(DocumentLifecycleOpen, AProgramFileOpensTitledAtTheTop)
{
    Fixture f;
    const std::string path = f.folder.path("blink.qel");
    {
        ProgramDocument source(defaults());
        source.lines.insertAfterCursor(instruction(24, "5"));
        source.lines.insertAfterCursor(instruction(15, ""));
        ASSERT_EQ(writeProgramFile(path, source), WriteStatus::Ok);
    }
    f.windows.addUntitled(false);
    f.screen.files.push_back(path);

    f.lifecycle.open(f.windows);
    ASSERT_EQ(f.windows.documentCount(), 2);
    const ProgramDocument& doc = f.windows.documentAt(1);
    EXPECT_EQ(f.windows.captions()[1], "blink.qel");
    EXPECT_EQ(doc.fileName, path);
    EXPECT_FALSE(doc.untitled);
    EXPECT_FALSE(doc.modified);
    EXPECT_EQ(doc.lines.count(), 3);
    EXPECT_EQ(doc.lines.cursor(), doc.lines.first());
    EXPECT_EQ(f.windows.active, 1);
    EXPECT_TRUE(f.screen.messages.empty());
}

TEST(DocumentLifecycleOpen, AFileAlreadyOpenIsBroughtToTheFrontAndNotRead)
{
    Fixture f;
    const std::string path = f.folder.path("a.qel");
    f.windows.addTitled(path);
    f.windows.addUntitled();
    // The file is gone from disk: reading it would complain.
    f.screen.files.push_back(path);

    f.lifecycle.open(f.windows);
    EXPECT_EQ(f.windows.documentCount(), 2);
    EXPECT_EQ(f.windows.active, 0);
    EXPECT_TRUE(f.screen.messages.empty());
}

TEST(DocumentLifecycleOpen, FilesThatCannotBeReadReportAndKeepWhatWasRead)
{
    Fixture f;
    const std::string good = f.folder.path("good.qel");
    {
        ProgramDocument source(defaults());
        source.lines.insertAfterCursor(instruction(24, "5"));
        ASSERT_EQ(writeProgramFile(good, source), WriteStatus::Ok);
    }
    Bytes cut = contents(good);
    cut.resize(8 + 64 + 2);  // the marker, the count, the one line, half a marker
    const std::string damaged = f.folder.path("damaged.qel");
    put(damaged, cut);
    const std::string foreign = f.folder.path("foreign.qel");
    put(foreign, {'M', 'Z', 0, 0, 0, 0});
    ::mkfifo(f.folder.path("pipe.qel").c_str(), 0600);
    fs::create_directory(f.folder.path("folder.qel"));

    struct Row {
        std::string path;
        std::string message;
        bool window;
    };
    // The text as it always was, then the file and what the system said about it.
    const std::string absent = f.folder.path("absent.qel");
    const Row rows[] = {
        {absent, "The file is not exist!\n" + absent + ": No such file or directory", false},
        {f.folder.path("pipe.qel"), "The file is not exist!\n" + f.folder.path("pipe.qel") + ": Is a named pipe, not a file", false},
        {f.folder.path("folder.qel"), "The file is not exist!\n" + f.folder.path("folder.qel") + ": Is a directory", false},
        {foreign, "Error! This file does not valid qel file.\n" + foreign, false},
        {damaged, "Error! This file does not valid qel file [1].\n" + damaged, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        FakeScreen screen;
        FakeWindows windows;
        windows.screen = &screen;
        windows.addUntitled(false);
        screen.events.clear();
        DocumentLifecycle lifecycle(screen, defaults());
        screen.files.push_back(row.path);

        lifecycle.open(windows);
        ASSERT_EQ(screen.messages.size(), 1u);
        EXPECT_EQ(screen.messages[0].caption, "Tarvik message");
        EXPECT_EQ(screen.messages[0].buttons, MessageButtons::OkCancel);
        EXPECT_EQ(screen.messages[0].text, row.message);
        ASSERT_EQ(windows.documentCount(), row.window ? 2 : 1);
        if (!row.window)
            continue;
        // The window shows first, then the message about it.
        EXPECT_EQ(screen.events, (std::vector<std::string>{"file:open", "window:damaged.qel", "message:" + row.message}));
        const ProgramDocument& doc = windows.documentAt(1);
        EXPECT_EQ(doc.lines.count(), 2);
        EXPECT_EQ(doc.fileName, "Untitled2");
        EXPECT_TRUE(doc.untitled);
        EXPECT_FALSE(doc.modified);

        // So Save asks for a name rather than overwrite the damaged file.
        screen.files.push_back(std::nullopt);
        lifecycle.save(windows, 1);
        EXPECT_EQ(screen.saveDialogTitles.size(), 1u);
        EXPECT_EQ(contents(damaged), cut);
    }
}

TEST(DocumentLifecycleClose, EachQuestionRaisesItsWindowAndReachesEveryWindowOnce)
{
    // Activation reorders the windows as the frame does; the questions still go from the
    // back to the front, one to each window.
    Fixture f;
    f.windows.stacking = true;
    f.windows.addUntitled();
    f.windows.addUntitled();
    f.windows.addUntitled(false);
    f.windows.addUntitled();
    f.screen.events.clear();
    f.screen.answers = {MessageAnswer::No, MessageAnswer::Cancel, MessageAnswer::No};

    EXPECT_FALSE(f.lifecycle.confirmExit(f.windows));
    EXPECT_EQ(f.screen.events, (std::vector<std::string>{
                                   "activate:Untitled4",
                                   "message:Do you want to save the changes you made to Untitled4",
                                   "activate:Untitled2",
                                   "message:Do you want to save the changes you made to Untitled2",
                                   "activate:Untitled1",
                                   "message:Do you want to save the changes you made to Untitled1",
                               }));
    EXPECT_EQ(f.windows.documentCount(), 4);
}

TEST(DocumentLifecycleSave, EveryWriteTellsTheWindowItsDocumentIsOnDisk)
{
    Fixture f;
    f.windows.addTitled(f.folder.path("a.qel"));
    f.windows.addTitled(f.folder.path("b.qel"));
    f.windows.addUntitled();
    f.windows.addTitled(f.folder.path("no/such/folder/d.qel"));
    EXPECT_EQ(f.lifecycle.save(f.windows, 0), SaveResult::Saved);
    f.screen.files.push_back(f.folder.path("c.qel"));
    EXPECT_EQ(f.lifecycle.saveAs(f.windows, 1), SaveResult::Saved);
    EXPECT_EQ(f.lifecycle.save(f.windows, 3), SaveResult::Failed);
    EXPECT_EQ(f.windows.saved, (std::vector<std::string>{"a.qel", "c.qel"}));

    // The save questions of Close, Close All and Exit write too.
    f.screen.answers = {MessageAnswer::No, MessageAnswer::Yes};
    f.screen.files.push_back(f.folder.path("u.qel"));
    EXPECT_TRUE(f.lifecycle.confirmExit(f.windows));
    EXPECT_EQ(f.windows.saved, (std::vector<std::string>{"a.qel", "c.qel", "u.qel"}));
}

TEST(DocumentLifecycleMessages, FileNamesShowAsProgramText)
{
    const std::pair<std::string, std::string> rows[] = {
        {"blink.qel", "blink.qel"},
        {"\xC3\xA9t\xC3\xA9.qel", "\xE9t\xE9.qel"},                 // two-byte forms: Latin-1 has them
        {"\xE2\x82\xAC.qel", "?.qel"},                          // the euro sign: Latin-1 has none
        {"\xF0\x9F\x98\x80x", "?x"},                            // four bytes, one character
        {"a\xE9" "b", "a?b"},                                      // a Latin-1 byte on disk is not UTF-8
        {"\xC0\x80.qel", "?.qel"},                               // an overlong NUL cuts nothing short
        {"cut\xC3", "cut?"},                                    // a sequence the name ends inside
    };
    for (const auto& [name, shown] : rows)
        EXPECT_EQ(fileNameText(name), shown) << name;

    Fixture f;
    f.windows.addTitled(f.folder.path("\xC3\xA9t\xC3\xA9.qel"));
    EXPECT_EQ(f.lifecycle.askToClose(f.windows, 0), CloseAnswer::Keep);
    EXPECT_EQ(f.screen.texts(), std::vector<std::string>{"Do you want to save the changes you made to \xE9t\xE9.qel"});
}

TEST(DocumentLifecycleOpen, CancellingTheOpenDialogDoesNothing)
{
    Fixture f;
    f.screen.files.push_back(std::nullopt);
    f.lifecycle.open(f.windows);
    EXPECT_EQ(f.windows.documentCount(), 0);
    EXPECT_EQ(f.screen.events, std::vector<std::string>{"file:open"});
}

// ---- Files changed on disk by someone else ----

// A program file on disk, opened into the fixture's windows and then changed in the window.
ProgramDocument& openChanged(Fixture& f, const std::string& path)
{
    ProgramDocument source(defaults());
    source.lines.insertAfterCursor(instruction(24, "5"));
    EXPECT_EQ(writeProgramFile(path, source), WriteStatus::Ok);
    f.lifecycle.openPath(f.windows, path);
    ProgramDocument& doc = f.windows.documentAt(f.windows.documentCount() - 1);
    doc.lines.insertAfterCursor(instruction(15, ""));
    doc.modified = true;
    return doc;
}

void setModifiedTime(const std::string& path, fs::file_time_type time)
{
    fs::last_write_time(path, time);
}

fs::file_time_type modifiedTime(const std::string& path) { return fs::last_write_time(path); }

TEST(DocumentLifecycleDisk, SaveAsksBeforeWritingOverAFileSomeoneElseChanged)
{
    struct Row {
        const char* change;
        std::function<void(const std::string&)> apply;
        bool asked;
    };
    const Row rows[] = {
        {"nothing", [](const std::string&) {}, false},
        {"the contents, same size and time",
         [](const std::string& path) {
             const fs::file_time_type time = modifiedTime(path);
             Bytes bytes = contents(path);
             bytes.back() ^= 1;
             put(path, bytes);
             setModifiedTime(path, time);
         },
         true},
        {"the size", [](const std::string& path) { std::ofstream(path, std::ios::app) << "x"; }, true},
        {"the time alone", [](const std::string& path) { setModifiedTime(path, modifiedTime(path) - std::chrono::hours(24 * 365)); }, true},
        {"the same bytes renamed over it",
         [](const std::string& path) {
             put(path + ".new", contents(path));
             fs::rename(path + ".new", path);
         },
         true},
        // Nothing on disk to lose: the program is written again.
        {"removed", [](const std::string& path) { fs::remove(path); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.change);
        Fixture f;
        const std::string path = f.folder.path("blink.qel");
        ProgramDocument& doc = openChanged(f, path);
        row.apply(path);
        const Bytes theirs = contents(path);
        f.screen.answers.push_back(MessageAnswer::Cancel);

        EXPECT_EQ(f.lifecycle.save(f.windows, 0), row.asked ? SaveResult::Cancelled : SaveResult::Saved);
        if (!row.asked) {
            EXPECT_TRUE(f.screen.messages.empty());
            EXPECT_EQ(readProgramFile(path, defaults()).document->lines.count(), 3);
            continue;
        }
        ASSERT_EQ(f.screen.messages.size(), 1u);
        EXPECT_EQ(f.screen.messages[0].caption, "Tarvik message");
        EXPECT_EQ(f.screen.messages[0].text,
                  "The file blink.qel has been changed by another program since Tarvik read or saved it.\n"
                  "Write over those changes? No saves the program under another name.");
        EXPECT_EQ(f.screen.messages[0].buttons, MessageButtons::YesNoCancelDefaultNo);
        EXPECT_EQ(contents(path), theirs);
        EXPECT_TRUE(doc.modified);
    }
}

TEST(DocumentLifecycleDisk, YesWritesOverNoSavesElsewhereAndKeepsBoth)
{
    struct Row {
        MessageAnswer answer;
        std::optional<std::string> elsewhere;  // the Save As dialog's answer after No
        SaveResult result;
        bool overwritten;
    };
    for (const Row& row : {Row{MessageAnswer::Yes, std::nullopt, SaveResult::Saved, true},
                           Row{MessageAnswer::No, std::nullopt, SaveResult::Cancelled, false},
                           Row{MessageAnswer::No, "copy.qel", SaveResult::Saved, false},
                           Row{MessageAnswer::Cancel, std::nullopt, SaveResult::Cancelled, false}}) {
        SCOPED_TRACE(static_cast<int>(row.answer));
        Fixture f;
        const std::string path = f.folder.path("blink.qel");
        ProgramDocument& doc = openChanged(f, path);
        put(path, kOld);
        f.screen.answers.push_back(row.answer);
        f.screen.files.push_back(row.elsewhere ? std::optional(f.folder.path(*row.elsewhere)) : std::nullopt);

        EXPECT_EQ(f.lifecycle.save(f.windows, 0), row.result);
        EXPECT_EQ(contents(path) != kOld, row.overwritten);
        EXPECT_EQ(f.screen.saveDialogTitles.size(), row.answer == MessageAnswer::No ? 1u : 0u);
        EXPECT_EQ(doc.modified, row.result != SaveResult::Saved);
        if (row.elsewhere) {
            EXPECT_EQ(readProgramFile(f.folder.path(*row.elsewhere), defaults()).document->lines.count(), 3);
        }
        if (row.result != SaveResult::Saved)
            continue;
        // What was written is known now: the next Save asks nothing.
        doc.modified = true;
        f.screen.messages.clear();
        EXPECT_EQ(f.lifecycle.save(f.windows, 0), SaveResult::Saved);
        EXPECT_TRUE(f.screen.messages.empty());
    }
}

TEST(DocumentLifecycleDisk, AChangeOnDiskIsToldOnceForEachNewState)
{
    Fixture f;
    const std::string path = f.folder.path("blink.qel");
    openChanged(f, path);
    f.lifecycle.noticeChangeOnDisk(f.windows, 0);
    EXPECT_TRUE(f.screen.messages.empty());

    put(path, kOld);
    f.lifecycle.noticeChangeOnDisk(f.windows, 0);
    f.lifecycle.noticeChangeOnDisk(f.windows, 0);
    put(path, {'n', 'e', 'w', '!'});
    f.lifecycle.noticeChangeOnDisk(f.windows, 0);
    fs::remove(path);
    f.lifecycle.noticeChangeOnDisk(f.windows, 0);
    f.lifecycle.noticeChangeOnDisk(f.windows, 0);
    EXPECT_EQ(f.screen.texts(),
              (std::vector<std::string>{
                  "The file blink.qel has been changed by another program since Tarvik read or saved it.",
                  "The file blink.qel has been changed by another program since Tarvik read or saved it.",
                  "The file blink.qel has been deleted or moved by another program since Tarvik read or saved it."}));

    // A document whose file state came from elsewhere (a recovery) is watched the same way.
    ProgramDocument& recovered = f.windows.addTitled(f.folder.path("recovered.qel"));
    put(recovered.fileName, kOld);
    f.lifecycle.rememberFile(recovered, identifyFile(recovered.fileName));
    EXPECT_EQ(f.lifecycle.knownFile(recovered), identifyFile(recovered.fileName));
    put(recovered.fileName, {'x'});
    f.screen.messages.clear();
    f.lifecycle.noticeChangeOnDisk(f.windows, 1);
    EXPECT_EQ(f.screen.messages.size(), 1u);
}

TEST(DocumentLifecycleDisk, SaveAsNeverReplacesTheSourceAProgramWasImportedFrom)
{
    Fixture f;
    const std::string source = f.folder.path("blink.asm");
    put(source, kOld);
    fs::create_symlink(source, f.folder.path("link.asm"));
    const struct Row {
        std::string chosen;
        bool refused;
    } rows[] = {{source, true}, {f.folder.path("link.asm"), true}, {f.folder.path("sub/../blink.asm"), true},
                {f.folder.path("blink.qel"), false}};
    fs::create_directory(f.folder.path("sub"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.chosen);
        f.windows.windows.clear();
        f.screen.messages.clear();
        ProgramDocument& doc = f.windows.addUntitled();
        doc.importedFrom = source;
        f.screen.files.push_back(row.chosen);
        f.screen.answers.push_back(MessageAnswer::Yes);  // to the overwrite question

        EXPECT_EQ(f.lifecycle.saveAs(f.windows, 0), row.refused ? SaveResult::Failed : SaveResult::Saved);
        EXPECT_EQ(contents(source), kOld);
        EXPECT_EQ(doc.untitled, row.refused);
        if (row.refused) {
            EXPECT_EQ(f.screen.texts(), std::vector<std::string>{"The file " + row.chosen
                                                                 + " would overwrite the MPASM source the program was "
                                                                   "imported from!"});
        }
    }
}

} // namespace
} // namespace tarvik
