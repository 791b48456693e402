// Portfolio operations: IDs, heights, merge, picture files, the clipboard and the grabber.

#include "app/GlyphonApp.h"
#include "app/WiredCommands.h"

namespace pixelon::app {

void registerOperationCommands(CGlyphonApp&) {}

} // namespace pixelon::app
