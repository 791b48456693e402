#pragma once

namespace pixelon::ui {

// Control identifiers of dialog 223.
enum Control : int {
    IdOk = 1,
    IdCancel = 2,
    IdAdd = 3,
    IdAddAll = 4,
    IdRemove = 5,
    IdRemoveAll = 6,
    IdDown = 7,
    IdUp = 8,
    IdNewAnimation = 900,
    IdRenameAnimation = 901,
    IdDeleteAnimation = 902,
    IdExportAnimation = 903,
    IdNewImage = 904,
    IdDuplicateImage = 905,
    IdDeleteImage = 906,
    IdHeight = 1002,
    IdWidth = 1003,
    IdImport = 1084,
    IdYOffset = 1167,
    IdXOffset = 1168,
    IdOpaque = 1169,
    IdTransparent = 1170,
    IdDelay = 1171,
    IdPlayOnce = 1172,
    IdLoop = 1173,
    IdLoopForever = 1174,
    IdForwards = 1175,
    IdTimes = 1177,
    IdLoopStart = 1178,
    IdLoopEnd = 1179,
    IdAnimate = 1180,
    IdBackwards = 1182,
    IdPingPong = 1183,
    IdClear = 1186,
    IdZoom = 1187,
    IdCalc = 1188,
    IdDuplicateFrame = 32852,
    // The lists and the preview's scroll bar have no identifiers of their own in the dialog.
    IdAnimationList = 90001,
    IdImageList = 90002,
    IdFrameList = 90003,
    IdStoryboard = 90004,
    IdScroll = 90005,
};

} // namespace pixelon::ui
