// pixelon export: one picture as the phone would receive it, as GIF, JPEG or WBMP; or as it is,
// as PNG.

#include <cstdio>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/PictureArgument.h"
#include "cli/Report.h"
#include "core/Portfolio.h"
#include "operations/PictureExport.h"
#include "phone/PhoneTypes.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon export PORTFOLIO --id N --format gif|jpg|wbmp|png
                      -o OUT
                      [--phone-type T] [--app-type A] [--size WxH]

Writes the picture with ID N (decimal, or hexadecimal with 0x) in the form the
phone of format type T would receive it. For types 12 and 13 the picture is
written as it is; for the others it is drawn at the top-left of a white
preview of the application's size and taken back through the palette map of
the phone type. For type 14, and for an application the phone type does not
offer, the preview keeps its previous size: --size, else 101 x 80. A GIF is
cut to the type's picture size (128 x 110 for type 3, else 101 x 80); a WBMP
keeps the preview's size. A PNG is the picture itself at its own size and
depth: 1- and 2-bit pictures as 1- and 2-bit palette images of their grey
levels, 8-bit pictures as 8-bit palette images, 16-bit pictures as RGB, an
Icon's transparent pixels transparent. The success report goes to standard
output.

  --id N           the picture's ID
  --format F       gif, jpg (or jpeg), wbmp or png
  -o OUT           the file to write
  --phone-type T   phone format type 0..14 (default 0)
  --app-type A     application: 0 (Kto, kinetto), 1 (BaP, background) or
                   2 (EMS, ems); default 0
  --size WxH       the preview's previous size (see above)
)";

ExportType formatOf(const std::string& text) {
    if (text == "gif")
        return ExportType::Gif;
    if (text == "jpg" || text == "jpeg")
        return ExportType::Jpeg;
    if (text == "wbmp")
        return ExportType::Wbmp;
    if (text == "png")
        return ExportType::Png;
    throw UsageError("--format must be gif, jpg, wbmp or png");
}

} // namespace

int runExport(std::span<const std::string> args) {
    Args parsed(args, {"--id", "--format", "-o", "--phone-type", "--app-type", "--size"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 1)
        throw UsageError("Expected one portfolio file (see --help)");
    const int id = parsed.requiredInteger("--id");
    ExportRequest request;
    request.type = formatOf(parsed.required("--format"));
    request.path = parsed.required("-o");
    request.phoneType = parsed.integer("--phone-type", 0);
    if (request.phoneType < 0 || request.phoneType > PhoneFormatTypeMaxSetting)
        throw UsageError("--phone-type must be 0 to " + std::to_string(PhoneFormatTypeMaxSetting));
    request.app = applicationArgument(parsed.value("--app-type"));
    if (auto size = parsed.value("--size"))
        request.previewSize = sizeArgument("--size", *size);

    CliFeedback feedback;
    feedback.reportsToStdout(true);
    CPortfolio portfolio;
    if (!readPortfolio(portfolio, parsed.positional()[0], feedback))
        return 1;
    const CPicture& picture = pictureById(portfolio, id, parsed.positional()[0]);
    feedback.setSubject(request.path.string());
    return ExportPicture(picture, request, feedback) ? 0 : 1;
}

} // namespace pixelon::cli
