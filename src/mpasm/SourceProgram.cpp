#include "mpasm/SourceProgram.h"

#include "model/Names.h"
#include "model/DeviceDefaults.h"
#include "mpasm/MpasmExport.h"

#include <algorithm>
#include <cstdio>

namespace tarvik::mpasm {

const HeaderAlias* findHeaderAlias(std::string_view name)
{
    const auto it = std::find_if(kHeaderAliases.begin(), kHeaderAliases.end(),
                                 [&](const HeaderAlias& alias) { return alias.name == name; });
    return it == kHeaderAliases.end() ? nullptr : &*it;
}

const Symbol* SourceProgram::symbolOf(std::string_view name) const
{
    const auto it = symbols.find(name);
    return it == symbols.end() ? nullptr : &it->second;
}

bool SourceProgram::isLabel(std::string_view name) const
{
    const Symbol* symbol = symbolOf(name);
    return (symbol && symbol->kind == SymbolKind::Label) || placedLabels.count(std::string(name)) != 0;
}

std::int32_t SourceProgram::lookup(std::string_view name, int line) const
{
    if (const Symbol* symbol = symbolOf(name))
        return symbol->value;
    // gpasm knows the destinations without the chip's header.
    if (name == "W" || name == "w")
        return 0;
    if (name == "F" || name == "f")
        return 1;
    refuse(line, std::string(name) + " is not defined");
}

ExprValue SourceProgram::evaluate(std::string_view expression, int line, int radix, std::optional<int> dollar) const
{
    ExprContext context;
    context.line = line;
    context.radix = radix;
    context.dollar = dollar;
    context.lookup = [this, line](std::string_view name) { return lookup(name, line); };
    return mpasm::evaluate(expression, context);
}

std::string SourceProgram::programText(std::string_view piece, int line)
{
    std::vector<std::uint32_t> lost;
    std::string latin1 = text.latin1(piece, lost);
    if (lost.empty())
        return latin1;
    // One note per line names each character lost on it once.
    const auto [it, first] = lostOnLine_.try_emplace(line, LostCharacters{notes_.size(), {}});
    if (first)
        notes_.push_back({line, {}});
    std::vector<std::uint32_t>& named = it->second.codePoints;
    for (const std::uint32_t codePoint : lost)
        if (std::find(named.begin(), named.end(), codePoint) == named.end())
            named.push_back(codePoint);
    std::string list;
    char name[16];
    for (const std::uint32_t codePoint : named) {
        std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
        if (!list.empty())
            list += ' ';
        list += name;
    }
    notes_[it->second.note].text = list + " written as ?: program text holds only Latin-1 characters";
    return latin1;
}

void SourceProgram::note(int line, std::string text)
{
    notes_.push_back({line, std::move(text)});
}

std::vector<ImportMessage> SourceProgram::takeNotes()
{
    std::stable_sort(notes_.begin(), notes_.end(),
                     [](const ImportMessage& a, const ImportMessage& b) { return a.line < b.line; });
    return std::move(notes_);
}

std::string programName(std::string_view name)
{
    if (name.size() > 1 && name[0] == '_' && isMpasmReservedWord(name.substr(1)))
        return std::string(name.substr(1));
    return std::string(name);
}

bool isName(std::string_view text)
{
    return !text.empty() && isSymbolStart(text[0]) && std::all_of(text.begin(), text.end(), isSymbolChar);
}

void checkName(const std::string& name, int line, std::string_view what)
{
    if (name.empty())
        refuse(line, "missing name");
    if (name.size() > kMaxNameLength)
        refuse(line, std::string(what) + " " + name + " is longer than " + std::to_string(kMaxNameLength)
                         + " characters");
    if (!LooksLikeName(name))
        refuse(line, std::string(what) + " " + name + " is not a valid name: only letters and digits, first a letter");
}

int canonicalLocation(int address) { return isMirroredSfr(address) ? (address & 0x7F) : address; }

std::string hex(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
    return text;
}

} // namespace tarvik::mpasm
