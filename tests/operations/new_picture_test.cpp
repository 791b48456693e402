#include <gtest/gtest.h>

#include "core/Portfolio.h"
#include "editing/EditorSession.h"
#include "editing/PictureEditor.h"
#include "operations/Ids.h"
#include "operations/NewPicture.h"
#include "platform/Feedback.h"

namespace pixelon {
namespace {

CPortfolio portfolioWith(std::initializer_list<int> ids) {
    CPortfolio portfolio;
    for (int id : ids) {
        auto p = std::make_unique<CPicture>();
        p->Create(10 + id, 20 + id, id);
        portfolio.m_pictures.push_back(std::move(p));
    }
    return portfolio;
}

TEST(NewPicture, Proposals) {
    CPortfolio empty;
    EXPECT_EQ(NewPictureModel(empty, -1).idText(), "00001");
    CPortfolio some = portfolioWith({1, 2, 4});
    NewPictureModel onFirst(some, 0);
    EXPECT_EQ(onFirst.idText(), "00003");
    EXPECT_EQ(onFirst.width(), 11);
    NewPictureModel none(some, -1);
    EXPECT_EQ(none.idText(), "00005");
    EXPECT_EQ(none.height(), 24);
    CPortfolio top = portfolioWith({65535});
    // Past the top of the 16-bit range the proposal goes on from 0.
    EXPECT_EQ(NewPictureModel(top, 0).idText(), "00000");
}

TEST(NewPicture, RangesAndWhiteGreyIndices) {
    CPortfolio empty;
    NewPictureModel dialog(empty, -1);
    dialog.setWidth(1301);
    EXPECT_EQ(dialog.validate(), "Please enter an integer between 1 and 1300.");
    dialog.setWidth(1300);
    dialog.setHeight(0);
    EXPECT_EQ(dialog.validate(), "Please enter an integer between 1 and 1360.");
    dialog.setHeight(1360);
    dialog.setIdText("70000");
    EXPECT_TRUE(dialog.validate());
    EXPECT_FALSE(dialog.create());
    dialog.setIdText("00042");
    dialog.setWidth(3);
    dialog.setHeight(2);
    auto p = dialog.create();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->m_nId, 42);
    EXPECT_EQ(p->GetPixel(2, 1), 3);
    EXPECT_EQ(p->m_nDepth, 1);
    EXPECT_EQ(p->PixelColour(0, 0), colourWhite);
}

TEST(NewPicture, CancelledEditorLeavesColoursThatSave) {
    CPortfolio empty;
    auto p = NewPictureModel(empty, -1).create();
    ASSERT_TRUE(p);
    const EditorResult r = editNewPicture(*p, [](CPicture&) { return EditorResult::Cancel; });
    EXPECT_EQ(r, EditorResult::Cancel);
    EXPECT_EQ(p->m_nDepth, 16);
    EXPECT_EQ(p->GetPixel(0, 0), 0xFFFF);
    EXPECT_EQ(p->ClassifyDepth(), 1);
}

TEST(NewPicture, OkRunsTheEditorOnThePicture) {
    CPortfolio empty;
    auto p = NewPictureModel(empty, -1).create();
    RecordingFeedback feedback;
    editNewPicture(*p, [&](CPicture& picture) {
        PictureEditor editor(picture, feedback);
        EXPECT_EQ(editor.pixel(0, 0), colourWhite);
        editor.mouseDown(MouseButton::Left, 0, 0);
        editor.mouseUp(MouseButton::Left, 0, 0);
        editor.accept(picture);
        return EditorResult::Ok;
    });
    EXPECT_EQ(p->GetPixel(0, 0), 0);
    EXPECT_EQ(p->GetPixel(1, 0), 0xFFFF);
    EXPECT_EQ(p->m_nDepth, 16);
    CurrentMap = &DirectMap;
}

} // namespace
} // namespace pixelon
