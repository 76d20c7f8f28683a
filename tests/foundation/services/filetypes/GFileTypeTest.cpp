#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GStringPool.h"
#include "core/text/GLngString.h"
#include "services/filetypes/GFileType.h"
#include "services/filetypes/GFileTypeImp.h"
#include "support/FoundationStartup.h"

namespace {

std::string Text(const GString& text) {
    GBuffer utf8 = text.GetBuffer(GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<const char*>(utf8.GetPtr()), static_cast<size_t>(utf8.GetLength()));
}

std::string Bytes(const GBuffer& bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

GString U(const char* utf8) { return GString(utf8, GUTF8Encoding::GetInstance()); }

int UserID(const GFileType* type) { return type == nullptr ? -1 : type->GetUserID(); }

class FileTypes : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        GFileType::Initialize();
    }
    void TearDown() override {
        GFileType::SetFileTypeImp(nullptr);
        GFileType::Finalize();
    }
};

struct Row {
    int userID;
    int descriptionID;
    const char* extension;
    const char* creator;
    const char* type;
    const char* description;
};

const Row kBuiltIn[] = {
    {1, 7000, "pdf", "CARO", "PDF ", "PDF Files"},
    {6, 7005, "icc", "sync", "prof", "ICC Profile"},
    {7, 7005, "icm", "sync", "prof", "ICC Profile"},
    {8, 7005, "pf", "KCMM", "prof", "ICC Profile"},
    {9, 7006, "tmp", "????", "TEXT", "Temporary File"},
    {12, 7010, "joboptions", "DSTL", "JOpt", "Adobe PDF Settings"},
    {14, 7007, "txt", "????", "TEXT", "Text Document"},
    {15, 7008, "ps", "LMAN", "TEXT", "PostScript Document"},
    {16, 7009, "qpo", "LMAN", "XQPO", "QuarkXPress PDF Export Options"},
    {17, 7011, "qpj", "XPR3", "XQPJ", "QuarkXPress Print Styles"},
    {18, 7012, "pdfs", "LMAN", "TEXT", "InDesign PDF Styles"},
    {19, 7013, "prst", "LMAN", "TEXT", "InDesign Printer Styles"},
    {21, 7015, "ppd", "ALD5", "TEXT", "PostScript Printer Definition"},
    {10, 7016, "exe", "????", "APPL", "Executable Files"},
    {23, 7019, "printsettings", "????", "????", "Adobe Print Settings"},
    {26, 7023, "xml", "????", "????", "XML File"},
    {27, 7024, "xml", "XPR3", "XML ", "QuarkXPress PDF Output Style"},
    {28, 7025, "xml", "XPR3", "XML ", "QuarkXPress PS Output Style"},
    {36, 7231, "csv", "????", "TEXT", "Comma Separated Values"},
    {37, 7232, "act", "8BIM", "8BCT", "Adobe Color Table"},
    {38, 7233, "aco", "8BIM", "8BCO", "Adobe Photoshop Swatch"},
    {39, 7234, "ase", "ART5", "ASE ", "Adobe Swatch Exchange"},
};

TEST_F(FileTypes, EveryBuiltInTypeHasItsFieldsAndDescription) {
    for (const Row& row : kBuiltIn) {
        SCOPED_TRACE(row.userID);
        const GFileType* type = GFileType::GetFromUserID(row.userID);
        ASSERT_NE(type, nullptr);
        EXPECT_EQ(Text(type->GetExtension()), row.extension);
        EXPECT_EQ(Bytes(type->GetCreator()), row.creator);
        EXPECT_EQ(Bytes(type->GetType()), row.type);
        EXPECT_EQ(Text(type->GetDescriptor()), row.description);
        GString out("stale");
        type->GetDescriptor(out);
        EXPECT_EQ(Text(out), row.description);
        GLngString message;
        type->GetDescriptor(message);
        EXPECT_EQ(message.GetStringID(), row.descriptionID);
        EXPECT_EQ(Text(message.GetReadableString()), row.description);
    }
}

