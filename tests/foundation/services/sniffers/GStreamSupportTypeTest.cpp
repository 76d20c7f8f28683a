#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/streams/GMemoryInStream.h"
#include "core/support/GStreamSupport.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "services/files/GFileInStream.h"
#include "services/filetypes/GFileType.h"
#include "support/FoundationStartup.h"
#include "support/ScopedTempFolder.h"
#include "support/SniffSamples.h"
#include "support/SpawnedProgram.h"
#include "support/TestStreams.h"

namespace {

using Kind = GTypeEnums::Types;

std::string Blanks(std::size_t n) { return std::string(n, ' '); }

std::string Text(GString const& text) {
    GBuffer utf8 = text.GetBuffer(GUTF8Encoding::GetInstance());
    return TestText(utf8);
}

// The kind through a memory stream and through a stream delivering pieces of 1 to 7 bytes: the
// two must agree, whatever sizes the reads come in.
Kind TypeOf(std::string const& bytes) {
    GBuffer const data = TestBuffer(bytes);
    GMemoryInStream memory(data);
    Kind const kind = GStreamSupport::GetStreamType(memory);
    PiecewiseInStream pieces(bytes);
    EXPECT_EQ(GStreamSupport::GetStreamType(pieces), kind) << "read in pieces";
    return kind;
}

bool IsOfType(std::string const& bytes, Kind kind) {
    GBuffer const data = TestBuffer(bytes);
    GMemoryInStream memory(data);
    bool const is = GStreamSupport::StreamIsOfType(memory, kind);
    PiecewiseInStream pieces(bytes);
    EXPECT_EQ(GStreamSupport::StreamIsOfType(pieces, kind), is) << "read in pieces";
    return is;
}

std::string BE32(std::uint32_t v) {
    std::string s;
    sniff::PutBE32(s, v);
    return s;
}

std::string LE32(std::uint32_t v) {
    std::string s;
    sniff::PutLE32(s, v);
    return s;
}

// An sfnt whose table count is count, with the entries given and zeros after them up to length.
std::string SfntDirectory(std::string const& version, unsigned count,
                          std::vector<std::pair<std::size_t, std::string>> const& entries, std::size_t length) {
    std::string s = version;
    sniff::PutBE16(s, count);
    s.append(6, '\0');
    s.resize(length, '\0');
    for (auto const& [index, tag] : entries) {
        std::size_t const at = 12 + 16 * index;
        s.replace(at, 4, tag);
        sniff::SetBE32(s, at + 8, 16);
    }
    return s;
}

class StreamSniffer : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
};

TEST_F(StreamSniffer, EverySampleIsItsKind) {
    for (auto const& [bytes, kind] : sniff::AllSamples()) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        EXPECT_EQ(TypeOf(bytes), kind);
        EXPECT_TRUE(IsOfType(bytes, static_cast<Kind>(kind)));
    }
}

struct TypeCase {
    char const* name;
    std::string bytes;
    Kind expected;
};

