#pragma once

namespace pixelon::app {

class CGlyphonApp;

// The picture editor: Edit Picture, New Picture, the user palette commands. Fills in the
// application's editor and New Picture dialog when no test replaced them.
void registerEditingCommands(CGlyphonApp& app);
// Picture import and export: opening picture files, Export Picture.
void registerPictureCommands(CGlyphonApp& app);
// Phone format and application types, send and receive.
void registerPhoneCommands(CGlyphonApp& app);

} // namespace pixelon::app
