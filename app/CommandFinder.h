#pragma once

// The search behind Find Command: every command of the table, also those whose menu items are
// removed or whose menu is gone, matched by words of its name, its menu or its keys. Plain C++ so
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
    std::string menu; // "Edit", or empty for commands that no menu of the window holds
    std::string keys; // the accelerators, "Ctrl+C, Ctrl+Ins"
    bool enabled = false;
};

class CommandFinder {
public:
    // `hasHandler` tells which commands are built; the others are listed but disabled.
    explicit CommandFinder(std::function<bool(int id)> hasHandler);

    // Commands whose name, menu or keys contain every word of `query` (case ignored). The best
    // come first: words found at the start of the name, then at the start of a word of it, then
    // anywhere in it, then in the menu's name, and last those found only in the keys. Equal
    // matches keep menu order; an empty query lists every command in menu order.
    std::vector<FoundCommand> find(std::string_view query, const CommandState& state) const;

private:
    struct Entry {
        const CommandSpec* spec;
        std::string text, menu, keys;
        std::string lowerText, lowerMenu, lowerKeys;
    };
    // How well one word matches an entry (0 best), or -1 when it does not.
    static int matchRank(const Entry& e, const std::string& word);
    std::vector<Entry> m_entries;
    std::function<bool(int)> m_hasHandler;
};

} // namespace pixelon::app