// GetStreamType at the edges of each kind; the probe order decides between kinds that overlap.
TEST_F(StreamSniffer, TypeAtEachKindsBoundary) {
    std::string const cPlaceholder = "%This file serves as a place holder in the Windows font registry";
    TypeCase const cases[] = {
        {"empty", "", GTypeEnums::kEmpty},
        {"one blank", " ", GTypeEnums::kNotImplemented},
        {"PDF header alone", "%PDF-", GTypeEnums::kPDF},
        {"PDF without the hyphen", "%PDF1.4", GTypeEnums::kNotImplemented},
        {"PDF starting at 1019", Blanks(1019) + "%PDF-1.7\n", GTypeEnums::kPDF},
        {"PDF starting at 1020", Blanks(1020) + "%PDF-1.7\n", GTypeEnums::kNotImplemented},
        {"PostScript announcing PDF", "%!PS-Adobe-3.0 PDF\n", GTypeEnums::kPostScript},
        {"PostScript header ending at 4096", Blanks(4086) + "%!PS-Adobe", GTypeEnums::kPostScript},
        {"PostScript header ending at 4097", Blanks(4087) + "%!PS-Adobe", GTypeEnums::kNotImplemented},
        {"EPS with LF", "%!PS-Adobe-3.0 EPSF-3.0\n", GTypeEnums::kEPS},
        {"EPS with CR", "%!PS-Adobe-3.0 EPSF-3.0\r", GTypeEnums::kEPS},
        {"EPS header without a line end", "%!PS-Adobe-3.0 EPSF-3.0", GTypeEnums::kPostScript},
        {"EPSF on the next line", "%!PS-Adobe-3.0\nEPSF\n", GTypeEnums::kPostScript},
        {"CMap", "%!PS-Adobe-3.0 Resource-CMap\n", GTypeEnums::kCMap},
        {"CMap beats EPS", "%!PS-Adobe-3.0 EPSF-3.0 Resource-CMap\n", GTypeEnums::kCMap},
        {"Resource-CMap before the header", "Resource-CMap %!PS-Adobe-3.0\n", GTypeEnums::kPostScript},
        {"CMap header without the hyphen", "%!PS-Adobe Resource-CMap\n", GTypeEnums::kPostScript},
        {"MM Type 1 by FontType1", "%!FontType1-1.0 /BlendDesignPositions\n", GTypeEnums::kMMType1},
        {"MM Type 1 in a PFB", "\x80%!PS-AdobeFont-1.0 /BlendDesignPositions\n", GTypeEnums::kMMType1},
        {"Windows Type 1", "\x80\x01%!FontType1-1.0\n", GTypeEnums::kWinType1},
        {"PostScript Type 1", "%!FontType1-1.0\n", GTypeEnums::kPSType1},
        {"placeholder AdobeFont is PostScript", "%!PS-AdobeFont-1.0\n" + cPlaceholder, GTypeEnums::kPostScript},
        {"placeholder FontType1 is nothing", "\x80%!FontType1\n" + cPlaceholder, GTypeEnums::kNotImplemented},
        {"JPEG magic alone", "\xFF\xD8\xFF\xE0", GTypeEnums::kJPEG},
        {"JPEG end-of-image marker first", "\xFF\xD9\xFF\xE0", GTypeEnums::kNotImplemented},
        {"JPEG one byte short", "\xFF\xD8\xFF", GTypeEnums::kNotImplemented},
        {"Exif JPEG", "\xFF\xD8\xFF\xE1", GTypeEnums::kJPEG},
        {"GIF87a", "GIF87a", GTypeEnums::kGIF},
        {"GIF89a", "GIF89a", GTypeEnums::kGIF},
        {"GIF one byte short", "GIF89", GTypeEnums::kNotImplemented},
        {"GIF88a", "GIF88a", GTypeEnums::kNotImplemented},
        {"TIFF little-endian", std::string("II*\0", 4), GTypeEnums::kTIFF},
        {"TIFF big-endian", std::string("MM\0*", 4), GTypeEnums::kTIFF},
        {"TIFF one byte short", "II*", GTypeEnums::kNotImplemented},
        {"TIFF mixed order", std::string("MM*\0", 4), GTypeEnums::kNotImplemented},
        {"BMP of six bytes, any signature", "XY" + LE32(6), GTypeEnums::kBMP},
        {"BMP size off by one", "BM" + LE32(7), GTypeEnums::kNotImplemented},
        {"BMP of five bytes", "BM" + std::string("\x05\0\0", 3), GTypeEnums::kNotImplemented},
        {"ICC of 127 bytes", BE32(127) + std::string(123, 'x'), GTypeEnums::kICCProfile},
        {"ICC of 126 bytes", BE32(126) + std::string(122, 'x'), GTypeEnums::kNotImplemented},
        {"ICC size off by one", BE32(127) + std::string(124, 'x'), GTypeEnums::kNotImplemented},
        {"font metrics", "StartFontMetrics", GTypeEnums::kFontMetrics},
        {"font metrics one byte short", "StartFontMetric", GTypeEnums::kNotImplemented},
        {"XML", "<?xml ", GTypeEnums::kXML},
        {"XML without the blank", "<?xml", GTypeEnums::kNotImplemented},
        {"XML with a tab", "<?xml\t", GTypeEnums::kNotImplemented},
        {"XML in capitals", "<?XML ", GTypeEnums::kNotImplemented},
        {"TTC of 17 bytes", "ttcf" + BE32(0x10000) + BE32(16) + std::string(5, '\0'), GTypeEnums::kTrueTypeCollection},
        {"TTC of 16 bytes", "ttcf" + BE32(0x10000) + BE32(15) + std::string(4, '\0'), GTypeEnums::kNotImplemented},
        {"TTC value equal to the length", "ttcf" + BE32(0x10000) + BE32(17) + std::string(5, '\0'),
         GTypeEnums::kNotImplemented},
        {"Mac Type 1 of 17 bytes", "typ1" + std::string("\0\1", 2) + std::string(11, '\0'), GTypeEnums::kType1MacSFNT},
        {"Mac Type 1 directory as long as the file", "typ1" + std::string("\0\1", 2) + std::string(10, '\0'),
         GTypeEnums::kNotImplemented},
        {"Mac Type 1 without tables", "typ1" + std::string(13, '\0'), GTypeEnums::kNotImplemented},
    };
    for (TypeCase const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TypeOf(c.bytes), c.expected);
        if (c.expected > GTypeEnums::kEmpty) {
            EXPECT_TRUE(IsOfType(c.bytes, c.expected));
        }
    }
}

