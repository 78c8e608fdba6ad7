#pragma once

#include "model/DeviceDefaults.h"
#include "mpasm/RolePass.h"
#include "mpasm/SourceProgram.h"

#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tarvik::mpasm {

// The program's name for each source name it holds. A name the program cannot hold is
// renamed, never refused: the characters other than letters and digits dropped, shortened
// to what its field and its uses hold (a register of a bit instruction leaves room for ",n"
// in the operand field), made unique with a number where two would be alike. A name the
// program can hold stays as it is, and so does every name of a Tarvik export that fits its
// field. The same source always gives the same names. Every rename, and every other name of
// a register giving way to the one that names it, is noted at the line defining the name.
class NameMapper {
public:
    struct Rename {
        std::string source;
        std::string name;
        int line = 0;  // where the source defines the name
    };

    NameMapper(SourceProgram& program, const RolePass& roles, const DeviceDefaults& defaults);

    void run();

    // The program's name for a source name (the export's escapes such as _W undone).
    std::string name(std::string_view source) const;
    // Whether the program name is the chip's or one given to a source name.
    bool isTaken(std::string_view name) const { return taken_.find(name) != taken_.end(); }
    // In the order of the source's definitions.
    const std::vector<Rename>& renames() const { return renames_; }
    const Rename* renameOf(std::string_view source) const;

    // A name the program cannot hold as the program would hold it: letters and digits only,
    // first a letter (the kind's letter where there is none), at most maxLength characters,
    // unlike every taken name. Numbers from 2 make it unique.
    using NameSet = std::unordered_set<std::string, NameHash, std::equal_to<>>;
    static std::string fitted(std::string_view name, char kindLetter, std::size_t maxLength, const NameSet& taken);

private:
    struct Wanted {
        std::string source;
        char kindLetter;
        std::size_t maxLength;
        int line;
        int order;
    };

    void want(const std::string& source, char kindLetter, std::size_t maxLength, int line);

    SourceProgram& program_;
    const RolePass& roles_;
    const DeviceDefaults& defaults_;
    std::unordered_map<std::string, int, NameHash, std::equal_to<>> orderIndex_;
    std::map<std::string, Wanted, std::less<>> wanted_;
    std::unordered_map<std::string, std::string, NameHash, std::equal_to<>> names_;
    NameSet taken_;
    std::vector<Rename> renames_;
    std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> renameIndex_;
};

} // namespace tarvik::mpasm
