#pragma once

// The search behind Find Command: every command of the table, also those whose menu items are
// removed or whose menu is gone, matched by words of its menu text, menu or keys. Plain C++ so
// tests can drive it without a window.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Commands.h"

namespace pixelon::app {

struct FoundCommand {
    int id = 0;
    std::string text; // the menu text as plain words, "Text Metrics..."
    std::string menu; // "Tools", or empty for commands outside the menus
    std::string keys; // the accelerators, "Ctrl+C, Ctrl+Ins"
    bool enabled = false;
};

class CommandFinder {
public:
    // `hasHandler` tells which commands are built; the others are listed but disabled.
    explicit CommandFinder(std::function<bool(int id)> hasHandler);

    // Commands whose text, menu or keys contain every word of `query` (case ignored), in menu
    // order. An empty query lists them all.
    std::vector<FoundCommand> find(std::string_view query, const CommandState& state) const;

private:
    struct Entry {
        const CommandSpec* spec;
        std::string text, menu, keys, haystack;
    };
    std::vector<Entry> m_entries;
    std::function<bool(int)> m_hasHandler;
};

} // namespace pixelon::app
