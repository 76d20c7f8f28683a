#include "hostsdk/documents/HostDocumentFile.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <fstream>
#include <thread>

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
        Write("a.json", R"({"name": "Brochure.indd", "saved": true, "path": "/x/Brochure.indd", "layers": [1, 2]})"),
        document, error))
        << error;
    EXPECT_EQ(document.name, "Brochure.indd");
    EXPECT_TRUE(document.saved);
    EXPECT_EQ(document.path, "/x/Brochure.indd");
    EXPECT_FALSE(document.modified);
    ASSERT_TRUE(HostDocumentFile::ReadDocument(Write("b.json", R"({"name": "Untitled-1"})"), document, error));
    EXPECT_FALSE(document.saved);
    EXPECT_TRUE(document.path.empty());
    EXPECT_FALSE(document.modified);
}

TEST_F(HostDocumentFileTest, ASavedDocumentMayHaveUnsavedChangesWhichAreWrittenOnlyWhenSet) {
    HostDocumentRecord document;
    std::string error;
    ASSERT_TRUE(HostDocumentFile::ParseDocument(R"({"name": "A", "saved": true, "path": "/x/A.indd", "modified": true})",
                                                "a", document, error))
        << error;
    EXPECT_TRUE(document.modified);
    HostDocumentRecord again;
    std::string const text = HostDocumentFile::FormatDocument(document);
    ASSERT_TRUE(HostDocumentFile::ParseDocument(text, "again", again, error)) << error;
    EXPECT_TRUE(again.modified);
    document.modified = false;
    EXPECT_EQ(std::string::npos, HostDocumentFile::FormatDocument(document).find("modified"));
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
        {R"({"name": "A", "saved": true, "path": "/x/A.indd", "modified": 1})", "\"modified\" must be true or false"},
        {R"({"name": "A", "modified": true})", "an untitled document cannot be \"modified\""},
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
    // A pipe has no size to go by: it is read to its end, and only up to the limit. The writer
    // of the large one finds the pipe closed before its end.
    const std::string pipe = mFolder / "pipe.json";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    struct sigaction ignore {}, before {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &before);
    for (const std::string& text : {std::string("{\"name\": \"Piped.indd\"}"), large + large}) {
        std::thread writer([&] { std::ofstream(pipe) << text; });
        const bool read = HostDocumentFile::ReadDocument(pipe, document, error);
        writer.join();
        EXPECT_EQ(read, text.size() < 100) << error;
    }
    sigaction(SIGPIPE, &before, nullptr);
    EXPECT_EQ(document.name, "Piped.indd");
    EXPECT_NE(error.find("larger than 1 MiB"), std::string::npos) << error;
}

TEST_F(HostDocumentFileTest, ReadsPagesSectionsBleedSlugAndFonts) {
    HostDocumentRecord document;
    std::string error;
    ASSERT_TRUE(HostDocumentFile::ReadDocument(Write("a.json", R"({"name": "A", "pageSize": [595.5, 842],
        "bleed": 9, "slug": {"top": 18, "outside": 6},
        "pages": [{"text": ["One", "Two"], "rectangle": [1, 2, 3, 4]}, {}, {}],
        "sections": [{"page": 2, "prefix": "B", "start": 5}, {"page": 3}],
        "fonts": [{"name": "DejaVu Sans"}, {"name": "Minion Pro", "missing": true}]})"),
                                               document, error))
        << error;
    EXPECT_EQ(document.pageWidth, 595.5);
    EXPECT_EQ(document.bleed, (HostEdges{9, 9, 9, 9}));
    EXPECT_EQ(document.slug, (HostEdges{18, 0, 0, 6}));
    ASSERT_EQ(document.pages.size(), 3u);
    EXPECT_EQ(document.pages[0].text, (std::vector<std::string>{"One", "Two"}));
    EXPECT_TRUE(document.pages[0].hasRectangle);
    EXPECT_EQ(document.pages[0].rectangle[3], 4);
    EXPECT_FALSE(document.pages[1].hasRectangle);
    ASSERT_EQ(document.sections.size(), 2u);
    EXPECT_EQ(document.sections[0].prefix, "B");
    EXPECT_EQ(document.sections[0].start, 5);
    EXPECT_EQ(document.sections[1].start, 1);
    ASSERT_EQ(document.fonts.size(), 2u);
    EXPECT_TRUE(document.fonts[1].missing);
    // Written and read again, the record is the same.
    HostDocumentRecord again;
    ASSERT_TRUE(HostDocumentFile::ParseDocument(HostDocumentFile::FormatDocument(document), "again", again, error))
        << error;
    EXPECT_EQ(HostDocumentFile::FormatDocument(again), HostDocumentFile::FormatDocument(document));
    // A document names one empty US Letter page unless it says otherwise; "pages": [] has none.
    ASSERT_TRUE(HostDocumentFile::ParseDocument(R"({"name": "B"})", "b", document, error));
    EXPECT_EQ(document.pages.size(), 1u);
    EXPECT_EQ(document.pageHeight, 792);
    ASSERT_TRUE(HostDocumentFile::ParseDocument(R"({"name": "B", "pages": []})", "b", document, error));
    EXPECT_TRUE(document.pages.empty());
}

