#include "mpasm/NameMapper.h"

#include "model/Names.h"

#include <algorithm>

namespace tarvik::mpasm {

NameMapper::NameMapper(SourceProgram& program, const RolePass& roles, const DeviceDefaults& defaults)
    : program_(program), roles_(roles), defaults_(defaults)
{
}

void NameMapper::want(const std::string& source, char kindLetter, std::size_t maxLength, int line)
{
    const Symbol* symbol = program_.symbolOf(source);
    const auto order = orderIndex_.find(source);
    const auto [it, added] = wanted_.try_emplace(
        source, Wanted{source, kindLetter, maxLength, symbol ? symbol->line : line,
                       order == orderIndex_.end() ? static_cast<int>(orderIndex_.size()) : order->second});
    if (!added)
        it->second.maxLength = std::min(it->second.maxLength, maxLength);
}

void NameMapper::run()
{
    for (std::size_t i = 0; i < program_.definitionOrder.size(); ++i)
        orderIndex_.emplace(*program_.definitionOrder[i], static_cast<int>(i));
    // The chip's names stay its own, even where the program names a register otherwise.
    for (const RegisterTable* bank : {&defaults_.bank0(), &defaults_.bank1()})
        for (const RegisterEntry& entry : *bank)
            taken_.emplace(entry.nameText());
    for (const BitEntry& entry : defaults_.bits())
        taken_.emplace(entry.nameText());

    const std::map<std::string, Role>& roles = roles_.roles();
    for (const auto& [location, given] : roles_.registerNames())
        if (roles.count(given.name) != 0)
            want(given.name, 'R', roles_.bitRegisters().count(location) != 0 ? kMaxNameLength - 2 : kMaxNameLength,
                 given.line);
    for (const auto& [key, given] : roles_.bitNames())
        want(given.name, 'B', kMaxNameLength, given.line);
    for (const auto& [name, literal] : roles_.literals())
        want(name, 'K', kMaxNameLength, literal.line);
    for (const auto& [name, role] : roles)
        if (role.kind == RoleKind::Target)
            want(name, 'L', kMaxNameLength, role.line);
    for (const Item& item : program_.items)
        if (!item.label.empty())
            want(item.label, 'L', kMaxNameLength, item.line);
    for (const std::string& label : program_.placedLabels)
        want(label, 'L', kMaxNameLength, 0);

    std::vector<const Wanted*> order;
    for (const auto& [source, wanted] : wanted_)
        order.push_back(&wanted);
    std::sort(order.begin(), order.end(), [](const Wanted* a, const Wanted* b) {
        return std::make_pair(a->line, a->order) < std::make_pair(b->line, b->order);
    });
    // Names the program can hold keep them, and the others are fitted around them.
    std::vector<const Wanted*> renamed;
    for (const Wanted* wanted : order) {
        const std::string name = programName(wanted->source);
        const bool holds = program_.exportMode ? !name.empty() && name.size() <= kMaxNameLength
                                               : LooksLikeName(name) && name.size() <= wanted->maxLength;
        if (holds && taken_.insert(name).second)
            names_.emplace(wanted->source, name);
        else
            renamed.push_back(wanted);
    }
    for (const Wanted* wanted : renamed) {
        std::string name = fitted(programName(wanted->source), wanted->kindLetter, wanted->maxLength, taken_);
        taken_.insert(name);
        names_.emplace(wanted->source, name);
        renames_.push_back({wanted->source, std::move(name), wanted->line});
    }
    for (const auto& [alias, chosen] : roles_.aliases()) {
        const Symbol* symbol = program_.symbolOf(alias);
        names_[alias] = name(chosen);
        renames_.push_back({alias, name(chosen), symbol ? symbol->line : 0});
    }
    std::stable_sort(renames_.begin(), renames_.end(), [](const Rename& a, const Rename& b) { return a.line < b.line; });
    for (std::size_t i = 0; i < renames_.size(); ++i) {
        renameIndex_.emplace(renames_[i].source, i);
        program_.note(renames_[i].line, renames_[i].source + " is now " + renames_[i].name);
    }
}

std::string NameMapper::name(std::string_view source) const
{
    const auto it = names_.find(source);
    return it == names_.end() ? programName(source) : it->second;
}

const NameMapper::Rename* NameMapper::renameOf(std::string_view source) const
{
    const auto it = renameIndex_.find(source);
    return it == renameIndex_.end() ? nullptr : &renames_[it->second];
}

std::string NameMapper::fitted(std::string_view name, char kindLetter, std::size_t maxLength, const NameSet& taken)
{
    std::string base;
    for (const char c : name)
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            base += c;
    if (base.empty() || (base[0] >= '0' && base[0] <= '9'))
        base.insert(0, 1, kindLetter);
    std::string candidate = base.substr(0, maxLength);
    for (int number = 2; taken.find(candidate) != taken.end(); ++number) {
        const std::string suffix = std::to_string(number);
        candidate = base.substr(0, maxLength - suffix.size()) + suffix;
    }
    return candidate;
}

} // namespace tarvik::mpasm
