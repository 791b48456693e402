#include "app/CommandFinder.h"

#include <algorithm>
#include <cctype>
#include <tuple>

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
                *same = Entry{&spec, {}, {}, {}, {}, {}, {}};
            else
                continue;
        } else {
            m_entries.push_back(Entry{&spec, {}, {}, {}, {}, {}, {}});
        }
    }
    for (Entry& e : m_entries) {
        e.text = plainLabel(
            menuLabel(CommandSpec{e.spec->id, e.spec->menu, shownText(*e.spec), {}, e.spec->rule}));
        // A menu is named only where the user can find the command in it: the Tools menu and
        // the items removed at start are not in the window.
        if (!e.spec->removedAtStart && e.spec->menu != Menu::Tools)
            e.menu = plainLabel(menuTitle(e.spec->menu));
        e.keys = keysOf(e.spec->id);
        e.lowerText = lower(e.text);
        e.lowerMenu = lower(e.menu);
        e.lowerKeys = lower(e.keys);
    }
}

int CommandFinder::matchRank(const Entry& e, const std::string& word) {
    enum { NameStart, WordStart, InName, InMenu, InKeys };
    const std::string& name = e.lowerText;
    if (name.compare(0, word.size(), word) == 0)
        return NameStart;
    bool inName = false;
    for (std::size_t at = name.find(word); at != std::string::npos; at = name.find(word, at + 1)) {
        // A word of the name starts after a space or a bracket, not after "'" ("Picture's").
        const unsigned char before = static_cast<unsigned char>(name[at - 1]);
        if (!std::isalnum(before) && before != '\'')
            return WordStart;
        inName = true;
    }
    if (inName)
        return InName;
    if (e.lowerMenu.find(word) != std::string::npos)
        return InMenu;
    if (e.lowerKeys.find(word) != std::string::npos)
        return InKeys;
    return -1;
}

std::vector<FoundCommand> CommandFinder::find(std::string_view query,
                                              const CommandState& state) const {
    const std::vector<std::string> wanted = words(query);
    struct Ranked {
        int worst = 0, total = 0;
        std::size_t order = 0;
        FoundCommand found;
    };
    std::vector<Ranked> ranked;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        Ranked r;
        r.order = i;
        bool match = true;
        for (const std::string& w : wanted) {
            const int rank = matchRank(e, w);
            if (rank < 0) {
                match = false;
                break;
            }
            r.worst = std::max(r.worst, rank);
            r.total += rank;
        }
        if (!match)
            continue;
        bool enabled = m_hasHandler && m_hasHandler(e.spec->id) && isEnabled(e.spec->rule, state);
        r.found = {e.spec->id, e.text, e.menu, e.keys, enabled};
        ranked.push_back(std::move(r));
    }
    std::sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        return std::tie(a.worst, a.total, a.order) < std::tie(b.worst, b.total, b.order);
    });
    std::vector<FoundCommand> out;
    out.reserve(ranked.size());
    for (Ranked& r : ranked)
        out.push_back(std::move(r.found));
    return out;
}

} // namespace pixelon::app