TEST_F(FileTypes, UserIDsNotInTheTableFindNothing) {
    // 11 is never used; the maker's own application types are left out.
    for (int id : {11, 0, -1, 2, 3, 4, 5, 13, 20, 22, 24, 25, 29, 35, 40, 45, 46})
        EXPECT_EQ(GFileType::GetFromUserID(id), nullptr) << id;
}

TEST_F(FileTypes, DescriptionTextsAreRegisteredByID) {
    struct {
        int id;
        const char* text;
    } const cases[] = {
        {7000, "PDF Files"},
        {7005, "ICC Profile"},
        {7006, "Temporary File"},
        {7007, "Text Document"},
        {7008, "PostScript Document"},
        {7009, "QuarkXPress PDF Export Options"},
        {7010, "Adobe PDF Settings"},
        {7011, "QuarkXPress Print Styles"},
        {7012, "InDesign PDF Styles"},
        {7013, "InDesign Printer Styles"},
        {7015, "PostScript Printer Definition"},
        {7016, "Executable Files"},
        {7019, "Adobe Print Settings"},
        {7023, "XML File"},
        {7024, "QuarkXPress PDF Output Style"},
        {7025, "QuarkXPress PS Output Style"},
        {7200, "Undefined"},
        {7201, "Not Implemented"},
        {7202, "Empty"},
        {7203, "Portable Document Format (PDF)"},
        {7204, "PostScript"},
        {7205, "Extended PostScript"},
        {7206, "JPG"},
        {7207, "GIF"},
        {7208, "TIFF"},
        {7209, "Bitmap"},
        {7210, "CMap"},
        {7211, "MMType1"},
        {7212, "WinType1"},
        {7213, "PS Type1"},
        {7214, "OpenType CFF"},
        {7215, "TrueType"},
        {7216, "OpenType CFF TrueType"},
        {7217, "TrueType Collection"},
        {7218, "Type1 Mac SFNT"},
        {7219, "TrueType Mac"},
        {7220, "Not Implemented (previously: Mac Resource Fork)"},
        {7221, "ICC Profile"},
        {7222, "FontMetrics"},
        {7223, "XML"},
        {7231, "Comma Separated Values"},
        {7232, "Adobe Color Table"},
        {7233, "Adobe Photoshop Swatch"},
        {7234, "Adobe Swatch Exchange"},
    };
    for (const auto& c : cases) {
        GString text;
        EXPECT_TRUE(GStringPool::GetString(GStringPool::GetEnglish(), c.id, text)) << c.id;
        EXPECT_EQ(Text(text), c.text) << c.id;
    }
    // Gaps of the pool, and the ids of the maker's own types, which are left out.
    for (int id : {7021, 7224, 7225, 7226, 7227, 7001, 7014, 7235, 7239, 7240, 6999}) {
        GString text;
        EXPECT_FALSE(GStringPool::GetString(GStringPool::GetEnglish(), id, text)) << id;
    }
}

TEST_F(FileTypes, DescriptionIsLookedUpWhenAskedFor) {
    const GFileType* pdf = GFileType::GetFromUserID(1);
    GString original;
    ASSERT_TRUE(GStringPool::GetString(GStringPool::GetEnglish(), 7000, original));
    GStringPool::SetString(GStringPool::GetTable(GStringPool::GetEnglish()), 7000, GString("Portable Documents"));
    EXPECT_EQ(Text(pdf->GetDescriptor()), "Portable Documents");
    GStringPool::SetString(GStringPool::GetTable(GStringPool::GetEnglish()), 7000, original);
    EXPECT_EQ(Text(pdf->GetDescriptor()), "PDF Files");
}

TEST_F(FileTypes, PooledDescriptionWithoutTextIsEmpty) {
    GFileType type(7021, GString("abc"), GBuffer("ABCD"), GBuffer("EFGH"), 50);
    GString out("stale");
    type.GetDescriptor(out);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_TRUE(type.GetDescriptor().IsEmpty());
}

