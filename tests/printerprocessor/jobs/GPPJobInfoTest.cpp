#include "printerprocessor/jobs/GPPJobInfo.h"

#include <gtest/gtest.h>

#include <string>

#include "support/NativePathText.h"

namespace {

std::string Wire(const GPPJobInfo& info) {
    const GBuffer bytes = info.ToUTF8();
    return std::string(reinterpret_cast<const char*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

GPPJobInfo FromWire(const std::string& text) {
    return GPPJobInfo::FromUTF8(GBuffer(reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size())));
}

GPPJobInfo Sample() {
    return GPPJobInfo(G("alice"), GPathName(G("/tmp/out/Job 1.pdf")), G("Proof"), G("10987"), 1, GString());
}

}  // namespace

TEST(GPPJobInfo, NoticeBytesAreEightCRLinesInSlotOrder) {
    const std::string expected =
        "#BEGINDICT\r"
        "\"UserName\" \"alice\"\r"
        "\"CopyCount\" \"1\"\r"
        "\"PrinterName\" \"Proof\"\r"
        "\"PrinterID\" \"\"\r"
        "\"JobPath\" \"/tmp/out/Job 1.pdf\"\r"
        "\"PortName\" \"10987\"\r"
        "#ENDDICT\r";
    EXPECT_EQ(Wire(Sample()), expected);
}

TEST(GPPJobInfo, EscapedCharactersRoundTripInEveryTextField) {
    // A line break comes back as the platform's line end, CR.
    const std::string nasty = "a\"b\\c\nd\te \xC3\xA9";
    const std::string back = "a\"b\\c\rd\te \xC3\xA9";
    const GPPJobInfo sent(G("u" + nasty), GPathName(G("/tmp/p" + nasty)), G("n" + nasty), G("p" + nasty), 3,
                          G("i" + nasty));
    const std::string wire = Wire(sent);
    EXPECT_NE(wire.find("\\\"b\\\\c\\nd\\te"), std::string::npos) << wire;
    EXPECT_EQ(wire.find('\n'), std::string::npos) << "no raw LF on the wire";

    const GPPJobInfo got = FromWire(wire);
    EXPECT_EQ(S(got.GetUserName()), "u" + back);
    EXPECT_EQ(S(got.GetJobPath().GetNativePathString()), "/tmp/p" + back);
    EXPECT_EQ(S(got.GetPrinterName()), "n" + back);
    EXPECT_EQ(S(got.GetPortName()), "p" + back);
    EXPECT_EQ(S(got.GetPrinterID()), "i" + back);
    EXPECT_EQ(got.GetCopyCount(), 3);
    EXPECT_TRUE(got.IsValid());
}

TEST(GPPJobInfo, ParsedNoticeValidity) {
    const std::string head = "#BEGINDICT\r\"UserName\" \"bob\"\r\"JobPath\" \"/x.pdf\"\r\"PrinterName\" \"P\"\r";
    struct Case {
        const char* what;
        std::string text;
        bool valid;
        int copies;
    } const cases[] = {
        {"complete, empty printer ID", head + "\"PortName\" \"1\"\r\"CopyCount\" \"2\"\r\"PrinterID\" \"\"\r#ENDDICT\r", true, 2},
        {"no printer ID at all", head + "\"PortName\" \"1\"\r\"CopyCount\" \"1\"\r#ENDDICT\r", true, 1},
        {"LF line ends", "#BEGINDICT\n\"UserName\" \"bob\"\n\"JobPath\" \"/x\"\n\"PrinterName\" \"P\"\n\"PortName\" \"1\"\n\"CopyCount\" \"1\"\n#ENDDICT\n", true, 1},
        {"copy count 0", head + "\"PortName\" \"1\"\r\"CopyCount\" \"0\"\r#ENDDICT\r", false, 0},
        {"copy count negative", head + "\"PortName\" \"1\"\r\"CopyCount\" \"-4\"\r#ENDDICT\r", false, -4},
        {"copy count not a number", head + "\"PortName\" \"1\"\r\"CopyCount\" \"many\"\r#ENDDICT\r", false, 0},
        {"no user name", "#BEGINDICT\r\"JobPath\" \"/x\"\r\"PrinterName\" \"P\"\r\"PortName\" \"1\"\r\"CopyCount\" \"1\"\r#ENDDICT\r", false, 1},
        {"empty port name", head + "\"PortName\" \"\"\r\"CopyCount\" \"1\"\r#ENDDICT\r", false, 1},
        {"no #BEGINDICT", "\"UserName\" \"bob\"\r\"CopyCount\" \"1\"\r", false, 0},
        {"empty text", "", false, 0},
        {"key without value stops", head + "\"PortName\"\r\"CopyCount\" \"1\"\r#ENDDICT\r", false, 0},
        {"not UTF-8 at all", std::string("\xFF\xFE\x00#", 4), false, 0},
    };
    for (const Case& c : cases) {
        const GPPJobInfo info = FromWire(c.text);
        EXPECT_EQ(info.IsValid(), c.valid) << c.what;
        EXPECT_EQ(info.GetCopyCount(), c.copies) << c.what;
    }
}

TEST(GPPJobInfo, RepeatedKeyKeepsTheLastValueAndUnknownKeysAreIgnored) {
    const GPPJobInfo info = FromWire(
        "#BEGINDICT\r\"UserName\" \"first\"\r\"UserName\" \"second\"\r\"Extra\" \"x\"\r\"JobPath\" \"/a/../b.pdf\"\r"
        "\"PrinterName\" \"P\"\r\"PortName\" \"1\"\r\"CopyCount\" \"1\"\r#ENDDICT\r");
    EXPECT_EQ(S(info.GetUserName()), "second");
    EXPECT_EQ(S(info.GetJobPath().GetNativePathString()), "/b.pdf");
    EXPECT_TRUE(info.IsValid());
}

TEST(GPPJobInfo, ConstructedValidity) {
    EXPECT_TRUE(Sample().IsValid());
    EXPECT_FALSE(GPPJobInfo(G(""), GPathName(G("/a")), G("P"), G("1"), 1, G("")).IsValid());
    EXPECT_FALSE(GPPJobInfo(G("u"), GPathName(), G("P"), G("1"), 1, G("")).IsValid());
    EXPECT_FALSE(GPPJobInfo(G("u"), GPathName(G("/a")), G(""), G("1"), 1, G("")).IsValid());
    EXPECT_FALSE(GPPJobInfo(G("u"), GPathName(G("/a")), G("P"), G("1"), 0, G("")).IsValid());

    GPPJobInfo copy = Sample();
    copy = GPPJobInfo(G("x"), GPathName(G("/y")), G("z"), G("w"), 9, G("id"));
    EXPECT_EQ(Wire(GPPJobInfo(copy)), Wire(copy));
    EXPECT_EQ(copy.GetCopyCount(), 9);
}