TEST_F(StreamSniffer, FontsByTheirTables) {
    using sniff::CommonTables;
    using sniff::Sfnt;
    using sniff::With;
    std::string const v1("\0\1\0\0", 4);
    TypeCase const cases[] = {
        {"CFF with the six common tables", Sfnt("OTTO", With(CommonTables(), {"CFF ", "name"})), GTypeEnums::kOpenTypeCFF},
        {"CFF with glyf and loca too", Sfnt("OTTO", With(CommonTables(), {"CFF ", "glyf", "loca"})),
         GTypeEnums::kOpenTypeCFFTrueType},
        {"TrueType with eight tables", Sfnt(v1, With(CommonTables(), {"glyf", "loca"})), GTypeEnums::kTrueType},
        {"TrueType with CFF too", Sfnt(v1, With(CommonTables(), {"glyf", "loca", "CFF "})),
         GTypeEnums::kOpenTypeCFFTrueType},
        {"TrueType with seven tables", Sfnt(v1, With(CommonTables(), {"glyf"})), GTypeEnums::kNotImplemented},
        {"CFF with seven tables", Sfnt("OTTO", With(CommonTables(), {"CFF "})), GTypeEnums::kNotImplemented},
        {"CFF flavour without CFF", Sfnt("OTTO", With(CommonTables(), {"glyf", "loca"})), GTypeEnums::kNotImplemented},
        {"TrueType without loca", Sfnt(v1, With(CommonTables(), {"glyf", "CFF "})), GTypeEnums::kNotImplemented},
        {"unknown flavour", Sfnt("wOFF", With(CommonTables(), {"glyf", "loca"})), GTypeEnums::kNotImplemented},
        {"head at the length", Sfnt(v1, With(CommonTables(), {"glyf", "loca"}), "head"), GTypeEnums::kNotImplemented},
        {"CFF at the length", Sfnt("OTTO", With(CommonTables(), {"CFF ", "name"}), "CFF "), GTypeEnums::kNotImplemented},
        {"CFF at the length beside glyf", Sfnt(v1, With(CommonTables(), {"glyf", "loca", "CFF "}), "CFF "),
         GTypeEnums::kTrueType},
        {"Mac TrueType", Sfnt("true", With(CommonTables(), {"glyf", "loca", "name"})), GTypeEnums::kMacTrueType},
        {"Mac TrueType without name", Sfnt("true", With(CommonTables(), {"glyf", "loca", "kern"})),
         GTypeEnums::kNotImplemented},
        {"Mac TrueType with eight tables", Sfnt("true", With(CommonTables(), {"glyf", "loca"})),
         GTypeEnums::kNotImplemented},
        {"Mac TrueType name at the length", Sfnt("true", With(CommonTables(), {"glyf", "loca", "name"}), "name"),
         GTypeEnums::kNotImplemented},
    };
    for (TypeCase const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TypeOf(c.bytes), c.expected);
    }
}

