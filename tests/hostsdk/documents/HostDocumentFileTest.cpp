#include "hostsdk/documents/HostDocumentFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "support/ScopedTempFolder.h"

namespace {

class HostDocumentFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& leaf, const std::string& text) {
        std::ofstream(mFolder / leaf) << text;
        return mFolder / leaf;
    }
    ScopedTempFolder mFolder;
};

TEST_F(HostDocumentFileTest, ReadsDocumentsAndIgnoresKeysItDoesNotKnow) {
    HostDocumentRecord document;
    std::string error;
    ASSERT_TRUE(HostDocumentFile::ReadDocument(
        Write("a.json", R"({"name": "Brochure.indd", "saved": true, "path": "/x/Brochure.indd", "pages": [1, 2]})"),
        document, error))
        << error;
    EXPECT_EQ(document.name, "Brochure.indd");
    EXPECT_TRUE(document.saved);
    EXPECT_EQ(document.path, "/x/Brochure.indd");
    ASSERT_TRUE(HostDocumentFile::ReadDocument(Write("b.json", R"({"name": "Untitled-1"})"), document, error));
    EXPECT_FALSE(document.saved);
    EXPECT_TRUE(document.path.empty());
}

TEST_F(HostDocumentFileTest, BadDocumentsNameTheFileAndLeaveTheRecord) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"", "is not JSON (line 1, column 1)"},
        {"{\"name\": \"A\",\n \"saved\": tru}", "is not JSON (line 2"},
        {"[1]", "is not a JSON object"},
        {R"({"saved": false})", "\"name\" must be a text that is not empty"},
        {R"({"name": ""})", "\"name\" must be a text that is not empty"},
        {R"({"name": 3})", "\"name\" must be a text that is not empty"},
        {R"({"name": "A", "saved": "yes"})", "\"saved\" must be true or false"},
        {R"({"name": "A", "saved": true})", "a saved document needs a \"path\""},
        {R"({"name": "A", "path": "/x/A.indd"})", "an untitled document has no \"path\""},
        {R"({"name": "A", "saved": true, "path": 1})", "\"path\" must be a text that is not empty"},
    };
    for (const Case& c : cases) {
        HostDocumentRecord document;
        document.name = "kept";
        std::string error;
        const std::string file = Write("bad.json", c.text);
        EXPECT_FALSE(HostDocumentFile::ReadDocument(file, document, error)) << c.text;
        EXPECT_EQ(error.rfind(file + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave " << error;
        EXPECT_EQ(document.name, "kept");
    }
}

TEST_F(HostDocumentFileTest, ALargeOrMissingFileIsAnError) {
    HostDocumentRecord document;
    std::string error;
    EXPECT_FALSE(HostDocumentFile::ReadDocument(mFolder / "absent.json", document, error));
    EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
    const std::string large = "{\"name\": \"A\", \"pad\": \"" + std::string(1 << 20, 'x') + "\"}";
    EXPECT_FALSE(HostDocumentFile::ReadDocument(Write("large.json", large), document, error));
    EXPECT_NE(error.find("larger than 1 MiB"), std::string::npos) << error;
}

TEST_F(HostDocumentFileTest, BookChaptersAreFoundFromTheBooksFolder) {
    mkdir((mFolder / "books").c_str(), 0700);
    HostBookRecord book;
    std::string error;
    const std::string file =
        Write("books/b.json", R"({"name": "Catalogue.indb", "chapters": ["one.json", "../two.json", "/abs/three.json"],
                                  "selection": [2, 0]})");
    ASSERT_TRUE(HostDocumentFile::ReadBook(file, book, error)) << error;
    EXPECT_EQ(book.name, "Catalogue.indb");
    EXPECT_EQ(book.path, file);
    EXPECT_EQ(book.chapters,
              (std::vector<std::string>{mFolder / "books/one.json", mFolder / "two.json", "/abs/three.json"}));
    EXPECT_EQ(book.selection, (std::vector<int>{2, 0}));
    ASSERT_TRUE(HostDocumentFile::ReadBook(Write("c.json", R"({"name": "C", "path": "/x/C.indb"})"), book, error));
    EXPECT_EQ(book.path, "/x/C.indb");
    EXPECT_TRUE(book.chapters.empty());
    EXPECT_TRUE(book.selection.empty());
}

TEST_F(HostDocumentFileTest, BadBooksAreErrors) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {R"({"chapters": []})", "\"name\" must be a text"},
        {R"({"name": "B", "chapters": "a.json"})", "\"chapters\" must be an array of texts"},
        {R"({"name": "B", "chapters": ["a.json", ""]})", "\"chapters\" must be an array of texts that are not empty"},
        {R"({"name": "B", "chapters": ["a.json"], "selection": [1]})", "not the index of a chapter"},
        {R"({"name": "B", "chapters": ["a.json"], "selection": [-1]})", "not the index of a chapter"},
        {R"({"name": "B", "chapters": ["a.json"], "selection": [0.5]})", "not the index of a chapter"},
        {R"({"name": "B", "chapters": ["a.json"], "selection": [1e300]})", "not the index of a chapter"},
        {R"({"name": "B", "chapters": ["a.json"], "selection": ["0"]})", "not the index of a chapter"},
        {R"({"name": "B", "chapters": ["a.json"], "selection": [0, 0]})", "names chapter 0 twice"},
        {R"({"name": "B", "selection": 0})", "\"selection\" must be an array"},
    };
    for (const Case& c : cases) {
        HostBookRecord book;
        std::string error;
        EXPECT_FALSE(HostDocumentFile::ReadBook(Write("bad.json", c.text), book, error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave " << error;
    }
}

}  // namespace
