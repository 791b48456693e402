// The Animation Editor.

#include "app/GlyphonApp.h"
#include "app/WiredCommands.h"

namespace pixelon::app {

void registerAnimationCommands(CGlyphonApp&) {}

} // namespace pixelon::app
