#include <sys/stat.h>

#include "hostsdk/commands/HostExportTest.h"
#include "hostsdk/pdf/Poppler.h"
#include "hostsdk/pdf/QpdfCheck.h"

namespace {

using namespace hostsdktest;
using poppler::Box;

// Five pages of 300 x 400 points; pages 4 and 5 form section "B".
const char* const kBrochure = R"({
  "name": "Brochure.indd", "pageSize": [300, 400],
  "bleed": {"top": 9, "bottom": 9, "inside": 6, "outside": 12}, "slug": 24,
  "pages": [{"text": ["Page 1"], "rectangle": [20, 80, 100, 50]}, {"text": ["Page 2"]},
            {"text": ["Page 3"]}, {"text": ["Page 4"]}, {"text": ["Page 5"]}],
  "sections": [{"page": 4, "prefix": "B", "start": 1}],
  "fonts": [{"name": "DejaVu Serif"}, {"name": "DejaVu Sans"}]
})";

class HostPDFExportCommandTest : public HostExportTest {
protected:
    void SetUp() override {
        HostExportTest::SetUp();
        mDocument = Open(Write("brochure.json", kBrochure));
        ASSERT_TRUE(mDocument);
    }
    void TearDown() override {
        mDocument.reset();
        EndHostAndExpectAllReleased();
    }

    std::string FirstLine(int page) const {
        std::string text = poppler::Text(mPdf, page);
        const std::string::size_type start = text.find("Page ");
        return start == std::string::npos ? text : text.substr(start, text.find('\n', start) - start);
    }

    InterfacePtr<IDocument> mDocument;
    std::string mPdf = mFolder / "Brochure.pdf";
};

void ExpectBox(const Box& box, double x1, double y1, double x2, double y2) {
    EXPECT_NEAR(box.x1, x1, 0.01);
    EXPECT_NEAR(box.y1, y1, 0.01);
    EXPECT_NEAR(box.x2, x2, 0.01);
    EXPECT_NEAR(box.y2, y2, 0.01);
}

TEST_F(HostPDFExportCommandTest, TheRangeGivesThePagesAndTheirOrder) {
    struct Case {
        const char* range;
        std::vector<std::string> pages;
    };
    const Case cases[] = {
        {"3, 1-2", {"Page 3", "Page 1", "Page 2"}},
        {"B:1-B:2", {"Page 4", "Page 5"}},
        {"+5,1", {"Page 5", "Page 1"}},
        // Page 1 is the first page numbered 1: the section without prefix comes first.
        {"1,B:1,2-3,2", {"Page 1", "Page 4", "Page 2", "Page 3"}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Export(mDocument.get(), c.range, mPdf), kSuccess) << c.range;
        ASSERT_EQ(poppler::PageCount(mPdf), static_cast<int>(c.pages.size())) << c.range;
        for (std::size_t i = 0; i < c.pages.size(); ++i)
            EXPECT_EQ(FirstLine(static_cast<int>(i) + 1), c.pages[i]) << c.range;
    }
    ASSERT_EQ(Export(mDocument.get(), nullptr, mPdf), kSuccess);
    EXPECT_EQ(poppler::PageCount(mPdf), 5);
}

TEST_F(HostPDFExportCommandTest, BoxesGrowByBleedAndSlug) {
    // The document's bleed, no slug: the media box is the bleed box.
    ASSERT_EQ(Export(mDocument.get(), "1", mPdf, [](IPDFExportPrefs& prefs) { prefs.SetUseDocumentBleed(true); }),
              kSuccess);
    auto boxes = poppler::Boxes(mPdf, 1);
    ExpectBox(boxes["MediaBox"], 0, 0, 318, 418);
    ExpectBox(boxes["TrimBox"], 6, 9, 306, 409);
    ExpectBox(boxes["BleedBox"], 0, 0, 318, 418);
    // With the slug, 24 points more on every side.
    ASSERT_EQ(Export(mDocument.get(), "1", mPdf, [](IPDFExportPrefs& prefs) {
                  prefs.SetUseDocumentBleed(true);
                  prefs.SetIncludeSlug(true);
              }),
              kSuccess);
    boxes = poppler::Boxes(mPdf, 1);
    ExpectBox(boxes["MediaBox"], 0, 0, 366, 466);
    ExpectBox(boxes["TrimBox"], 30, 33, 330, 433);
    ExpectBox(boxes["BleedBox"], 24, 24, 342, 442);
    // The preferences' own bleed, in fractions of a point.
    ASSERT_EQ(Export(mDocument.get(), "2", mPdf, [](IPDFExportPrefs& prefs) {
                  prefs.SetBleedTop(8.5);
                  prefs.SetBleedInside(0);
                  prefs.SetBleedOutside(3.25);
                  prefs.SetBleedBottom(1);
              }),
              kSuccess);
    boxes = poppler::Boxes(mPdf, 1);
    ExpectBox(boxes["MediaBox"], 0, 0, 303.25, 409.5);
    ExpectBox(boxes["TrimBox"], 0, 1, 300, 401);
}

