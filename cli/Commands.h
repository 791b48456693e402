#pragma once

#include <span>
#include <string>

namespace pixelon::cli {

// One subcommand of pixelon: gets the arguments after its name, returns the exit status.
// Each lives in its own file (InfoCommand.cpp, ...).
using CommandFunction = int (*)(std::span<const std::string> args);

struct Command {
    const char* name;
    const char* summary;
    CommandFunction run;
};

int runInfo(std::span<const std::string> args);
int runCopy(std::span<const std::string> args);
int runDump(std::span<const std::string> args);
int runSettings(std::span<const std::string> args);
int runDecode(std::span<const std::string> args);
int runImport(std::span<const std::string> args);
int runExport(std::span<const std::string> args);
int runCsource(std::span<const std::string> args);
int runEncode(std::span<const std::string> args);
int runPhone(std::span<const std::string> args);
int runEdit(std::span<const std::string> args);
int runIds(std::span<const std::string> args);
int runHeight(std::span<const std::string> args);
int runMerge(std::span<const std::string> args);
int runPicture(std::span<const std::string> args);
int runObex(std::span<const std::string> args);
int runBdf(std::span<const std::string> args);
int runBdfExport(std::span<const std::string> args);
int runFont(std::span<const std::string> args);
int runFnt(std::span<const std::string> args);
int runAnim(std::span<const std::string> args);
int runSheet(std::span<const std::string> args);
int runPrint(std::span<const std::string> args);
int runThumbnail(std::span<const std::string> args);

// Reports a command that has not been built into this program yet.
int notBuilt(const char* name);

} // namespace pixelon::cli