TEST_F(FileTypes, LiteralDescriptionIsItsOwnText) {
    GFileType type(GString("Trovelor Package"), GString("trv"), GBuffer("TRVL"), GBuffer("PACK"), 50);
    EXPECT_EQ(Text(type.GetDescriptor()), "Trovelor Package");
    GLngString message;
    type.GetDescriptor(message);
    EXPECT_EQ(message.GetStringID(), 0);
    EXPECT_EQ(Text(message.GetReadableString()), "Trovelor Package");
}

TEST_F(FileTypes, ExtensionLookupIgnoresCase) {
    struct {
        const char* extension;
        int userID;
    } const cases[] = {
        {"pdf", 1},  {"PDF", 1},  {"Pdf", 1},        {"icc", 6},           {"ICM", 7},
        {"pf", 8},   {"Pf", 8},   {"tmp", 9},        {"JobOptions", 12},   {"TXT", 14},
        {"ps", 15},  {"pdfs", 18}, {"PRST", 19},     {"ppd", 21},          {"exe", 10},
        {"PrintSettings", 23},     {"csv", 36},      {"ACT", 37},          {"aco", 38},
        {"ase", 39},
        // The first of the three "xml" rows.
        {"xml", 26}, {"XML", 26},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UserID(GFileType::GetFromExtension(GString(c.extension))), c.userID) << c.extension;
}

TEST_F(FileTypes, UnknownExtensionIsCreatedOnceAndKept) {
    const GFileType* created = GFileType::GetFromExtension(GString("XyZ"));
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(Text(created->GetExtension()), "XyZ");
    EXPECT_EQ(Bytes(created->GetCreator()), "????");
    EXPECT_EQ(Bytes(created->GetType()), "????");
    EXPECT_EQ(created->GetUserID(), 0);
    EXPECT_TRUE(created->GetDescriptor().IsEmpty());
    GLngString message;
    created->GetDescriptor(message);
    EXPECT_EQ(message.GetStringID(), 0);

    EXPECT_EQ(GFileType::GetFromExtension(GString("xyz")), created);
    EXPECT_EQ(GFileType::GetFromExtension(GString("XYZ")), created);
    EXPECT_NE(GFileType::GetFromExtension(GString("xy")), created);
    // The registry does not hand it out as the default.
    EXPECT_EQ(UserID(GFileType::GetDefault()), 1);
}

TEST_F(FileTypes, EmptyAndNonASCIIExtensions) {
    const GFileType* none = GFileType::GetFromExtension(GString());
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->GetExtension().IsEmpty());
    EXPECT_EQ(GFileType::GetFromExtension(GString("")), none);
    EXPECT_NE(GFileType::GetFromUserID(1), none);

    const GFileType* umlaut = GFileType::GetFromExtension(U("\xC3\x84" "bc"));
    EXPECT_EQ(GFileType::GetFromExtension(U("\xC3\xA4" "BC")), umlaut);
    EXPECT_EQ(Text(umlaut->GetExtension()), "\xC3\x84" "bc");
}

TEST_F(FileTypes, LookupsByOneField) {
    EXPECT_EQ(UserID(GFileType::GetFromCreator(GBuffer("LMAN"))), 15);
    EXPECT_EQ(UserID(GFileType::GetFromCreator(GBuffer("XPR3"))), 17);
    EXPECT_EQ(UserID(GFileType::GetFromCreator(GBuffer("????"))), 9);
    EXPECT_EQ(UserID(GFileType::GetFromCreator(GBuffer("lman"))), -1);
    EXPECT_EQ(UserID(GFileType::GetFromCreator(GBuffer("LMA"))), -1);
    EXPECT_EQ(UserID(GFileType::GetFromType(GBuffer("TEXT"))), 9);
    EXPECT_EQ(UserID(GFileType::GetFromType(GBuffer("prof"))), 6);
    EXPECT_EQ(UserID(GFileType::GetFromType(GBuffer("XML "))), 27);
    EXPECT_EQ(UserID(GFileType::GetFromType(GBuffer("XML"))), -1);
    EXPECT_EQ(UserID(GFileType::GetFromType(GBuffer("????"))), 23);
    EXPECT_EQ(UserID(GFileType::GetFromDescriptor(GString("ICC Profile"))), 6);
    EXPECT_EQ(UserID(GFileType::GetFromDescriptor(GString("XML File"))), 26);
    EXPECT_EQ(UserID(GFileType::GetFromDescriptor(GString("Adobe Swatch Exchange"))), 39);
    EXPECT_EQ(UserID(GFileType::GetFromDescriptor(GString("icc profile"))), -1);
    // A content-kind text describes no file type.
    EXPECT_EQ(UserID(GFileType::GetFromDescriptor(GString("TrueType"))), -1);
}

