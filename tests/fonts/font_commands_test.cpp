#include <gtest/gtest.h>

#include <fstream>

#include "core/AppSettings.h"
#include "core/Colours.h"
#include "core/Portfolio.h"
#include "fonts/FontCommands.h"
#include "platform/Feedback.h"
#include "tests/support/ScriptedChooser.h"
#include "tests/support/TempDir.h"

namespace pixelon {
namespace {

// Each character a solid block as wide as its advance.
class BlockFont : public GlyphRenderer {
public:
    explicit BlockFont(SystemFont f) : font(std::move(f)) {}
    SystemFont font;
    int advance(std::uint8_t) const override { return 3; }
    int height() const override { return font.tenthsOfPoint / 20; }
    bool italic() const override { return font.italic; }
    void draw(Surface& s, std::uint8_t, Colour colour) const override {
        s.fillRect({0, 0, 3, height()}, colour);
    }
};

// Dialogs answered from the test: nothing set means Cancel.
class ScriptedFontDialogs : public FontDialogs {
public:
    std::optional<BdfImportChoice> bdfAnswer;
    std::optional<ChosenFont> fontAnswer;
    std::optional<CharacterSetChoice> charactersAnswer;
    std::optional<FntExportState> fntAnswer; // replaced by the proposal when `acceptFnt`
    bool acceptFnt = false;

    BdfImportChoice bdfProposal;
    int askedTenths = 0;
    SystemFont drawnFont;
    FntExportState fntProposal;

    std::optional<BdfImportChoice> importBdf(const BdfImportChoice& proposal) override {
        bdfProposal = proposal;
        return bdfAnswer;
    }
    std::optional<ChosenFont> chooseFont() override { return fontAnswer; }
    std::optional<CharacterSetChoice> chooseCharacters(int tenths, int) override {
        askedTenths = tenths;
        return charactersAnswer;
    }
    std::unique_ptr<GlyphRenderer> renderer(const SystemFont& font) override {
        drawnFont = font;
        return std::make_unique<BlockFont>(font);
    }
    int dotsPerInch() override { return 96; }
    std::optional<FntExportState> exportFnt(const FntExportState& proposal) override {
        fntProposal = proposal;
        if (acceptFnt)
            return fntAnswer ? fntAnswer : proposal;
        return std::nullopt;
    }
};

const char* TwoGlyphs = "STARTFONT 2.1\nFONTBOUNDINGBOX 4 6 0 -1\nCHARS 2\n"
                        "STARTCHAR A\nENCODING 65\nBBX 4 2 0 0\nBITMAP\nF0\n90\nENDCHAR\n"
                        "STARTCHAR B\nENCODING 66\nBBX 4 1 0 0\nBITMAP\n60\nENDCHAR\nENDFONT\n";

TEST(FontCommands, BdfImportAsksForAFileThenTheRange) {
    test::TempDir dir;
    const auto path = dir.path / "two.bdf";
    std::ofstream(path) << TwoGlyphs;
    CPortfolio portfolio;
    test::ScriptedChooser chooser;
    ScriptedFontDialogs dialogs;
    RecordingFeedback feedback;

    // Cancel in the file dialog, then in the import dialog: nothing changes.
    EXPECT_EQ(RunBdfImport(portfolio, chooser, dialogs, feedback).added, 0);
    ASSERT_EQ(chooser.asked.size(), 1u);
    EXPECT_EQ(chooser.asked[0].filter, "BDF file (*.bdf)|*.bdf|");
    chooser.queuePath(path.string());
    EXPECT_EQ(RunBdfImport(portfolio, chooser, dialogs, feedback).added, 0);
    EXPECT_EQ(dialogs.bdfProposal.rangeFirst, "0041");
    EXPECT_EQ(dialogs.bdfProposal.rangeLast, "0042");
    EXPECT_EQ(portfolio.Count(), 0);

    dialogs.bdfAnswer = dialogs.bdfProposal;
    chooser.queuePath(path.string());
    FontCommandResult result = RunBdfImport(portfolio, chooser, dialogs, feedback);
    EXPECT_EQ(result.added, 2);
    ASSERT_EQ(portfolio.Count(), 2);
    EXPECT_EQ(result.select, &portfolio.Picture(1));
    EXPECT_EQ(portfolio.Picture(0).m_nHeight, 6); // the global height is checked at start

    // A file that cannot be read.
    chooser.queuePath((dir.path / "gone.bdf").string());
    feedback.clear();
    EXPECT_EQ(RunBdfImport(portfolio, chooser, dialogs, feedback).added, 0);
    EXPECT_EQ(feedback.messages().at(0).text,
              (dir.path / "gone.bdf").string() + "\n\nUnable to open file");
}

TEST(FontCommands, WindowsFontAddsTheTenthsAndSelectsTheFirstCode) {
    CurrentMap = &DirectMap;
    CPortfolio portfolio;
    ScriptedFontDialogs dialogs;
    RecordingFeedback feedback;
    EXPECT_EQ(RunWindowsFontImport(portfolio, dialogs, feedback).added, 0);

    dialogs.fontAnswer = ChosenFont{{"Block", 200, false, true}, rgb(0, 0, 255)};
    EXPECT_EQ(RunWindowsFontImport(portfolio, dialogs, feedback).added, 0);
    EXPECT_EQ(dialogs.askedTenths, 200);

    CharacterSetChoice characters;
    characters.rangeFirst = "0041";
    characters.rangeLast = "0043";
    characters.tenths = "5";
    dialogs.charactersAnswer = characters;
    FontCommandResult result = RunWindowsFontImport(portfolio, dialogs, feedback);
    EXPECT_EQ(dialogs.drawnFont.tenthsOfPoint, 205);
    EXPECT_TRUE(dialogs.drawnFont.italic);
    EXPECT_EQ(result.added, 3);
    ASSERT_EQ(portfolio.Count(), 3);
    EXPECT_EQ(result.select, &portfolio.Picture(0));
    EXPECT_EQ(portfolio.Picture(0).m_nHeight, 10);
    EXPECT_EQ(portfolio.Picture(0).GetPixel(0, 0), toRgb565(rgb(0, 0, 255)));
}

TEST(FontCommands, FntExportKeepsTheOptions) {
    test::TempDir dir;
    CPortfolio portfolio;
    portfolio.m_strName = "Set";
    for (int id : {0x41, 0x42}) {
        auto p = std::make_unique<CPicture>();
        p->Create(4, 8, id);
        portfolio.m_pictures.push_back(std::move(p));
    }
    CAppSettings settings;
    settings.m_bDefaultWinFontUnderline = true;
    ScriptedFontDialogs dialogs;
    RecordingFeedback feedback;
    const std::string path = (dir.path / "set.r").string();
    EXPECT_FALSE(RunFntExport(portfolio, path, {}, settings, dialogs, feedback));
    EXPECT_EQ(dialogs.fntProposal.fileName, (dir.path / "set.fnt").string());
    EXPECT_TRUE(dialogs.fntProposal.underline);

    FntExportState answer = dialogs.fntProposal;
    answer.underline = false;
    answer.fixedWidth = true;
    dialogs.fntAnswer = answer;
    dialogs.acceptFnt = true;
    EXPECT_TRUE(RunFntExport(portfolio, path, {}, settings, dialogs, feedback));
    EXPECT_TRUE(std::filesystem::exists(dir.path / "set.fnt"));
    EXPECT_FALSE(settings.m_bDefaultWinFontUnderline);
    EXPECT_TRUE(settings.m_bDefaultWinFontFixed);
}

} // namespace
} // namespace pixelon