TEST_F(HostPDFExportCommandTest, SpreadsKeepFacingPagesTogether) {
    const auto spreads = [](IPDFExportPrefs& prefs) {
        prefs.SetSpreads(true);
        prefs.SetUseDocumentBleed(true);
    };
    ASSERT_EQ(Export(mDocument.get(), nullptr, mPdf, spreads), kSuccess);
    ASSERT_EQ(poppler::PageCount(mPdf), 3);
    // The first page alone, then 2-3 and 4-5 side by side with the outside bleed on both sides.
    ExpectBox(poppler::Boxes(mPdf, 1)["TrimBox"], 6, 9, 306, 409);
    ExpectBox(poppler::Boxes(mPdf, 2)["TrimBox"], 12, 9, 612, 409);
    ExpectBox(poppler::Boxes(mPdf, 3)["MediaBox"], 0, 0, 624, 418);
    EXPECT_EQ(qpdfcheck::Repairs(mPdf), "");
    // A listed page whose partner is not listed stands alone.
    ASSERT_EQ(Export(mDocument.get(), "+2,+4-+5", mPdf, spreads), kSuccess);
    ASSERT_EQ(poppler::PageCount(mPdf), 2);
    EXPECT_NEAR(poppler::Boxes(mPdf, 1)["TrimBox"].Width(), 300, 0.01);
    EXPECT_NEAR(poppler::Boxes(mPdf, 2)["TrimBox"].Width(), 600, 0.01);
}

TEST_F(HostPDFExportCommandTest, MarksAreDrawnOutsideTheTrimAtTheirOffset) {
    ASSERT_EQ(Export(mDocument.get(), "1", mPdf), kSuccess);
    const poppler::Picture plain = poppler::Render(mPdf, 1, mFolder.Path());
    ASSERT_EQ(plain.width, 300);
    ASSERT_EQ(Export(mDocument.get(), "1", mPdf, [](IPDFExportPrefs& prefs) {
                  prefs.SetCropMarks(true);
                  prefs.SetRegistrationMarks(true);
                  prefs.SetColorBars(true);
                  prefs.SetPageInformation(true);
                  prefs.SetMarksOffset(10);
                  prefs.SetMarksWeight(1);
              }),
              kSuccess);
    // Marks begin 10 points outside the trim and are 18 long: 28 points on every side.
    auto boxes = poppler::Boxes(mPdf, 1);
    ExpectBox(boxes["MediaBox"], 0, 0, 356, 456);
    ExpectBox(boxes["TrimBox"], 28, 28, 328, 428);
    const poppler::Picture marked = poppler::Render(mPdf, 1, mFolder.Path());
    ASSERT_EQ(marked.width, 356);
    // Crop mark left of the top left corner, on the trim's top edge; nothing within the offset.
    EXPECT_GT(marked.DarkIn(0, 27, 18, 29), 10);
    EXPECT_EQ(marked.DarkIn(19, 0, 28, 27), 0);
    // The registration target above the middle, the colour bars to its left, the page information below.
    EXPECT_GT(marked.DarkIn(170, 0, 186, 18), 10);
    EXPECT_GT(marked.DarkIn(46, 0, 150, 18), 50);
    EXPECT_NE(poppler::Text(mPdf, 1).find("Brochure.indd Page 1"), std::string::npos) << poppler::Text(mPdf, 1);
    // The page itself is drawn as without marks, moved by the margin.
    EXPECT_GT(marked.DarkIn(28 + 20, 28 + 80, 28 + 120, 28 + 130), 100);
    EXPECT_EQ(marked.DarkIn(28 + 20, 28 + 80, 28 + 120, 28 + 130), plain.DarkIn(20, 80, 120, 130));
}

TEST_F(HostPDFExportCommandTest, BleedMarksStandAtTheBleedsCorners) {
    ASSERT_EQ(Export(mDocument.get(), "1", mPdf, [](IPDFExportPrefs& prefs) {
                  prefs.SetUseDocumentBleed(true);
                  prefs.SetBleedMarks(true);
                  prefs.SetMarksOffset(0);
              }),
              kSuccess);
    // Marks start at the bleed (the offset is never inside it): margins are bleed plus 18.
    auto boxes = poppler::Boxes(mPdf, 1);
    ExpectBox(boxes["MediaBox"], 0, 0, 354, 454);
    const poppler::Picture marked = poppler::Render(mPdf, 1, mFolder.Path());
    // The top left bleed corner is at (24 - 6, 27 - 9) from the top left.
    EXPECT_GT(marked.DarkIn(0, 17, 18, 19), 5);
}

