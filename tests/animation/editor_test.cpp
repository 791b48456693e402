#include <gtest/gtest.h>

#include <climits>
#include <deque>

#include "animation/AnimationEditor.h"
#include "animation/AnimationExport.h"
#include "codecs/GifWriter.h"
#include "core/Colours.h"
#include "core/Document.h"
#include "platform/Feedback.h"
#include "tests/animation/AnimationTestUtil.h"
#include "tests/codecs/codec_test_util.h"

namespace pixelon {
namespace {

using namespace test;

// The preview timer, fired by the test.
class FakeTimer : public PreviewTimer {
public:
    void start(int ms) override {
        running = true;
        started.push_back(ms);
    }
    void stop() override { running = false; }
    bool running = false;
    std::vector<int> started;
};

class ScriptedChooser : public FileChooser {
public:
    std::deque<std::optional<FileAnswer>> answers;
    std::vector<FileRequest> asked;
    std::optional<FileAnswer> next(const FileRequest& r) {
        asked.push_back(r);
        if (answers.empty())
            return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<FileAnswer> chooseOpen(const FileRequest& r) override { return next(r); }
    std::optional<FileAnswer> chooseSave(const FileRequest& r) override { return next(r); }
};

class Editor : public ::testing::Test {
protected:
    void SetUp() override {
        folio.m_pictures.push_back(solidPicture(1, 20, 20, Red565));
        folio.m_pictures.push_back(solidPicture(2, 20, 20, Blue565));
        folio.m_pictures.push_back(solidPicture(3, 4, 4, Black565));
        Animation walk;
        walk.name = "Walk";
        walk.frames = {frameOf(1), frameOf(2, 10, 5)};
        Animation run;
        run.name = "Run";
        run.frames = {frameOf(2), frameOf(3)};
        folio.m_animations = {walk, run};
        services.feedback = &feedback;
        services.chooser = &chooser;
        services.timer = &timer;
        services.askText = [this](std::string_view prompt, std::string_view title,
                                  std::string_view) -> std::optional<std::string> {
            prompts.push_back(std::string(title) + ": " + std::string(prompt));
            if (texts.empty())
                return std::nullopt;
            auto t = texts.front();
            texts.pop_front();
            return t;
        };
        services.editPicture = [this](CPicture& p) {
            edited.push_back(p.m_nId);
            return editorAnswer;
        };
    }
    void TearDown() override { CurrentMap = &DirectMap; }

    std::unique_ptr<AnimationEditor> make() {
        auto e = std::make_unique<AnimationEditor>(folio, services);
        e->setPreviewSize(60, 50);
        return e;
    }

