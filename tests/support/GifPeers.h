#pragma once
// Independent GIF readers: every GIF a command reports as written must be read by giflib
// (giftext, gif2rgb), netpbm (giftopnm) and gifsicle.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace pixelon::test {

// True when all four readers are installed.
inline bool haveGifPeers() {
    return std::system("(command -v giftext && command -v gif2rgb && command -v giftopnm && "
                       "command -v gifsicle) >/dev/null 2>&1") == 0;
}

// The names of the readers that refuse `gif` (each with its first complaint), or empty when
// every one reads all of its images.
inline std::string gifPeerFailures(const std::filesystem::path& gif) {
    const std::string q = "'" + gif.string() + "'";
    const std::filesystem::path log = gif.string() + ".peer.txt";
    const struct {
        const char* name;
        std::string command;
    } peers[] = {
        {"giftext", "giftext " + q + " >/dev/null"},
        {"gif2rgb", "gif2rgb -1 -o /dev/null " + q},
        {"giftopnm", "giftopnm -image=all " + q + " >/dev/null"},
        {"gifsicle", "gifsicle --info " + q + " >/dev/null"},
    };
    std::string failures;
    for (const auto& peer : peers) {
        const std::string line = "timeout 60 " + peer.command + " 2>'" + log.string() + "'";
        if (std::system(line.c_str()) != 0) {
            std::string complaint;
            if (std::FILE* f = std::fopen(log.c_str(), "r")) {
                char buffer[200] = {};
                if (std::fgets(buffer, sizeof buffer, f))
                    complaint = buffer;
                std::fclose(f);
            }
            failures += std::string(peer.name) + ": " + complaint + "\n";
        }
        // gifsicle and giftext report some faults on standard error with a zero exit status.
        else if (std::filesystem::file_size(log) > 0 && std::string(peer.name) != "gif2rgb") {
            std::FILE* f = std::fopen(log.c_str(), "r");
            char buffer[200] = {};
            if (f && std::fgets(buffer, sizeof buffer, f))
                failures += std::string(peer.name) + " warns: " + buffer + "\n";
            if (f)
                std::fclose(f);
        }
    }
    std::filesystem::remove(log);
    return failures;
}

} // namespace pixelon::test