TEST_F(StreamSniffer, OpenTypeKindsAnswerOnlyForThemselves) {
    struct Case {
        std::string bytes;
        Kind found;
    } const cases[] = {
        {sniff::OpenTypeCFFFont(), GTypeEnums::kOpenTypeCFF},
        {sniff::TrueTypeFont(), GTypeEnums::kTrueType},
        {sniff::OpenTypeBothFont(), GTypeEnums::kOpenTypeCFFTrueType},
    };
    for (Case const& c : cases)
        for (Kind asked : {GTypeEnums::kOpenTypeCFF, GTypeEnums::kTrueType, GTypeEnums::kOpenTypeCFFTrueType})
            EXPECT_EQ(IsOfType(c.bytes, asked), asked == c.found) << c.found << " asked " << asked;
}

TEST_F(StreamSniffer, KindsWithoutATestAreNeverTrue) {
    for (int kind : {-1, 0, 1, 22, 1000})
        for (std::string const& bytes : {std::string(), sniff::PDF(), std::string(" ")})
            EXPECT_FALSE(IsOfType(bytes, static_cast<Kind>(kind))) << kind;
}

// Directory entries past the first 4,096 bytes are not read: tables listed only there are absent,
// however large the count and the file.
TEST_F(StreamSniffer, TableEntriesPastTheHeadAreAbsent) {
    std::vector<std::string> const tags = sniff::With(sniff::CommonTables(), {"CFF ", "name"});
    auto font = [&](std::size_t first) {
        std::vector<std::pair<std::size_t, std::string>> entries;
        for (std::size_t i = 0; i < tags.size(); ++i)
            entries.emplace_back(first + i, tags[i]);
        return SfntDirectory("OTTO", 0xFFFF, entries, 16 * 0xFFFF + 13);
    };
    // The seven tables needed; the last entry wholly inside the head is index 254 (4,076 to 4,092).
    EXPECT_EQ(TypeOf(font(248)), GTypeEnums::kOpenTypeCFF);
    EXPECT_EQ(TypeOf(font(249)), GTypeEnums::kNotImplemented);
    // A count whose directory reaches the length is refused before any entry is read.
    std::string tooShort = font(0);
    tooShort.resize(16 * 0xFFFF);
    EXPECT_EQ(TypeOf(tooShort), GTypeEnums::kNotImplemented);
}

TEST_F(StreamSniffer, DOSEPSReadsThePostScriptSection) {
    std::string const eps = sniff::DOSEPS();
    auto withOffset = [&](std::uint32_t offset) {
        std::string s = eps;
        sniff::SetLE32(s, 4, offset);
        return s;
    };
    struct Case {
        char const* name;
        std::string bytes;
        bool isEPS;
    } const cases[] = {
        {"the sample", eps, true},
        {"offset at the length", withOffset(static_cast<std::uint32_t>(eps.size())), false},
        {"offset beyond the length", withOffset(0xFFFFFFFFu), false},
        {"offset to the last byte", withOffset(static_cast<std::uint32_t>(eps.size() - 1)), false},
        {"offset to the line end", withOffset(static_cast<std::uint32_t>(eps.find('\n'))), false},
        {"header of 8 bytes", eps.substr(0, 8), false},
        // With 9 bytes the offset is taken and points past the end.
        {"header of 9 bytes", eps.substr(0, 9), false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsOfType(c.bytes, GTypeEnums::kEPS), c.isEPS);
        // The PostScript section lies in the head: when it is not EPS there, it is PostScript.
        if (c.bytes.size() > 30) {
            EXPECT_EQ(TypeOf(c.bytes), c.isEPS ? GTypeEnums::kEPS : GTypeEnums::kPostScript);
        }
    }
    // PostScript far into the file: only the 4,096 bytes at the offset are read.
    std::string far = withOffset(100000).substr(0, 30);
    far.resize(100000, '\0');
    far += sniff::EPS();
    EXPECT_EQ(TypeOf(far), GTypeEnums::kEPS);
    std::string late = withOffset(100000).substr(0, 30);
    late.resize(100000 + 4096, '\0');
    late += sniff::EPS();
    EXPECT_EQ(TypeOf(late), GTypeEnums::kNotImplemented);
}

