#pragma once

#include <vector>

#include "core/Picture.h"
#include "phone/PhoneTypes.h"
#include "phone/obex/SendFile.h"

// Sending a picture to a phone composes an export (the picture as the phone receives it, the
// program's file writers) with a transfer from phone/obex/, so it sits above both.

namespace pixelon::obex {

// The pictures "Send Picture to Phone" hands to the send-file dialog: the picture as the phone
// receives it, or, for an EMS send, its pieces of 32 columns (at most three, left first).
std::vector<CPicture> PicturesForSending(const CPicture& picture, int phoneType,
                                         ApplicationType app, int lastExportKind);

// The program's GIF, JPEG and WBMP writers, the GIF capped at the phone type's picture size.
PictureWriters DefaultPictureWriters(int phoneType);

} // namespace pixelon::obex