TEST_F(HostPDFExportCommandTest, TextIsSetInRealEmbeddedFonts) {
    ASSERT_EQ(Export(mDocument.get(), "1", mPdf), kSuccess);
    const std::string fonts = poppler::Fonts(mPdf);
    EXPECT_NE(fonts.find("DejaVuSerif"), std::string::npos) << fonts;
    EXPECT_NE(fonts.find("yes"), std::string::npos) << fonts;
}

TEST_F(HostPDFExportCommandTest, APdfNotWrittenWholeIsNotLeftBehind) {
    ASSERT_EQ(Export(mDocument.get(), "1", mPdf), kSuccess);
    const std::string before = poppler::Text(mPdf, 1);
    HostFaults::Arm("HostPdfWriter::DrawPage", 2);
    EXPECT_EQ(Export(mDocument.get(), "3-4", mPdf), kFailure);
    // The earlier PDF stands as it was; no part of the new one is left.
    EXPECT_EQ(Listing(), (std::vector<std::string>{"Brochure.pdf", "brochure.json"}));
    EXPECT_EQ(poppler::Text(mPdf, 1), before);
    EXPECT_EQ(poppler::PageCount(mPdf), 1);
    EXPECT_EQ(Export(mDocument.get(), "1", mFolder / "absent/Brochure.pdf"), kFailure);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"Brochure.pdf", "brochure.json"}));
}

TEST_F(HostPDFExportCommandTest, ACommandWithoutFileOrPagesFailsAndRunsOnce) {
    InterfacePtr<ICommand> command(CmdUtils::CreateCommand(0x2505));
    ASSERT_TRUE(command);
    EXPECT_EQ(CmdUtils::ProcessCommand(command.get()), kFailure);
    EXPECT_EQ(CmdUtils::ProcessCommand(command.get()), kFailure);
    EXPECT_EQ(HostCallLog::Violations(), 1);
    EXPECT_FALSE(InterfacePtr<ICommand>(CmdUtils::CreateCommand(0x1234)));
    HostFaults::Arm("CmdUtils::CreateCommand", 3);
    EXPECT_FALSE(InterfacePtr<ICommand>(CmdUtils::CreateCommand(0x2505)));
    HostFaults::Arm("IPDFExportData", 0);
    EXPECT_EQ(Export(mDocument.get(), "1", mPdf), kFailure);
    HostFaults::Reset();
    HostFaults::Arm("CmdUtils::ProcessCommand", 0);
    EXPECT_EQ(Export(mDocument.get(), "1", mPdf), kFailure);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"brochure.json"}));
}

TEST_F(HostPDFExportCommandTest, JobOptionsReplaceTheSettingsOrLeaveThemWhenInvalid) {
    const std::string good = Write("good.joboptions", "# settings\nspreads = true\nbleedTop = 4\r\n");
    const std::string bad = Write("bad.joboptions", "spreads = yes\n");
    ASSERT_EQ(Export(mDocument.get(), nullptr, mPdf, [&](IPDFExportPrefs& prefs) {
                  EXPECT_EQ(prefs.ReadJobOptions(IDFile(PMString(good))), kSuccess);
                  EXPECT_EQ(prefs.GetSpreads(), 1);
                  prefs.SetCropMarks(true);
                  EXPECT_NE(prefs.ReadJobOptions(IDFile(PMString(bad))), kSuccess);
                  EXPECT_NE(prefs.ReadJobOptions(IDFile(PMString(mFolder / "absent"))), kSuccess);
              }),
              kSuccess);
    // Spreads and the crop marks stood: three sheets, 4 points of bleed above, marks room around.
    EXPECT_EQ(poppler::PageCount(mPdf), 3);
    ExpectBox(poppler::Boxes(mPdf, 1)["TrimBox"], 24, 24, 324, 424);
    ExpectBox(poppler::Boxes(mPdf, 1)["BleedBox"], 24, 24, 324, 428);
}

TEST_F(HostPDFExportCommandTest, ThePdfGetsTheModeOfTheUsersNewFiles) {
    const mode_t before = umask(027);
    const ErrorCode result = Export(mDocument.get(), "1", mPdf);
    umask(before);
    ASSERT_EQ(result, kSuccess);
    struct stat info {};
    ASSERT_EQ(stat(mPdf.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

}  // namespace