TEST_F(StreamSniffer, TruncatedSamplesAreConsistent) {
    for (auto const& [bytes, kind] : sniff::AllSamples()) {
        for (std::size_t n = 0; n <= bytes.size(); ++n) {
            std::string const prefix = bytes.substr(0, n);
            GBuffer const data = TestBuffer(prefix);
            GMemoryInStream in(data);
            Kind const found = GStreamSupport::GetStreamType(in);
            if (n == 0) {
                EXPECT_EQ(found, GTypeEnums::kEmpty);
            } else if (found != GTypeEnums::kNotImplemented) {
                EXPECT_TRUE(GStreamSupport::StreamIsOfType(in, found)) << kind << " cut at " << n;
            }
        }
    }
}

// Reads a fixed byte forever as far as asked, counting what Read delivered over all clones.
class CountingInStream : public GInStream {
public:
    CountingInStream(std::string bytes, std::shared_ptr<long long> delivered)
        : mBytes(std::move(bytes)), mDelivered(std::move(delivered)) {}
    CountingInStream(CountingInStream const&) = default;

    GInStream* CreateClone() const override { return new CountingInStream(*this); }
    int Read(GBuffer& out, int count) override {
        out.Clear();
        long long const left = static_cast<long long>(mBytes.size()) - mPos;
        int const n = static_cast<int>(std::min<long long>(count, left));
        if (n < 1)
            return -1;
        out.Set(reinterpret_cast<unsigned char const*>(mBytes.data()) + mPos, n);
        mPos += n;
        *mDelivered += n;
        return n;
    }
    long long Skip(long long count) override {
        long long const n = std::max<long long>(0, std::min<long long>(count, static_cast<long long>(mBytes.size()) - mPos));
        mPos += n;
        return n;
    }
    void Reset() override { mPos = 0; }

private:
    std::string mBytes;
    std::shared_ptr<long long> mDelivered;
    long long mPos = 0;
};

TEST_F(StreamSniffer, ReadsStayWithinTheHead) {
    struct Case {
        char const* name;
        std::string bytes;
        int kind;  // -1: GetStreamType
        long long most;
    } const cases[] = {
        {"probe of a large text", std::string(1 << 20, 'a'), -1, 4096},
        {"probe of a large JPEG", "\xFF\xD8\xFF\xE0" + std::string(1 << 20, 'a'), -1, 4096},
        {"JPEG test", "\xFF\xD8\xFF\xE0" + std::string(1 << 20, 'a'), GTypeEnums::kJPEG, 4},
        {"XML test", "<?xml " + std::string(1 << 20, 'a'), GTypeEnums::kXML, 6},
        {"BMP test", std::string(1 << 20, 'a'), GTypeEnums::kBMP, 6},
        {"PDF test", std::string(1 << 20, 'a'), GTypeEnums::kPDF, 1024},
        {"OpenType test", std::string(1 << 20, 'a'), GTypeEnums::kTrueType, 4096},
        {"DOS EPS probe", sniff::DOSEPS() + std::string(1 << 20, 'a'), -1, 4096 + 4096},
    };
    for (Case const& c : cases) {
        auto delivered = std::make_shared<long long>(0);
        CountingInStream in(c.bytes, delivered);
        if (c.kind < 0)
            GStreamSupport::GetStreamType(in);
        else
            GStreamSupport::StreamIsOfType(in, static_cast<Kind>(c.kind));
        EXPECT_LE(*delivered, c.most) << c.name;
    }
}

TEST_F(StreamSniffer, CallersStreamKeepsItsPosition) {
    GBuffer const data = TestBuffer(sniff::GIF());
    GMemoryInStream in(data);
    GBuffer first;
    ASSERT_EQ(in.Read(first, 3), 3);
    // The clone is sniffed from the start, not from where the caller stands.
    EXPECT_EQ(GStreamSupport::GetStreamType(in), GTypeEnums::kGIF);
    EXPECT_TRUE(GStreamSupport::StreamIsOfType(in, GTypeEnums::kGIF));
    GBuffer next;
    ASSERT_EQ(in.Read(next, 3), 3);
    EXPECT_EQ(TestText(next), "89a");
}

