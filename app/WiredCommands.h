#pragma once

namespace pixelon::app {

class CGlyphonApp;

// The index of the current picture: the caret line when it is selected, else the first
// selected line; -1 without a selection.
int currentPictureIndex(CGlyphonApp& app);

// The picture editor: Edit Picture, New Picture, the user palette commands. Fills in the
// application's editor and New Picture dialog when no test replaced them.
void registerEditingCommands(CGlyphonApp& app);
// Picture import and export: opening picture files, Export Picture.
void registerPictureCommands(CGlyphonApp& app);
// Phone format and application types, send and receive.
void registerPhoneCommands(CGlyphonApp& app);
// Portfolio operations: IDs, heights, merge, picture files, the clipboard, the image grabber.
void registerOperationCommands(CGlyphonApp& app);
// File send over OBEX and the handset gateway's control panel.
void registerObexCommands(CGlyphonApp& app);
// BDF import, system fonts into glyphs, Windows FNT export.
void registerFontCommands(CGlyphonApp& app);
// The Animation Editor.
void registerAnimationCommands(CGlyphonApp& app);
// Printing, the contact sheet and the Portfolio Viewer.
void registerOutputCommands(CGlyphonApp& app);

} // namespace pixelon::app
