#pragma once

#include "mpasm/Lexer.h"
#include "mpasm/SourceProgram.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tarvik::mpasm {

class SourceReader;

// What gpasm does to a line before it reads it: #define names give way to their text, macros
// are expanded with their arguments and local labels, and conditional assembly is evaluated,
// the lines of a branch not taken being left out with a note. Every line that remains goes
// to the reader at the source line it comes from; a macro's lines come from the line that
// calls it. An instruction that a macro or a #define of an instruction makes says so in its
// comment where there is room ("from NAME").
class Preprocessor {
public:
    explicit Preprocessor(SourceReader& reader);

    void line(std::string_view text, int line);
    // Refuses a conditional or a macro definition still open at the end of the source.
    void finish();

    // Whether a lower-case word is a directive handled here.
    static bool isDirective(std::string_view lowerCaseWord);
    static std::span<const std::string_view> directives();

private:
    struct Define {
        bool takesArguments = false;
        std::vector<std::string> parameters;
        std::string text;
        int line = 0;
        bool isBit = false;  // REGISTER,BIT
    };
    struct BodyLine {
        std::string_view text;
        int line = 0;
    };
    struct Macro {
        std::vector<std::string> parameters;
        std::vector<BodyLine> body;
        int line = 0;
    };
    struct Condition {
        int line = 0;
        bool active = false;       // the lines of this branch are read
        bool taken = false;        // a branch of this if is or was read
        bool outerActive = false;  // every enclosing branch is read
        bool inElse = false;
        int leftOutFrom = 0;       // first line of a branch left out, 0 if none
        std::string reason;        // why that branch is left out
    };

    bool active() const { return conditions_.empty() || conditions_.back().active; }
    bool conditional(const Statement& s);
    void leaveOut(Condition& condition, int line, std::string reason);
    void noteLeftOut(Condition& condition, int endLine);
    bool condition(const Statement& s);

    void record(std::string_view text, int line);
    void define(const Statement& s);
    void expand(const Macro& macro, std::string_view name, const Statement& call, std::string_view arguments);
    std::string localName(std::string_view local);
    bool sourceHoldsName(std::string_view name);

    // The code with every #define name replaced by its text, repeated while one's text
    // holds another; false when there is none in it.
    bool substituteDefines(std::string_view code, std::string& out, int line) const;
    bool substituteOnce(std::string_view code, std::string& out, int line) const;
    void readFinally(const Statement& s, std::string_view origin);
    std::string_view keep(std::string text, int line);
    void defineChip(const Statement& s);

    SourceReader& reader_;
    const Lexer lexer_;
    std::unordered_map<std::string, Define, NameHash, std::equal_to<>> defines_;
    std::unordered_map<std::string, Macro, NameHash, std::equal_to<>> macros_;
    std::vector<Condition> conditions_;

    // The macro being defined.
    bool recording_ = false;
    int nestedDefinitions_ = 0;
    int recordingLine_ = 0;
    std::string recordingName_;
    Macro recorded_;

    // The macros being expanded, innermost last.
    std::vector<std::string_view> expanding_;
    bool exitRequested_ = false;
    std::size_t expandedLines_ = 0;
    std::size_t madeBytes_ = 0;
    int calls_ = 0;
    std::unordered_set<std::string_view> sourceNames_;
    bool sourceNamesRead_ = false;
};

} // namespace tarvik::mpasm