TEST_F(StreamSniffer, StreamThatCannotBeClonedIsNotTested) {
    PiecewiseInStream in(sniff::PDF());
    in.SetCloneable(false);
    EXPECT_EQ(GStreamSupport::GetStreamType(in), GTypeEnums::kNotImplemented);
    EXPECT_FALSE(GStreamSupport::StreamIsOfType(in, GTypeEnums::kPDF));
    EXPECT_EQ(in.Reads(), 0);
    EXPECT_EQ(in.Resets(), 0);
}

// Ten bytes to skip, none to read.
class FailingInStream : public GInStream {
public:
    GInStream* CreateClone() const override { return new FailingInStream; }
    int Read(GBuffer&, int) override { throw std::runtime_error("unreadable"); }
    long long Skip(long long count) override {
        long long const n = std::max(0LL, std::min(count, mLeft));
        mLeft -= n;
        return n;
    }
    void Reset() override { mLeft = 10; }

private:
    long long mLeft = 10;
};

TEST_F(StreamSniffer, StreamFailuresPassThrough) {
    FailingInStream in;
    EXPECT_THROW(GStreamSupport::GetStreamType(in), std::runtime_error);
    EXPECT_THROW(GStreamSupport::StreamIsOfType(in, GTypeEnums::kPDF), std::runtime_error);
}

TEST_F(StreamSniffer, EnsureNumberOfBytesTopsUpTheHead) {
    struct Case {
        char const* name;
        std::string head;
        int n;
        bool reached;
        std::string after;
    } const cases[] = {
        {"from nothing", "", 4, true, "abcd"},
        {"from a part", "ab", 4, true, "abcd"},
        {"already enough", "abcde", 3, true, "abcde"},
        {"to the end", "ab", 6, true, "abcdef"},
        {"past the end", "ab", 10, false, "abcdef"},
        {"nothing asked", "", 0, true, ""},
        // The head claims more than the stream holds: nothing is appended after it.
        {"head longer than the stream", "abcdefgh", 10, false, "abcdefgh"},
    };
    for (Case const& c : cases) {
        // One byte per read: the missing bytes take several reads.
        PiecewiseInStream in("abcdef", {1});
        GBuffer head = TestBuffer(c.head);
        EXPECT_EQ(GStreamSupport::EnsureNumberOfBytes(in, head, c.n), c.reached) << c.name;
        EXPECT_EQ(TestText(head), c.after) << c.name;
    }
}

TEST_F(StreamSniffer, KindNames) {
    GFileType::Initialize();
    struct Case {
        int kind;
        int id;
        char const* name;
    } const cases[] = {
        {0, 7201, "Not Implemented"},
        {1, 7202, "Empty"},
        {2, 7203, "Portable Document Format (PDF)"},
        {4, 7205, "Extended PostScript"},
        {15, 7216, "OpenType CFF TrueType"},
        {18, 7219, "TrueType Mac"},
        {19, 7221, "ICC Profile"},
        {20, 7222, "FontMetrics"},
        {21, 7223, "XML"},
        {22, 7100, ""},
        {-1, 7100, ""},
    };
    for (Case const& c : cases) {
        auto const kind = static_cast<Kind>(c.kind);
        EXPECT_EQ(GStreamSupport::StreamTypeToStringID(kind), c.id) << c.kind;
        EXPECT_EQ(Text(GStreamSupport::StreamTypeToGString(kind)), c.name) << c.kind;
    }
    GFileType::Finalize();
}

// A JPEG segment: marker, big-endian length (counting itself) and payload.
std::string Segment(unsigned char marker, std::string const& payload) {
    std::string s{'\xFF', static_cast<char>(marker)};
    sniff::PutBE16(s, static_cast<unsigned>(payload.size() + 2));
    return s + payload;
}

std::string JpegStartingWith(unsigned char marker, std::string const& payload) {
    return std::string("\xFF\xD8", 2) + Segment(marker, payload) + std::string("\xFF\xD9", 2);
}

