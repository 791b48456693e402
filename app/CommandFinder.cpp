#include "app/CommandFinder.h"

#include <algorithm>
#include <cctype>

namespace pixelon::app {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string> words(std::string_view s) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        std::size_t start = i;
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        if (i > start)
            out.push_back(lower(s.substr(start, i - start)));
    }
    return out;
}

// The accelerators of every table entry of an identifier (Export Picture has two entries).
std::string keysOf(int id) {
    std::string keys;
    for (const CommandSpec& spec : commandTable()) {
        if (spec.id != id)
            continue;
        for (std::string_view k : acceleratorList(spec)) {
            if (!keys.empty())
                keys += ", ";
            keys += k;
        }
    }
    return keys;
}

} // namespace

CommandFinder::CommandFinder(std::function<bool(int)> hasHandler)
    : m_hasHandler(std::move(hasHandler)) {
    for (const CommandSpec& spec : commandTable()) {
        if (spec.id == ID_FIND_COMMAND)
            continue;
        // One line per command: the entry the menus keep, else the first one.
        auto same = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const Entry& e) { return e.spec->id == spec.id; });
        if (same != m_entries.end()) {
            if (same->spec->removedAtStart && !spec.removedAtStart)
                *same = Entry{&spec, {}, {}, {}, {}};
            else
                continue;
        } else {
            m_entries.push_back(Entry{&spec, {}, {}, {}, {}});
        }
    }
    for (Entry& e : m_entries) {
        e.text = plainLabel(
            menuLabel(CommandSpec{e.spec->id, e.spec->menu, shownText(*e.spec), {}, e.spec->rule}));
        e.menu = plainLabel(menuTitle(e.spec->menu));
        e.keys = keysOf(e.spec->id);
        e.haystack = lower(e.text + " " + e.menu + " " + e.keys);
    }
}

std::vector<FoundCommand> CommandFinder::find(std::string_view query,
                                              const CommandState& state) const {
    std::vector<std::string> wanted = words(query);
    std::vector<FoundCommand> out;
    for (const Entry& e : m_entries) {
        bool match = std::all_of(wanted.begin(), wanted.end(), [&](const std::string& w) {
            return e.haystack.find(w) != std::string::npos;
        });
        if (!match)
            continue;
        bool enabled = m_hasHandler && m_hasHandler(e.spec->id) && isEnabled(e.spec->rule, state);
        out.push_back({e.spec->id, e.text, e.menu, e.keys, enabled});
    }
    return out;
}

} // namespace pixelon::app
