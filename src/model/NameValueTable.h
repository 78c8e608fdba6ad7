#pragma once

#include "model/FixedText.h"
#include "model/TableCursor.h"

#include <optional>
#include <string_view>

namespace tarvik {

inline constexpr std::size_t kSymbolNameWidth = 15;
inline constexpr std::size_t kSymbolValueWidth = 17;

struct NameValueEntry {
    char name[kSymbolNameWidth] = {};
    char value[kSymbolValueWidth] = {};

    std::string_view nameText() const { return textOf(name); }
    std::string_view valueText() const { return textOf(value); }
    void setName(std::string_view text) { setText(name, text); }
    void setValue(std::string_view text) { setText(value, text); }
};

// Literals with their values, or labels with their assembled addresses.
class NameValueTable : public CursorTable<NameValueEntry> {
public:
    // An empty name inserts nothing and returns nullptr.
    NameValueEntry* insert(std::string_view name, std::string_view value);
    void remove(std::string_view name);
    bool holds(std::string_view name) const { return positionOf(name) != 0; }
    std::optional<std::string_view> valueOf(std::string_view name) const;
    void setValue(std::string_view name, std::string_view value);
    void clearValues();
    // Follows a line's label from the old name to the new one.
    void relabel(std::string_view oldName, std::string_view newName);
};

} // namespace tarvik