    CPortfolio folio;
    RecordingFeedback feedback;
    ScriptedChooser chooser;
    FakeTimer timer;
    AnimationEditorServices services;
    std::deque<std::optional<std::string>> texts;
    std::vector<std::string> prompts;
    std::vector<int> edited;
    bool editorAnswer = true;
};

TEST_F(Editor, WorksOnCopiesThatOnlyOkHandsBack) {
    auto e = make();
    EXPECT_EQ(e->title(), "Animation Editor");
    EXPECT_EQ(e->animationNames(), (std::vector<std::string>{"Walk", "Run"}));
    EXPECT_EQ(e->imageLabels(), (std::vector<std::string>{"00001", "00002", "00003"}));
    e->selectAnimation(0);
    EXPECT_EQ(e->title(), "Animation Editor - Walk");
    EXPECT_EQ(e->frameLabels(), (std::vector<std::string>{"00001", "00002"}));
    e->removeAllFrames();
    e->loopForever();
    EXPECT_EQ(folio.m_animations[0].frames.size(), 2u); // not yet
    e.reset();                                          // Cancel
    EXPECT_EQ(folio.m_animations[0].frames.size(), 2u);
    EXPECT_EQ(folio.m_animations[0].nrepeats, 1);

    e = make();
    e->selectAnimation(0);
    e->removeAllFrames();
    EXPECT_TRUE(e->accept());
    EXPECT_TRUE(folio.m_animations[0].frames.empty());
    EXPECT_FALSE(make()->accept()); // nothing changed
}

TEST_F(Editor, NewRenameDeleteAnimation) {
    auto e = make();
    texts = {std::string("Jump high"), std::nullopt, std::string("Hop")};
    e->newAnimation();
    EXPECT_EQ(prompts.back(), "New Animation: Enter new animation name:");
    ASSERT_EQ(e->animations().size(), 3u);
    EXPECT_EQ(e->animations()[2].name, "Jump_high"); // names are one token in the file
    Animation expected;
    expected.name = "Jump_high";
    EXPECT_EQ(e->animations()[2], expected);
    EXPECT_EQ(e->currentIndex(), 2);
    e->renameAnimation(); // cancelled
    EXPECT_EQ(e->current()->name, "Jump_high");
    e->renameAnimation();
    EXPECT_EQ(prompts.back(), "Rename Animation: Edit animation name:");
    EXPECT_EQ(e->title(), "Animation Editor - Hop");
    e->deleteAnimation();
    EXPECT_EQ(e->animationNames(), (std::vector<std::string>{"Walk", "Run"}));
    EXPECT_EQ(e->current(), nullptr);
    EXPECT_EQ(e->title(), "Animation Editor");
}

TEST_F(Editor, ControlsChangeNothingWithoutAnAnimation) {
    auto e = make();
    e->setSelectedImages({0, 1});
    e->setSelectedFrames({0}, 0);
    e->addSelectedImages();
    e->addAllImages();
    e->removeSelectedFrames();
    e->removeAllFrames();
    e->moveFramesDown();
    e->duplicateFrame();
    e->setFrameOffset(5, 5);
    e->setFrameDelay(7);
    e->setFrameDisposal(1);
    e->loopForever();
    EXPECT_EQ(e->setTimes("5"), "2");
    e->setLoopStart();
    e->setLoopMode(2);
    e->setClearBetweenFrames(true);
    e->setSize(9, 9);
    e->calcSize();
    e->renameAnimation();
    e->deleteAnimation();
    EXPECT_FALSE(e->exportCurrent());
    e->setAnimate(true);
    EXPECT_FALSE(e->animating());
    EXPECT_EQ(e->animations(), folio.m_animations);
    EXPECT_TRUE(prompts.empty());
}

TEST_F(Editor, AddRemoveAndMoveFrames) {
    auto e = make();
    e->selectAnimation(1); // frames 2, 3
    e->setSelectedImages({2, 0});
    e->addSelectedImages(); // in list order: 1, then 3
    EXPECT_EQ(e->frameLabels(), (std::vector<std::string>{"00002", "00003", "00001", "00003"}));
    EXPECT_EQ(e->current()->frames[2], frameOf(1)); // default parameters
    e->addAllImages();
    EXPECT_EQ(e->frameLabels().size(), 7u);
    e->setSelectedFrames({3, 4, 5, 6});
    e->removeSelectedFrames();
    EXPECT_EQ(e->frameLabels(), (std::vector<std::string>{"00002", "00003", "00001"}));

    e->setSelectedFrames({1, 2}, 2);
    e->moveFramesUp();
    EXPECT_EQ(e->frameLabels(), (std::vector<std::string>{"00003", "00001", "00002"}));
    EXPECT_EQ(e->selectedFrames(), (std::vector<int>{0, 1}));
    EXPECT_EQ(e->focusedFrame(), 1);
    e->moveFramesUp(); // already at the top
    EXPECT_EQ(e->frameLabels(), (std::vector<std::string>{"00003", "00001", "00002"}));
    e->moveFramesDown();
    EXPECT_EQ(e->frameLabels(), (std::vector<std::string>{"00002", "00003", "00001"}));
    e->moveFramesDown(); // already at the bottom
    EXPECT_EQ(e->selectedFrames(), (std::vector<int>{1, 2}));

    e->setSelectedFrames({1}, 1);
    e->setFrameOffset(4, std::nullopt);
    e->setFrameDelay(250);
    e->setFrameDisposal(1);
    e->duplicateFrame();
    EXPECT_EQ(e->current()->frames.back(), (AnimationFrame{3, 4, 0, 1, 250}));
}

TEST_F(Editor, EmptyFieldsAndNoDisposalLeaveFramesAsTheyAre) {
    auto e = make();
    e->selectAnimation(0);
    e->setSelectedFrames({0, 1});
    e->setFrameOffset(fieldValue(""), fieldValue(" 7 "));
    e->setFrameDelay(fieldValue("abc"));
    e->setFrameDisposal(-1);
    EXPECT_EQ(e->current()->frames[0], (AnimationFrame{1, 0, 7, 0, 100}));
    EXPECT_EQ(e->current()->frames[1], (AnimationFrame{2, 10, 7, 0, 100}));
}

TEST_F(Editor, LoopControls) {
    auto e = make();
    e->selectAnimation(0);
    EXPECT_EQ(e->loopChoice(), LoopChoice::PlayOnce);
    e->loop();
    EXPECT_EQ(e->current()->nrepeats, 2);
    EXPECT_EQ(e->timesText(), "2");
    EXPECT_EQ(e->setTimes("1"), "2"); // below 2: shows 2, keeps nrepeats
    EXPECT_EQ(e->current()->nrepeats, 2);
    EXPECT_EQ(e->setTimes("5"), "5");
    EXPECT_EQ(e->current()->nrepeats, 5);
    EXPECT_EQ(e->setTimes(""), "2");
    EXPECT_EQ(e->current()->nrepeats, 5);
    EXPECT_EQ(e->loopChoice(), LoopChoice::Loop);
    e->loopForever();
    EXPECT_EQ(e->loopChoice(), LoopChoice::Forever);
    e->playOnce();
    EXPECT_EQ(e->current()->nrepeats, 1);

    e->setLoopStart(); // no focused frame: nothing
    EXPECT_EQ(e->current()->loopstart, -1);
    e->setSelectedFrames({1}, 1);
    e->setLoopStart();
    e->setLoopEnd();
    e->setLoopMode(2);
    e->setLoopMode(7);
    e->setClearBetweenFrames(true);
    EXPECT_EQ(e->current()->loopstart, 1);
    EXPECT_EQ(e->current()->loopend, 1);
    EXPECT_EQ(e->current()->loopmode, 2);
    EXPECT_EQ(e->current()->clearbetweenframes, 1);
}

TEST_F(Editor, CalcSetsTheSizeTheFramesNeed) {
    auto e = make();
    e->selectAnimation(0);
    e->calcSize();
    EXPECT_EQ(e->current()->width, 30);
    EXPECT_EQ(e->current()->height, 25);
    e->setSize(std::nullopt, 40);
    EXPECT_EQ(e->current()->width, 30);
    EXPECT_EQ(e->current()->height, 40);
}

TEST_F(Editor, DeletingAPictureRemovesItsFramesEverywhereAtOnce) {
    auto e = make();
    e->setSelectedImages({1}); // picture 2, used by both animations
    e->deleteImages();
    EXPECT_EQ(folio.Count(), 2);
    EXPECT_TRUE(e->picturesModified());
    EXPECT_EQ(e->animations()[0].frames, (std::vector<AnimationFrame>{frameOf(1)}));
    EXPECT_EQ(e->animations()[1].frames, (std::vector<AnimationFrame>{frameOf(3)}));
    // The picture is gone even if the editor is cancelled, and so are its frames.
    e.reset();
    EXPECT_EQ(folio.m_animations[0].frames.size(), 1u);
    EXPECT_EQ(folio.m_animations[1].frames.size(), 1u);
}

TEST_F(Editor, NewAndDuplicateImageActOnThePortfolioAndOpenTheEditor) {
    services.newPicture = [](const CPortfolio&, int caret) {
        EXPECT_EQ(caret, 0);
        return solidPicture(9, 3, 3, White565);
    };
    std::vector<int> proposals;
    services.askId = [&](int proposed) -> std::optional<int> {
        proposals.push_back(proposed);
        return proposals.size() == 1 ? std::nullopt : std::optional<int>(proposed);
    };
    editorAnswer = false;
    auto e = make();
    e->setSelectedImages({0});
    e->newImage();
    EXPECT_EQ(e->imageLabels().back(), "00009");
    EXPECT_EQ(edited, std::vector<int>{9}); // kept though the editor was cancelled
    e->setSelectedImages({0});
    e->duplicateImage(); // ID dialog cancelled
    EXPECT_EQ(folio.Count(), 4);
    e->duplicateImage();
    EXPECT_EQ(proposals, (std::vector<int>{4, 4}));
    EXPECT_EQ(folio.Count(), 5);
    EXPECT_EQ(folio.FindPicture(4)->m_nWidth, 20);
    EXPECT_EQ(edited.back(), 4);
    EXPECT_TRUE(e->picturesModified());
}

TEST_F(Editor, DoubleClicksOpenThePictureEditor) {
    auto e = make();
    e->selectAnimation(0);
    e->editImage(2);
    EXPECT_EQ(edited, std::vector<int>{3});
    e->setSelectedFrames({0, 1});
    e->editSelectedFrame(); // two frames selected: nothing
    EXPECT_EQ(edited.size(), 1u);
    e->setSelectedFrames({1});
    e->editSelectedFrame();
    e->editStoryboardFrame(0);
    e->editStoryboardFrame(5);
    EXPECT_EQ(edited, (std::vector<int>{3, 2, 1}));
    EXPECT_TRUE(e->picturesModified());
}

TEST_F(Editor, ImportedAnimationsJoinTheWorkingCopies) {
    // A two-image GIF: two pictures and an animation "New_Animation".
    GifFile gif = AnimationGif(folio.m_animations[0], folio);
    ScratchDir dir;
    ASSERT_TRUE(WriteGifFile(gif, dir / "two.gif"));
    chooser.answers.push_back(FileAnswer{{(dir / "two.gif").string()}, 1, {}, {}});
    auto e = make();
    e->importImages();
    EXPECT_EQ(chooser.asked.back().title, "Insert Picture from file");
    EXPECT_EQ(folio.Count(), 5);
    EXPECT_EQ(e->animationNames().back(), "New_Animation");
    EXPECT_TRUE(e->picturesModified());
    // The import acted on the portfolio at once, animation included; OK keeps it.
    EXPECT_EQ(folio.m_animations.size(), 3u);
    e->selectAnimation(2);
    e->setSize(1, 1);
    EXPECT_TRUE(e->accept());
    EXPECT_EQ(folio.m_animations.size(), 3u);
    EXPECT_EQ(folio.m_animations[2].width, 1);
}

TEST_F(Editor, PlayOnceShowsEachFrameOnceThenClearsAnimate) {
    auto e = make();
    e->selectAnimation(1);
    e->setSelectedFrames({0, 1});
    e->setFrameDelay(40);
    e->setAnimate(true);
    EXPECT_TRUE(e->animating());
    EXPECT_EQ(e->framePosition(), 0);
    EXPECT_EQ(timer.started, std::vector<int>{40});
    e->timerFired();
    EXPECT_EQ(e->framePosition(), 1);
    EXPECT_TRUE(e->animating());
    e->timerFired();
    EXPECT_FALSE(e->animating());
    EXPECT_EQ(timer.started.size(), 2u);
    e->timerFired(); // a late tick after the end changes nothing
    EXPECT_EQ(timer.started.size(), 2u);
}

TEST_F(Editor, LoopChangesRestartPlaybackAndEmptyAnimationsWaitTheDefaultDelay) {
    auto e = make();
    e->selectAnimation(0);
    e->setAnimate(true);
    e->timerFired();
    EXPECT_EQ(e->framePosition(), 1);
    e->setSelectedFrames({0}, 0);
    e->setLoopStart();
    e->loopForever(); // restarts at the first frame
    EXPECT_EQ(e->framePosition(), 0);
    for (int i = 0; i < 5; ++i)
        e->timerFired();
    EXPECT_TRUE(e->animating());
    e->setAnimate(false);
    EXPECT_FALSE(timer.running);

    e->removeAllFrames();
    e->setAnimate(true);
    EXPECT_EQ(timer.started.back(), 100);
    e->timerFired();
    EXPECT_FALSE(e->animating());
}

TEST_F(Editor, ZeroDelayDoesNotSpinThePreview) {
    auto e = make();
    e->selectAnimation(0);
    e->setSelectedFrames({0, 1});
    e->setFrameDelay(0);
    e->setAnimate(true);
    EXPECT_GT(timer.started.back(), 0);
}

TEST_F(Editor, PreviewDrawsOpaqueAndAndsTransparentFramesClippedToTheScreen) {
    folio.m_pictures.push_back(solidPicture(4, 20, 20, Green565));
    auto e = make();
    e->selectAnimation(0);
    e->setSize(25, 25); // clips the second frame's right part
    e->scrollTo(0);
    EXPECT_EQ(e->preview().pixel(5, 5), rgb(255, 0, 0));
    e->scrollTo(1);
    EXPECT_EQ(e->preview().pixel(12, 12), rgb(0, 0, 255));     // opaque: covers the red
    EXPECT_EQ(e->preview().pixel(5, 5), rgb(255, 0, 0));       // earlier frame stays
    EXPECT_EQ(e->preview().pixel(27, 12), rgb(255, 255, 255)); // outside 25 x 25
    // A transparent green frame over red and blue: red AND green is black, blue AND green too.
    e->addAllImages();
    e->setSelectedFrames({5}, 5);
    e->setFrameDisposal(1);
    e->scrollTo(5);
    EXPECT_EQ(e->preview().pixel(5, 5), rgb(0, 0, 0));
    // Clear between frames starts each frame on white.
    e->setClearBetweenFrames(true);
    e->scrollTo(5);
    EXPECT_EQ(e->preview().pixel(5, 5), rgb(0, 255, 0));
}

TEST_F(Editor, ZoomScalesByWholeFactorsAndTheViewRatio) {
    auto e = std::make_unique<AnimationEditor>(folio, services, true, 1.0);
    e->setPreviewSize(100, 80);
    e->selectAnimation(0);
    e->calcSize();                     // 30 x 25
    EXPECT_EQ(e->previewScale(), 3.0); // min(100 / 30, 80 / 25) = 3.2 -> 3
    e->scrollTo(0);
    EXPECT_EQ(e->preview().pixel(59, 59), rgb(255, 0, 0)); // the red 20 x 20 is 60 x 60
    EXPECT_EQ(e->preview().pixel(61, 10), rgb(255, 255, 255));
    e->setZoom(false);
    EXPECT_EQ(e->previewScale(), 1.0);
    // A preview smaller than the animation shrinks it.
    auto small = std::make_unique<AnimationEditor>(folio, services, true, 2.0);
    small->setPreviewSize(30, 25);
    small->selectAnimation(0);
    small->calcSize();
    EXPECT_DOUBLE_EQ(small->previewScale(), 0.5); // min(30 / (30 * 2), 25 / 25)
}

TEST_F(Editor, ExtremeScalesAndOffsetsStayWithinThePreview) {
    // A 1 x 1 screen zoomed into a 600 x 500 preview: a scale of 500 over a 20 x 20 picture.
    auto e = std::make_unique<AnimationEditor>(folio, services, true, 1.0);
    e->setPreviewSize(600, 500);
    e->selectAnimation(0);
    e->setSize(1, 1);
    EXPECT_EQ(e->previewScale(), 500.0);
    e->scrollTo(0);
    EXPECT_EQ(e->preview().pixel(499, 499), rgb(255, 0, 0));
    EXPECT_EQ(e->preview().pixel(500, 10), rgb(255, 255, 255));
    // Offsets at the ends of the integer range draw nothing and overflow nothing.
    e->setSelectedFrames({0, 1});
    e->setFrameOffset(INT_MAX, INT_MIN);
    e->scrollTo(1);
    EXPECT_EQ(animationSize(e->animations()[0], folio), (AnimationSize{INT_MAX, 0}));
}

TEST_F(Editor, ShrinkingKeepsBlackLines) {
    auto lines = solidPicture(7, 40, 40, White565);
    for (int i = 0; i < 40; ++i)
        lines->SetPixel(i, 17, Black565); // one black row
    folio.m_pictures.push_back(std::move(lines));
    folio.m_animations[0].frames = {frameOf(7)};
    auto e = std::make_unique<AnimationEditor>(folio, services, true, 1.0);
    e->setPreviewSize(10, 10); // a quarter of the size
    e->selectAnimation(0);
    e->scrollTo(0);
    EXPECT_DOUBLE_EQ(e->previewScale(), 0.25);
    EXPECT_EQ(e->preview().pixel(3, 4), rgb(0, 0, 0));
    EXPECT_EQ(e->preview().pixel(3, 3), rgb(255, 255, 255));
}

TEST_F(Editor, StoryboardThumbnailsFitTheirBox) {
    folio.m_pictures.push_back(solidPicture(5, 128, 64, Red565));
    auto e = make();
    e->selectAnimation(0);
    e->addAllImages();
    EXPECT_EQ(e->thumbnail(0).width(), 20);
    const Surface big = e->thumbnail(5);
    EXPECT_EQ(big.width(), AnimationEditor::StoryboardSize);
    EXPECT_EQ(big.height(), AnimationEditor::StoryboardSize / 2);
    EXPECT_TRUE(e->thumbnail(99).empty());
}

TEST_F(Editor, ExportGoesThroughTheSaveDialog) {
    ScratchDir dir;
    chooser.answers.push_back(FileAnswer{{(dir / "walk.gif").string()}, 1, {}, {}});
    auto e = make();
    e->selectAnimation(0);
    EXPECT_TRUE(e->exportCurrent());
    EXPECT_EQ(chooser.asked.back().defaultName, "Walk");
    EXPECT_TRUE(std::filesystem::exists(dir / "walk.gif"));
}

} // namespace
} // namespace pixelon
