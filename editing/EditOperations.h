#pragma once

#include <string>
#include <string_view>

#include "editing/PictureEditor.h"

namespace pixelon {

// Applies one operation written as text ("mono", "rotate=left", "select=1,2,3,4", ...) to the
// editor, as the editor's button would. Throws std::invalid_argument with a message naming
// the operation when the text is not one; a size the editor refuses is reported the same way.
void applyEditOperation(PictureEditor& editor, std::string_view operation);

// The operations and their arguments, one a line, for --help.
std::string editOperationsHelp();

} // namespace pixelon
