#include "phone/PhoneTypes.h"

#include <gtest/gtest.h>

namespace pixelon {
namespace {

using A = ApplicationType;

TEST(PhoneTypes, TransferAndDisplayFamilies) {
    for (int t = 0; t < PhoneFormatTypeCount; ++t) {
        const auto& info = phoneFormatInfo(t);
        EXPECT_EQ(info.value, t);
        bool at = t == 4 || t == 5 || t >= 8;
        EXPECT_EQ(usesAtDownload(t), at) << t;
        EXPECT_EQ(info.transfer == PhoneTransfer::AtDownload, at) << t;
    }
    EXPECT_EQ(&displayMap(phoneFormatInfo(9).display), &MonoMap);
    EXPECT_EQ(&displayMap(phoneFormatInfo(4).display), &GreyMap);
    EXPECT_EQ(&displayMap(phoneFormatInfo(0).display), &CubeMap);
    // The extra saved values preview like type 3 and are named without a row of their own.
    EXPECT_EQ(phoneFormatInfo(13).value, 3);
    EXPECT_TRUE(sendsFiles(12));
    EXPECT_EQ(phoneFormatShortName(9), "HX214");
    EXPECT_EQ(phoneFormatShortName(12), "Type 12");
}

TEST(PhoneTypes, PreviewSizesOnlyForOfferedApplications) {
    EXPECT_FALSE(phoneFormatInfo(0).previewFor(A::Kinetto));
    EXPECT_EQ(*phoneFormatInfo(8).previewFor(A::BackgroundPicture), (PreviewSize{101, 67}));
    EXPECT_EQ(*phoneFormatInfo(11).previewFor(A::Kinetto), (PreviewSize{101, 33}));
    EXPECT_EQ(*phoneFormatInfo(6).previewFor(A::BackgroundPicture), (PreviewSize{73, 26}));
    for (int t = 0; t < PhoneFormatTypeCount; ++t)
        for (int a = 0; a < ApplicationTypeCount; ++a)
            EXPECT_EQ(phoneFormatInfo(t).previewFor(A(a)).has_value(), applicationEnabled(t, A(a)))
                << t << "/" << a;
}

TEST(PhoneTypes, EnablementSets) {
    EXPECT_TRUE(applicationEnabled(12, A::BackgroundPicture));
    EXPECT_FALSE(applicationEnabled(10, A::BackgroundPicture));
    EXPECT_FALSE(applicationEnabled(1, A::VistrelEms));
    EXPECT_TRUE(applicationTypeCommandEnabled(14));
    EXPECT_FALSE(applicationTypeCommandEnabled(3));
    EXPECT_TRUE(receivePictureEnabled(9));
    EXPECT_FALSE(receivePictureEnabled(10));
}

TEST(PhoneTypes, ColourCycleVisitsColourTypesAndFixesApplication) {
    auto r = cycleColourPhoneType(0, A::VistrelEms);
    EXPECT_EQ(r.type, 3);
    EXPECT_EQ(r.app, A::BackgroundPicture);
    EXPECT_EQ(*r.newPictureSize, (PreviewSize{128, 110}));
    r = cycleColourPhoneType(3, A::Kinetto);
    EXPECT_EQ(r.type, 2);
    EXPECT_EQ(r.app, A::BackgroundPicture);
    EXPECT_EQ(*r.newPictureSize, (PreviewSize{101, 80}));
    EXPECT_EQ(cycleColourPhoneType(2, A::VistrelEms).app, A::BackgroundPicture);
    r = cycleColourPhoneType(9, A::VistrelEms);
    EXPECT_EQ(r.type, 0);
    EXPECT_EQ(r.app, A::VistrelEms);
}

TEST(PhoneTypes, GreyCycleOrderAndApplications) {
    int order[] = {4, 8, 9, 5, 6, 7, 10, 11, 4};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        EXPECT_EQ(cycleGreyPhoneType(order[i], A::Kinetto).type, order[i + 1]);
    EXPECT_EQ(cycleGreyPhoneType(0, A::VistrelEms).type, 4);
    EXPECT_EQ(cycleGreyPhoneType(0, A::VistrelEms).app, A::VistrelEms);
    EXPECT_EQ(cycleGreyPhoneType(8, A::VistrelEms).app, A::BackgroundPicture);
    EXPECT_EQ(cycleGreyPhoneType(9, A::VistrelEms).app, A::VistrelEms);
    EXPECT_EQ(cycleGreyPhoneType(7, A::Kinetto).app, A::BackgroundPicture);
    EXPECT_EQ(cycleGreyPhoneType(10, A::BackgroundPicture).app, A::Kinetto);
    EXPECT_FALSE(cycleGreyPhoneType(4, A::Kinetto).newPictureSize);
}

TEST(PhoneTypes, ColourCodesAndBits) {
    EXPECT_EQ(coloursFromCode(0, 4), 2);
    EXPECT_EQ(coloursFromCode(3, 4), 256);
    EXPECT_EQ(coloursFromCode(7, 4), 4);
    EXPECT_EQ(coloursFromCode(-1, 16), 16);
    EXPECT_EQ(bitsForColours(2), 1);
    EXPECT_EQ(bitsForColours(4), 2);
    EXPECT_EQ(bitsForColours(16), 4);
    EXPECT_EQ(bitsForColours(256), 8);
}

} // namespace
} // namespace pixelon
