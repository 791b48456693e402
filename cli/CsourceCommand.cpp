// pixelon csource: one picture as C source for phone firmware.

#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/PictureArgument.h"
#include "cli/Report.h"
#include "codecs/CSource.h"
#include "codecs/FileBytes.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon csource PORTFOLIO --id N [--name NAME] -o OUT.c

Writes the C source header and the arrays of the picture with ID N (decimal,
or hexadecimal with 0x): NAME_BitmapData with the pixels packed at the
picture's stored depth (1, 2, 8 or 16 bits), a commented dump, and the
Bitmap_t descriptor NAME_Bitmap. Lines end in CR LF.

  --id N       the picture's ID
  --name NAME  the C identifier prefix (default: the portfolio name, an
               underscore and the ID in four hexadecimal digits)
  -o OUT       the file to write
)";

bool isIdentifier(const std::string& s) {
    if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0])))
        return false;
    for (char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return false;
    return true;
}

std::string defaultName(const std::string& portfolioName, int id) {
    std::string name;
    for (char c : portfolioName)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])))
        name = "_" + name;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%04X", unsigned(id) & 0xFFFF);
    return name + suffix;
}

} // namespace

int runCsource(std::span<const std::string> args) {
    Args parsed(args, {"--id", "--name", "-o"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 1)
        throw UsageError("Expected one portfolio file (see --help)");
    const int id = parsed.requiredInteger("--id");
    const std::filesystem::path out = parsed.required("-o");
    const auto givenName = parsed.value("--name");
    if (givenName && !isIdentifier(*givenName))
        throw UsageError("--name must be a C identifier");

    CliFeedback feedback;
    CPortfolio portfolio;
    if (!readPortfolio(portfolio, parsed.positional()[0], feedback))
        return 1;
    const CPicture& picture = pictureById(portfolio, id, parsed.positional()[0]);
    std::string text;
    WriteSourceHeader(text, std::filesystem::absolute(out).string(), std::time(nullptr));
    text += "\n";
    WritePictureSource(text, picture, givenName.value_or(defaultName(portfolio.m_strName, id)));
    const std::string crlf = ToCrLf(text);
    int error = 0;
    if (!WriteFileAtomically(
            out, std::span(reinterpret_cast<const std::uint8_t*>(crlf.data()), crlf.size()),
            &error)) {
        std::fprintf(stderr, "%s\n",
                     printable(out.string() + ": " + SaveFailureText(error)).c_str());
        return 1;
    }
    return 0;
}

} // namespace pixelon::cli
