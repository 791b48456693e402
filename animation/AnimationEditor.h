#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "animation/AnimationLists.h"
#include "animation/PreviewPlayback.h"
#include "core/Animation.h"
#include "platform/Surface.h"

namespace pixelon {

class CPicture;
class CPortfolio;
class Feedback;
class FileChooser;

// What the editor asks of the rest of the program. Unset prompts answer "cancel".
struct AnimationEditorServices {
    Feedback* feedback = nullptr;
    FileChooser* chooser = nullptr; // Export Animation and Import Image/Animation
    PreviewTimer* timer = nullptr;
    // A line of text: (prompt, title, initial text) -> the text, or nothing on Cancel.
    std::function<std::optional<std::string>(std::string_view, std::string_view, std::string_view)>
        askText;
    // The New Picture dialog: a new picture with its ID and size, or nothing on Cancel.
    std::function<std::unique_ptr<CPicture>(const CPortfolio&, int caret)> newPicture;
    // The ID dialog for a duplicate, with the proposed ID; nothing on Cancel.
    std::function<std::optional<int>(int proposed)> askId;
    // The picture editor; true when it ended with OK (the picture then holds the edits).
    std::function<bool(CPicture&)> editPicture;
};

enum class LoopChoice { PlayOnce, Loop, Forever };

// The Animation Editor without its window: working copies of the portfolio's animations, the
// selections of its lists, the frame and loop controls, the preview and its playback. Picture
// commands act on the portfolio at once; animation edits reach it only through accept().
// The editor owns one part per concern (the lists with their selections and frame edits, the
// preview with its playback) and runs the buttons and dialogs over them.
class AnimationEditor {
public:
    static constexpr int StoryboardSize = PreviewPlayback::StoryboardSize;
    static constexpr int NoFrameDelay = PreviewPlayback::NoFrameDelay;

    AnimationEditor(CPortfolio& portfolio, AnimationEditorServices services, bool zoom = false,
                    double viewRatio = 1.0);
    ~AnimationEditor();
    AnimationEditor(const AnimationEditor&) = delete;
    AnimationEditor& operator=(const AnimationEditor&) = delete;

    // Lists.
    const std::vector<Animation>& animations() const { return m_lists.animations(); }
    std::vector<std::string> animationNames() const;
    std::vector<std::string> imageLabels() const; // the portfolio's pictures, "%05d"
    std::vector<std::string> frameLabels() const; // the current animation's frames, "%05d"
    int currentIndex() const { return m_lists.currentIndex(); }
    const Animation* current() const { return m_lists.current(); }
    std::string title() const;
    CPortfolio& portfolio() { return m_portfolio; }
    bool picturesModified() const { return m_modified; }

    // Selections, as the lists report them (indices into the lists).
    void selectAnimation(int index); // -1: none
    void setSelectedImages(std::vector<int> indices);
    const std::vector<int>& selectedImages() const { return m_lists.selectedImages(); }
    void setSelectedFrames(std::vector<int> indices, int focused = -1);
    const std::vector<int>& selectedFrames() const { return m_lists.selectedFrames(); }
    int focusedFrame() const { return m_lists.focusedFrame(); }

    // Animation buttons.
    void newAnimation();
    void renameAnimation();
    void deleteAnimation();
    bool exportCurrent();

    // Picture buttons: they change the portfolio at once.
    void newImage();
    void duplicateImage();
    void deleteImages();
    void importImages();
    // Double clicks: the picture editor on an image, on the one selected frame, or on a
    // storyboard frame.
    void editImage(int index);
    void editSelectedFrame();
    void editStoryboardFrame(int frame);

    // Frame list.
    void addSelectedImages();
    void addAllImages();
    void removeSelectedFrames();
    void removeAllFrames();
    void moveFramesUp();
    void moveFramesDown();
    void duplicateFrame();

    // Frame parameters of the selected frames; nothing leaves that field as it is.
    void setFrameOffset(std::optional<int> x, std::optional<int> y);
    void setFrameDelay(std::optional<int> delay);
    void setFrameDisposal(int disposal); // 0 opaque, 1 transparent, else unchanged
    // The parameter fields' values: the focused frame's (or the first selected one's).
    const AnimationFrame* shownFrame() const { return m_lists.shownFrame(); }

    // Loop settings.
    void playOnce();
    void loop();
    void loopForever();
    // The "times" field: below 2 shows 2 and keeps nrepeats; returns the text to show.
    std::string setTimes(std::string_view text);
    LoopChoice loopChoice() const;
    std::string timesText() const;
    void setLoopStart();
    void setLoopEnd();
    void setLoopMode(int mode);
    void setClearBetweenFrames(bool clear);
    void setSize(std::optional<int> width, std::optional<int> height);
    void calcSize();

    // Preview and playback.
    void setPreviewSize(int width, int height);
    const Surface& preview() const { return m_preview.surface(); }
    double previewScale() const { return m_preview.scale(); }
    // The part of the preview that shows the animation's screen; the rest is background.
    Rect previewScreen() const { return m_preview.screen(); }
    void setZoom(bool zoom);
    bool zoom() const { return m_preview.zoom(); }
    void setAnimate(bool on);
    bool animating() const { return m_preview.animating(); }
    void timerFired();
    void scrollTo(int position);
    int framePosition() const { return m_preview.position(); }
    // nframes - 1, 0 without frames.
    int scrollMaximum() const { return m_preview.scrollMaximum(); }
    // A frame's picture scaled down (never up) to fit the storyboard box; empty when missing.
    Surface thumbnail(int frame) const { return m_preview.thumbnail(frame); }

    // OK: the working copies become the portfolio's animations; true when that changed them.
    // Cancel just drops the copies.
    bool accept();

    // Called whenever lists, fields or the preview must be shown afresh.
    std::function<void()> onChanged;

private:
    CPicture* pictureOfFrame(int frame);
    void changed();
    void loopSettingsChanged();
    void picturesChanged();
    void removeFramesOf(int id);
    void adoptNewAnimations(std::size_t before);
    bool openEditor(CPicture& picture);

    CPortfolio& m_portfolio;
    AnimationEditorServices m_services;
    AnimationLists m_lists;
    PreviewPlayback m_preview;
    bool m_modified = false;
};

// A decimal field's value: nothing for an empty or unreadable field.
std::optional<int> fieldValue(std::string_view text);

} // namespace pixelon
