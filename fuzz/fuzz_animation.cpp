// fuzz-links: animation operations codecs editing core platform
// Reads bytes as a portfolio, then plays, sizes, exports and previews each of its animations:
// playback must stay within the frames and the editor's preview within its surface.

#include <cstddef>
#include <cstdint>

#include "animation/AnimationEditor.h"
#include "animation/AnimationExport.h"
#include "animation/Playback.h"
#include "codecs/GifWriter.h"
#include "fuzz/FuzzPortfolio.h"

using namespace pixelon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 64 * 1024)
        return 0;
    fuzz::FuzzPortfolio input(fuzz::bytesAsText(data, size));
    CPortfolio& folio = input.folio;
    if (folio.m_animations.size() > 8)
        folio.m_animations.resize(8);
    for (const Animation& animation : folio.m_animations) {
        PlaybackCursor cursor = startPlayback(animation);
        for (int step = 0; step < 2000 && !cursor.finished(); ++step) {
            if (cursor.frame < 0 || cursor.frame >= int(animation.frames.size()))
                __builtin_trap();
            stepPlayback(cursor);
        }
        animationSize(animation, folio);
        if (animation.frames.size() <= 64 && !missingPicture(animation, folio)) {
            animationSourceText(animation, folio, "fuzz.c", 0);
            AnimationGif(animation, folio);
        }
    }
    AnimationEditorServices services;
    AnimationEditor editor(folio, services, true, 1.0);
    editor.setPreviewSize(64, 48);
    for (int i = 0; i < int(folio.m_animations.size()); ++i) {
        editor.selectAnimation(i);
        for (int frame = 0; frame <= editor.scrollMaximum() && frame < 32; ++frame)
            editor.scrollTo(frame);
        editor.setAnimate(true);
        for (int tick = 0; tick < 32 && editor.animating(); ++tick)
            editor.timerFired();
        editor.setAnimate(false);
    }
    return 0;
}
