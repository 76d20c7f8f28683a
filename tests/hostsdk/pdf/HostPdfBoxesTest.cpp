#include "hostsdk/pdf/HostPdfBoxes.h"

#include <fstream>
#include <iterator>

#include "hostsdk/HostSdkTest.h"
#include "hostsdk/documents/HostDocumentRecord.h"
#include "hostsdk/pdf/HostPdfLayout.h"
#include "hostsdk/pdf/HostPdfWriter.h"
#include "hostsdk/pdf/QpdfCheck.h"
#include "support/ScopedTempFolder.h"

namespace {

class HostPdfBoxesTest : public hostsdktest::HostSdkTest {
protected:
    void SetUp() override {
        HostSdkTest::SetUp();
        mDocument.pages.resize(2);
        mSheets = HostPdfLayout::Sheets(mDocument, {0, 1}, HostPdfSettings());
        std::string error;
        ASSERT_TRUE(HostPdfWriter::Write(mFolder / "two.pdf", "Two", mSheets, HostPdfSettings(), error)) << error;
        std::ifstream input(mFolder / "two.pdf", std::ios::binary);
        mPdf.assign(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
    }

    ScopedTempFolder mFolder;
    HostDocumentRecord mDocument;
    std::vector<HostPdfSheet> mSheets;
    std::string mPdf;
};

TEST_F(HostPdfBoxesTest, AnUpdateOfAnUpdatedFileIsSoundAgain) {
    EXPECT_EQ(qpdfcheck::Repairs(mFolder / "two.pdf"), "");
    // The written file ends in an update already: a second one chains to it.
    std::string update;
    std::string error;
    ASSERT_TRUE(HostPdfBoxes::Update(mPdf.data(), mPdf.size(), mSheets, update, error)) << error;
    std::ofstream(mFolder / "again.pdf", std::ios::binary) << mPdf << update;
    EXPECT_EQ(qpdfcheck::Repairs(mFolder / "again.pdf"), "");
}

TEST_F(HostPdfBoxesTest, APdfThatCannotBeUpdatedIsAnErrorAndGivesNoUpdate) {
    const std::string::size_type table = mPdf.rfind("startxref");
    ASSERT_NE(table, std::string::npos);
    std::string elsewhere = mPdf;
    elsewhere.replace(table, std::string::npos, "startxref\n9\n%%EOF\n");
    std::string misplaced = mPdf;
    // The last table's first entry points a hundred bytes off its object.
    const std::string::size_type entry = mPdf.find(" n\r\n", mPdf.rfind("\nxref\n")) - 16;
    misplaced[entry + 7] = misplaced[entry + 7] == '0' ? '1' : '0';
    struct Case {
        const char* what;
        std::string pdf;
        std::size_t sheets;
    };
    const Case cases[] = {
        {"empty", "", 2},
        {"not a PDF", "%!PS-Adobe-3.0\n", 2},
        {"cut short", mPdf.substr(0, mPdf.size() / 2), 2},
        {"table outside the file", elsewhere, 2},
        {"entry missing its object", misplaced, 2},
        {"fewer sheets than pages", mPdf, 1},
        {"more sheets than pages", mPdf, 3},
    };
    for (const Case& c : cases) {
        std::vector<HostPdfSheet> sheets(c.sheets, mSheets.front());
        std::string update = "old";
        std::string error;
        EXPECT_FALSE(HostPdfBoxes::Update(c.pdf.data(), c.pdf.size(), sheets, update, error)) << c.what;
        EXPECT_EQ(update, "") << c.what;
        EXPECT_NE(error, "") << c.what;
    }
}

}  // namespace
