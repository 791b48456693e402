#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace pixelon {

// The recent-file list's section beside the settings, with values "File1" .. "File16".
inline constexpr std::string_view kRecentFileKey =
    "Software\\Kivo Norvane\\Vistrel\\Recent File List";

// The most recently opened or saved portfolios, newest first. Paths compare exactly, as the
// file system does: "/a/B.pfo" and "/a/b.pfo" are two entries.
class CRecentFileList {
public:
    static constexpr std::size_t kMaxEntries = 16;

    const std::vector<std::string>& entries() const { return m_entries; }
    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }

    // Puts a path first, removing an earlier entry for it; the oldest entry drops off a full
    // list. A relative path is made absolute so it still names the same file from elsewhere.
    void add(std::string_view path);
    bool remove(std::string_view path);
    bool removeAt(std::size_t index);
    void clear() { m_entries.clear(); }

    // Missing, empty and repeated entries are skipped; gaps in the numbering close up.
    void load(const Registry& registry);
    void load(const HiveData& userHive);

    // Writes File1..FileN and deletes the numbered values beyond the list's end.
    bool save(Registry& registry) const;
    void save(HiveData& userHive) const;

private:
    std::vector<std::string> m_entries;
};

} // namespace pixelon
