#pragma once

#include <optional>
#include <span>

#include "core/AppSettings.h"
#include "core/Document.h"
#include "phone/PhoneTypes.h"

namespace pixelon::app {

// "Export Picture to File...": one save dialog per selected picture, in list order. Cancel skips
// that picture only. The chosen filter index is kept in the settings for the next export.
// `previewSize` is the preview's current size, used where the phone format type has no size for
// the application. Returns the number of files written.
int exportSelectedPictures(Document& document, std::span<const int> selected,
                           CAppSettings& settings,
                           std::optional<PreviewSize> previewSize = std::nullopt);

// The file written for a chosen name: a name without an extension gets the chosen format's
// one, so a GIF is never saved under the dialog's default "bmp".
std::string exportPathFor(const std::string& chosen, int filterIndex);

} // namespace pixelon::app