TEST_F(FileTypes, CreatorAndTypeLookup) {
    struct {
        const char* creator;
        const char* type;
        const char* extension;
        int userID;
    } const cases[] = {
        {"XPR3", "XML ", "", 27},
        {"XPR3", "XML ", "xml", 27},
        // No exact match: the first "TEXT" type with any creator.
        {"ABCD", "TEXT", "", 9},
        {"ABCD", "TEXT", "csv", 36},
        {"LMAN", "TEXT", "", 15},
        {"LMAN", "TEXT", "prst", 19},
        {"sync", "prof", "icm", 7},
        {"????", "prof", "pf", 8},
        {"KCMM", "????", "", 8},
        // Exact before wildcard: "????" for both finds the first type that is "????" for both.
        {"????", "????", "", 23},
        {"????", "????", "xml", 26},
        {"ZZZZ", "????", "", 9},
        {"????", "APPL", "", 10},
        {"8BIM", "8BCO", "", 38},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UserID(GFileType::GetFromCreatorAndType(GBuffer(c.creator), GBuffer(c.type), GString(c.extension))),
                  c.userID)
            << c.creator << "/" << c.type << "/" << c.extension;
    }
}

TEST_F(FileTypes, CreatorAndTypeLookupCreatesWhatItCannotFind) {
    struct {
        const char* creator;
        const char* type;
        const char* extension;
    } const cases[] = {
        {"ABCD", "EFGH", ""},
        // A type that is "????" for both codes never matches through the wildcard.
        {"ZZZZ", "ZZZZ", "printsettings"},
        {"ZZZZ", "ZZZZ", "xml"},
        // The extension compares with its case.
        {"sync", "prof", "ICM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.creator) + "/" + c.type + "/" + c.extension);
        const GFileType* created =
            GFileType::GetFromCreatorAndType(GBuffer(c.creator), GBuffer(c.type), GString(c.extension));
        ASSERT_NE(created, nullptr);
        EXPECT_EQ(created->GetUserID(), 0);
        EXPECT_EQ(Bytes(created->GetCreator()), c.creator);
        EXPECT_EQ(Bytes(created->GetType()), c.type);
        EXPECT_EQ(Text(created->GetExtension()), c.extension);
        EXPECT_TRUE(created->GetDescriptor().IsEmpty());
        EXPECT_EQ(GFileType::GetFromCreatorAndType(GBuffer(c.creator), GBuffer(c.type), GString(c.extension)),
                  created);
    }
    // The first type registered with an extension keeps it.
    EXPECT_EQ(UserID(GFileType::GetFromExtension(GString("xml"))), 26);
    EXPECT_EQ(UserID(GFileType::GetFromExtension(GString("icm"))), 7);
}

TEST_F(FileTypes, NumericCodesAreBigEndian) {
    EXPECT_EQ(UserID(GFileType::GetFromCreatorAndType(0x58505233u, 0x584D4C20u, GString())), 27);  // XPR3, "XML "
    EXPECT_EQ(UserID(GFileType::GetFromCreatorAndType(0x4341524Fu, 0x50444620u, GString())), 1);
    EXPECT_EQ(Bytes(GFileType::UInt32ToBytes(0x54455854u)), "TEXT");

    const GFileType* pdf = GFileType::GetFromUserID(1);
    EXPECT_EQ(pdf->GetMacCreator(), 0x4341524Fu);  // CARO
    EXPECT_EQ(pdf->GetMacType(), 0x50444620u);     // "PDF "
    // Only the first four bytes count; missing ones read as 0.
    GFileType longCodes(GString("x"), GString("x"), GBuffer("ABCDEF"), GBuffer("AB"), 50);
    EXPECT_EQ(longCodes.GetMacCreator(), 0x41424344u);
    EXPECT_EQ(longCodes.GetMacType(), 0x41420000u);
    GFileType noCodes(GString("x"), GString("x"), GBuffer(), GBuffer(), 50);
    EXPECT_EQ(noCodes.GetMacCreator(), 0u);
}

TEST_F(FileTypes, DefaultIsTheFirstTypeUnlessSet) {
    EXPECT_EQ(UserID(GFileType::GetDefault()), 1);
    const GFileType* temporary = GFileType::GetFromUserID(GFileType::kTemporaryFileUserID);
    GFileType::SetDefault(temporary);
    EXPECT_EQ(GFileType::GetDefault(), temporary);
    GFileType::SetDefault(nullptr);
    EXPECT_EQ(UserID(GFileType::GetDefault()), 1);
}

TEST_F(FileTypes, FinalizeEmptiesTheRegistryAndForgetsTheDefault) {
    GFileType::SetDefault(GFileType::GetFromUserID(9));
    GFileType::GetFromExtension(GString("xyz"));
    GFileType::Finalize();
    EXPECT_EQ(GFileType::GetDefault(), nullptr);
    EXPECT_EQ(GFileType::GetFromUserID(1), nullptr);
    EXPECT_EQ(GFileType::GetFromType(GBuffer("TEXT")), nullptr);

    // Without the table an extension gives a type of its own, which is then the default.
    const GFileType* pdf = GFileType::GetFromExtension(GString("pdf"));
    EXPECT_EQ(pdf->GetUserID(), 0);
    EXPECT_EQ(GFileType::GetDefault(), pdf);
    GFileType::Finalize();

    GFileType::Initialize();
    EXPECT_EQ(UserID(GFileType::GetFromExtension(GString("pdf"))), 1);
    EXPECT_EQ(UserID(GFileType::GetDefault()), 1);
}

TEST_F(FileTypes, InitializeAgainKeepsTheTypesHandedOut) {
    const GFileType* pdf = GFileType::GetFromUserID(1);
    const GFileType* csv = GFileType::GetFromUserID(36);
    GFileType::Initialize();
    EXPECT_EQ(GFileType::GetFromUserID(1), pdf);
    EXPECT_EQ(GFileType::GetFromExtension(GString("csv")), csv);
    EXPECT_EQ(Text(pdf->GetDescriptor()), "PDF Files");
}

TEST_F(FileTypes, AddedTypesAreFoundButDoNotTakeAnExtension) {
    const GFileType* added =
        GFileType::AddFileType(GString("Trovelor Package"), GString("PDF"), GBuffer("TRVL"), GBuffer("PACK"), 50);
    EXPECT_EQ(UserID(GFileType::GetFromExtension(GString("pdf"))), 1);
    EXPECT_EQ(GFileType::GetFromDescriptor(GString("Trovelor Package")), added);
    EXPECT_EQ(GFileType::GetFromUserID(50), added);
    EXPECT_EQ(GFileType::GetFromCreatorAndType(GBuffer("TRVL"), GBuffer("PACK"), GString()), added);

    const GFileType* pooled = GFileType::AddFileType(7221, GString("trvl"), GBuffer("TRVL"), GBuffer("PAC2"), 51);
    EXPECT_EQ(Text(pooled->GetDescriptor()), "ICC Profile");
    EXPECT_EQ(GFileType::GetFromExtension(GString("TRVL")), pooled);
}

TEST_F(FileTypes, EqualityComparesEveryFieldAndExtensionsIgnoringCase) {
    const GFileType base(7000, GString("pdf"), GBuffer("CARO"), GBuffer("PDF "), 1);
    EXPECT_EQ(base, *GFileType::GetFromUserID(1));
    EXPECT_EQ(base, GFileType(7000, GString("PDF"), GBuffer("CARO"), GBuffer("PDF "), 1));
    EXPECT_NE(base, GFileType(7005, GString("pdf"), GBuffer("CARO"), GBuffer("PDF "), 1));
    EXPECT_NE(base, GFileType(7000, GString("pdfx"), GBuffer("CARO"), GBuffer("PDF "), 1));
    EXPECT_NE(base, GFileType(7000, GString("pdf"), GBuffer("caro"), GBuffer("PDF "), 1));
    EXPECT_NE(base, GFileType(7000, GString("pdf"), GBuffer("CARO"), GBuffer("PDF"), 1));
    EXPECT_NE(base, GFileType(7000, GString("pdf"), GBuffer("CARO"), GBuffer("PDF "), 2));
    // A literal text equal to the pooled one is still another description.
    EXPECT_NE(base, GFileType(GString("PDF Files"), GString("pdf"), GBuffer("CARO"), GBuffer("PDF "), 1));
    EXPECT_NE(GFileType(GString("A"), GString("x"), GBuffer("????"), GBuffer("????"), 0),
              GFileType(GString("B"), GString("x"), GBuffer("????"), GBuffer("????"), 0));

    GFileType copy(base);
    EXPECT_EQ(copy, base);
    GFileType assigned(GString("other"));
    assigned = base;
    EXPECT_EQ(assigned, base);
    GFileType set(GString("other"));
    set.Set(*GFileType::GetFromUserID(39));
    EXPECT_EQ(set, *GFileType::GetFromUserID(39));
    EXPECT_EQ(Text(set.GetDescriptor()), "Adobe Swatch Exchange");
}

// Describes kinds by what it was given, and says when it is deleted.
class RecordingImp : public GFileTypeImp {
public:
    explicit RecordingImp(bool* deleted) : mDeleted(deleted) {}
    ~RecordingImp() override { *mDeleted = true; }
    GString GetDescriptionForExtension(const GString& extension) const override {
        return GString("Files of ") + extension;
    }
    GString GetDescriptionForCreatorAndType(uint32_t creator, uint32_t type) const override {
        return GString(static_cast<unsigned int>(creator)) + GString("/") + GString(static_cast<unsigned int>(type));
    }

private:
    bool* mDeleted;
};

TEST_F(FileTypes, PlatformObjectDescribesTypesCreatedOnTheFly) {
    bool firstDeleted = false;
    GFileType::SetFileTypeImp(new RecordingImp(&firstDeleted));
    EXPECT_EQ(Text(GFileType::GetFromExtension(GString("abc"))->GetDescriptor()), "Files of abc");
    EXPECT_EQ(Text(GFileType::GetFromCreatorAndType(GBuffer("ABCD"), GBuffer("EFGH"), GString())->GetDescriptor()),
              std::to_string(0x41424344u) + "/" + std::to_string(0x45464748u));
    // Registered types keep their own descriptions.
    EXPECT_EQ(Text(GFileType::GetFromExtension(GString("pdf"))->GetDescriptor()), "PDF Files");

    bool secondDeleted = false;
    GFileType::SetFileTypeImp(new RecordingImp(&secondDeleted));
    EXPECT_TRUE(firstDeleted);
    EXPECT_FALSE(secondDeleted);
    GFileType::SetFileTypeImp(nullptr);
    EXPECT_TRUE(secondDeleted);
    EXPECT_TRUE(GFileType::GetFromExtension(GString("def"))->GetDescriptor().IsEmpty());
}

TEST(FileTypesWithoutInitialize, RegistryIsEmpty) {
    StartFoundation();
    // The start-up fills the registry; without it (or after Finalize) lookups find nothing.
    GFileType::Finalize();
    EXPECT_EQ(GFileType::GetDefault(), nullptr);
    EXPECT_EQ(GFileType::GetFromUserID(1), nullptr);
    EXPECT_EQ(GFileType::GetFromDescriptor(GString("PDF Files")), nullptr);
}

}  // namespace
