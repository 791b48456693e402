// File send over OBEX and the handset gateway's control panel.

#include "app/GlyphonApp.h"
#include "app/WiredCommands.h"

namespace pixelon::app {

void registerObexCommands(CGlyphonApp&) {}

} // namespace pixelon::app
