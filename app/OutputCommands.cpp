// Printing, the contact sheet and the Portfolio Viewer.

#include "app/GlyphonApp.h"
#include "app/WiredCommands.h"

namespace pixelon::app {

void registerOutputCommands(CGlyphonApp&) {}

} // namespace pixelon::app
