// pixelon: the batch command line over the same operations as the Vistrel window.

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "core/TemporaryFiles.h"
#include "platform/Version.h"

namespace pixelon::cli {
namespace {

constexpr Command commands[] = {
    {"info", "print a portfolio's name, metrics, notes, pictures and animations", runInfo},
    {"copy", "read a portfolio and write it again", runCopy},
    {"dump", "write one picture as the program draws it, as PPM", runDump},
    {"settings", "print the loaded settings record", runSettings},
    {"decode", "decode a GIF, BMP, WBMP, JPEG or PNG file to PPM", runDecode},
    {"import", "import picture files into a portfolio", runImport},
    {"export", "write one picture as the phone would receive it, or as PNG", runExport},
    {"csource", "write one picture as C source", runCsource},
    {"encode", "encode a PPM image as JPEG or GIF", runEncode},
    {"phone", "search for a phone, send or receive a picture", runPhone},
    {"edit", "apply picture editor operations to one picture", runEdit},
    {"ids", "renumber picture IDs or check them for duplicates", runIds},
    {"height", "crop, enlarge or shift the height of pictures", runHeight},
    {"merge", "merge the pictures of another portfolio", runMerge},
    {"picture", "add, duplicate, delete a picture or change its ID", runPicture},
    {"obex", "push a file to a phone over OBEX", runObex},
    {"bdf", "import a BDF font as glyphs", runBdf},
    {"bdf-export", "export glyphs as a BDF font", runBdfExport},
    {"font", "draw a system font's characters as glyphs", runFont},
    {"fnt", "export glyphs as a Windows FNT font", runFnt},
    {"anim", "list, export or play an animation", runAnim},
    {"sheet", "write a contact sheet of all pictures as GIF, BMP or PNG", runSheet},
    {"print", "print a portfolio's pages to PDF", runPrint},
    {"thumbnail", "draw a portfolio's first pictures as a small PNG", runThumbnail},
};

void usage(std::FILE* out) {
    std::fprintf(out, "Usage: pixelon COMMAND [ARGS...]\n\nCommands:\n");
    for (const Command& c : commands)
        std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
    std::fprintf(out, "\n'pixelon COMMAND --help' describes one command; 'pixelon --version' prints"
                      " the version.\n");
}

} // namespace

int notBuilt(const char* name) {
    std::fprintf(stderr, "pixelon %s is not built into this program yet\n", name);
    return 1;
}

} // namespace pixelon::cli

int main(int argc, char** argv) {
    using namespace pixelon::cli;
    // Ctrl+C or kill during a save leaves the previous file and no half-written one.
    pixelon::RemoveTemporaryFilesOnSignals();
    if (argc < 2) {
        usage(stderr);
        return 1;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
        !std::strcmp(argv[1], "help")) {
        usage(stdout);
        return 0;
    }
    if (!std::strcmp(argv[1], "--version")) {
        pixelon::PrintVersion("pixelon");
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& c : commands) {
        if (std::strcmp(c.name, argv[1]) != 0)
            continue;
        try {
            return c.run(args);
        } catch (const UsageError& e) {
            std::fprintf(stderr, "pixelon %s: %s\n", c.name, printable(e.what()).c_str());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", printable(e.what()).c_str());
        }
        return 1;
    }
    std::fprintf(stderr, "pixelon: unknown command '%s'\n\n", printable(argv[1]).c_str());
    usage(stderr);
    return 1;
}
