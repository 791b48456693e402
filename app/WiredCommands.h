#pragma once

namespace pixelon::app {

class CGlyphonApp;

// Picture import and export: opening picture files, Export Picture.
void registerPictureCommands(CGlyphonApp& app);
// Phone format and application types, send and receive.
void registerPhoneCommands(CGlyphonApp& app);

} // namespace pixelon::app