// The MIME type that file(1) (libmagic) gives a file; empty when file(1) is not installed.
std::string MimeTypeByLibmagic(std::string const& path) {
    static char const cFile[] = "/usr/bin/file";
    SpawnedProgram file;
    if (access(cFile, X_OK) != 0 || !file.Start(cFile, {"--brief", "--mime-type", path}))
        return std::string();
    std::string line;
    file.ReadLine(line);
    return file.Wait() == 0 ? line : std::string();
}

// A few of the system's own JPEG files; a bounded walk, so a large tree costs little.
std::vector<std::string> SystemJpegFiles() {
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::error_code error;
    int visited = 0;
    for (char const* root : {"/usr/share", "/usr/lib"}) {
        fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
        for (; !error && it != end && visited < 200000 && found.size() < 20; it.increment(error), ++visited) {
            std::string const extension = it->path().extension().string();
            if ((extension == ".jpg" || extension == ".jpeg" || extension == ".JPG") && it->is_regular_file(error))
                found.push_back(it->path().string());
        }
    }
    return found;
}

// JPEG is whatever libmagic takes for one: the start-of-image marker followed by any marker.
TEST_F(StreamSniffer, JpegAsLibmagicTakesIt) {
    std::string const tables(65, '\x01');
    struct Case {
        char const* name;
        std::string bytes;
        bool jpeg;
    };
    Case const cases[] = {
        {"JFIF", sniff::JPEG(), true},
        {"Exif", JpegStartingWith(0xE1, std::string("Exif\0\0MM\0*\0\0\0\x08\0\0", 16)), true},
        {"quantisation tables first", JpegStartingWith(0xDB, tables), true},
        {"Huffman tables first", JpegStartingWith(0xC4, tables), true},
        {"frame header first", JpegStartingWith(0xC0, std::string("\x08\0\x01\0\x01\x01\x01\x11\0", 9)), true},
        {"Adobe", JpegStartingWith(0xEE, std::string("Adobe\0\x64\0\0\0\0\x01", 12)), true},
        {"comment quoting EPS and PDF", JpegStartingWith(0xFE, "%!PS-Adobe-3.0 EPSF-3.0\n%PDF-1.4\n"), true},
        {"end-of-image marker first", std::string("\xFF\xD9\xFF\xE0", 4) + Segment(0xE0, "JFIF") + "\xFF\xD9", false},
        {"no marker after the start", std::string("\xFF\xD8\xFE\0", 4) + tables, false},
        {"start-of-image marker alone", std::string("\xFF\xD8", 2), false},
        {"three bytes", std::string("\xFF\xD8\xFF", 3), false},
    };
    ScopedTempFolder folder;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::string const path = folder / "sample.jpg";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
        std::string const mime = MimeTypeByLibmagic(path);
        if (!mime.empty()) {
            EXPECT_EQ(mime == "image/jpeg", c.jpeg) << "libmagic says " << mime;
        }
        EXPECT_EQ(TypeOf(c.bytes) == GTypeEnums::kJPEG, c.jpeg);
        EXPECT_EQ(IsOfType(c.bytes, GTypeEnums::kJPEG), c.jpeg);
    }
    for (std::string const& path : SystemJpegFiles()) {
        std::string const mime = MimeTypeByLibmagic(path);
        if (mime.empty())
            continue;
        GFileInStream in{GPathName(GString(path.c_str(), GUTF8Encoding::GetInstance()))};
        EXPECT_EQ(GStreamSupport::GetStreamType(in) == GTypeEnums::kJPEG, mime == "image/jpeg") << path << ": " << mime;
    }
}

TEST_F(StreamSniffer, FilesOnDisk) {
    ScopedTempFolder folder;
    for (auto const& [bytes, kind] : sniff::AllSamples()) {
        std::string const path = folder / ("sample-" + std::to_string(kind));
        std::ofstream(path, std::ios::binary) << bytes;
        GFileInStream in{GPathName(GString(path.c_str(), GUTF8Encoding::GetInstance()))};
        EXPECT_EQ(GStreamSupport::GetStreamType(in), kind) << path;
        EXPECT_EQ(in.GetPos(), 0);
    }
}

} // namespace