TEST_F(HostDocumentFileTest, BadLayoutsAreErrors) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {R"({"name": "A", "pageSize": [100]})", "\"pageSize\" must be an array of a width and a height"},
        {R"({"name": "A", "pageSize": [0.5, 100]})", "at least 1 point"},
        {R"({"name": "A", "pageSize": [100, 1e9]})", "from 0 to 14400"},
        {R"({"name": "A", "bleed": -1})", "\"bleed\" must be a number of points"},
        {R"({"name": "A", "slug": {"top": "1"}})", "\"slug\" top must be a number"},
        {R"({"name": "A", "bleed": [1]})", "must be a number or an object"},
        {R"({"name": "A", "pages": [1]})", "array of page objects"},
        {R"({"name": "A", "pages": [{"text": "x"}]})", "\"text\" must be an array of texts"},
        {R"({"name": "A", "pages": [{"text": [1]}]})", "\"text\" must be an array of texts"},
        {R"({"name": "A", "pages": [{"rectangle": [1, 2, 3]}]})", "\"rectangle\" must be an array"},
        {R"({"name": "A", "sections": [{"page": 2}]})", "a section's \"page\""},
        {R"({"name": "A", "pages": [{}, {}], "sections": [{"page": 2}, {"page": 2}]})", "a section's \"page\""},
        {R"({"name": "A", "sections": [{"page": 1, "start": 0}]})", "\"start\" must be a whole number"},
        {R"({"name": "A", "sections": [{"page": 1, "prefix": "A:B"}]})", "cannot hold"},
        {R"({"name": "A", "fonts": [{"missing": true}]})", "each font needs a \"name\""},
        {R"({"name": "A", "fonts": [{"name": "F", "missing": 1}]})", "\"missing\" must be true or false"},
    };
    for (const Case& c : cases) {
        HostDocumentRecord document;
        std::string error;
        EXPECT_FALSE(HostDocumentFile::ParseDocument(c.text, "bad", document, error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave " << error;
    }
}

TEST_F(HostDocumentFileTest, WritingReplacesTheFileWhole) {
    const std::string file = Write("w.json", "old");
    std::string error;
    ASSERT_TRUE(HostDocumentFile::WriteFile(file, "new", error)) << error;
    std::ifstream input(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(input), {}), "new");
    EXPECT_FALSE(HostDocumentFile::WriteFile(mFolder / "absent/w.json", "x", error));
    EXPECT_NE(error.find("cannot be written"), std::string::npos);
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
        {R"({"name": "B", "modified": "no"})", "\"modified\" must be true or false"},
    };
    for (const Case& c : cases) {
        HostBookRecord book;
        std::string error;
        EXPECT_FALSE(HostDocumentFile::ReadBook(Write("bad.json", c.text), book, error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave " << error;
    }
}

}  // namespace
