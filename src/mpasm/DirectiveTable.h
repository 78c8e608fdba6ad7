#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace tarvik::mpasm {

class SourceReader;
struct Statement;

// The directives, by lower-case name: those the importer reads, each with its handler, and
// those a program cannot represent, each with the reason it is refused. A new directive is
// one row and, where no handler fits yet, one small function working through the reader.
class DirectiveTable {
public:
    using Handler = void (*)(SourceReader& reader, const Statement& s);

    struct Directive {
        std::string_view name;
        Handler handler;
    };
    struct Refused {
        std::string_view name;
        std::string_view reason;
    };

    // The handler of a directive the importer reads; nullptr for any other word.
    static Handler find(std::string_view lowerCaseName);
    // Why a directive is refused; nullopt for any other word.
    static std::optional<std::string_view> refusalOf(std::string_view lowerCaseName);
    // Whether the word is a directive at all, read or refused.
    static bool knows(std::string_view lowerCaseName);

    static std::span<const Directive> directives();
    static std::span<const Refused> refused();
};

} // namespace tarvik::mpasm
