#pragma once

#include <functional>
#include <vector>

#include "core/Picture.h"
#include "phone/obex/SendFile.h"

namespace pixelon::app {

class CGlyphonApp;

// Opens "Send File to Phone": for a picture send with the prepared pictures, else for a plain
// file the user chooses.
void openSendFile(CGlyphonApp& app, std::vector<CPicture> pictures);

// Tests take the dialog's setup here instead of a window; an empty function restores it.
void setSendFileRunner(std::function<void(obex::SendFileLogic::Setup)> runner);

} // namespace pixelon::app
