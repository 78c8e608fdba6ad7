#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvik {

class ProgramDocument;

// YesNoCancelDefaultNo: where Yes gives something up, Return must not answer it.
enum class MessageButtons { Ok, OkCancel, YesNoCancel, YesNoCancelDefaultNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

inline constexpr std::string_view kMessageCaption = "Tarvik message";
inline constexpr std::string_view kTarvikCaption = "Tarvik";

inline constexpr std::string_view kProgramFileFilter = "Tarvik Source files (*.qel)";

// What a file dialog asks for. Made from a title alone it asks for a program file, starting
// in the folder where the last program-file dialog ended.
struct FileRequest {
    FileRequest() = default;
    FileRequest(const char* dialogTitle) : title(dialogTitle) {}
    FileRequest(std::string_view dialogTitle) : title(dialogTitle) {}

    std::string_view title = "Open";
    // As "Name (*.ext)", several joined by ";;"; the first pattern's suffix is added to a name
    // typed without one.
    std::string_view filter = kProgramFileFilter;
    // The file the dialog starts at; empty for the folder the last program-file dialog ended in.
    std::string_view suggestedPath;
    // Whether the dialog itself asks before a file is replaced; Save As asks its own question.
    bool confirmOverwrite = false;
};

// Everything the core needs to ask of the person at the screen. The application answers
// with real windows, the tests from a script, tarvik-asm by printing. Every call is
// synchronous: the core waits for the answer.
class Screen {
public:
    virtual ~Screen() = default;

    virtual MessageAnswer showMessage(std::string_view caption, std::string_view text,
                                      MessageButtons buttons) = 0;

    // Definition dialogs opened with a name preset. They answer 1 when the user added a
    // symbol, and then name holds the name finally added; 0 for Cancel or Delete.
    virtual int offerNewRegister(ProgramDocument&, std::string& /*name*/) { return 0; }
    virtual int offerNewBit(ProgramDocument&, std::string& /*name*/) { return 0; }
    virtual int offerNewLiteral(ProgramDocument&, std::string& /*name*/) { return 0; }
    virtual int offerNewLabel(ProgramDocument&, std::string& /*name*/) { return 0; }

    // Moves the editor's cursor to a line (the header line is 0) without scrolling.
    virtual void moveCursorToLine(ProgramDocument&, int /*lineNumber*/) {}
    // Opens the entry dialog of the cursor line in edit mode.
    virtual void editCurrentLine(ProgramDocument&) {}

    // File dialogs; the chosen path, nullopt when the user cancels.
    virtual std::optional<std::string> chooseFileToOpen(const FileRequest& /*request*/ = {}) { return std::nullopt; }
    virtual std::optional<std::string> chooseFileToSave(const FileRequest& /*request*/) { return std::nullopt; }
};

// printf-style formatting of the fixed message texts.
std::string formatMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A file name or path (UTF-8 on disk) as program text for a message, which the screen shows
// as Latin-1: a character Latin-1 lacks, or a byte that is not UTF-8, becomes '?'.
std::string fileNameText(std::string_view utf8);

} // namespace tarvik
