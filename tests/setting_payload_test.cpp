#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "serial_step.h"
#include "setting_packers.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The bytes the setting job would send.
Bytes Sent(const SettingPayload& payload) {
    return Bytes(payload.Data.begin(), payload.Data.begin() + payload.Length);
}

// The PARA tab as built in: "  9600", NORMAL, font A, LF, 50 / 0 / 200 / 200.
ParaSettings DefaultPara() {
    ParaSettings para;
    para.rateText = "  9600";
    para.codePageIndex = -1;
    para.densityIndex = 1;
    para.fontIndex = 0;
    para.lineEndIndex = 0;
    para.idleText = "50";
    para.offText = "0";
    para.maxFeedText = "200";
    para.pageText = "200";
    return para;
}

bool Mentions(const std::string& message, const std::string& part) {
    return message.find(part) != std::string::npos;
}

TEST(PrintParameters, PacksTheKnownExampleByteForByte) {
    const std::array<int32_t, 5> codePages{0, 1, 2, 16, 17};
    ParaSettings para = DefaultPara();
    para.codePageIndex = 3;
    para.lineEndIndex = 1;
    para.idleText = "  50  ";
    const PackResult result = PackPrintParameters(para, codePages);
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(result.payload->Command, 0x60u);
    EXPECT_EQ(result.payload->Parameter, 0u);
    EXPECT_EQ(Sent(*result.payload), (Bytes{0x00, 0x00, 0x25, 0x80, 0x10, 0x01, 0x00, 0x01, 0x32,
                                            0x00, 0x00, 0x00, 0xC8, 0x00, 0xC8, 0x00}));
}

TEST(PrintParameters, TakesLowBitsAndDefaultsForCodePageAndLists) {
    ParaSettings para = DefaultPara();
    para.rateText = "115200";
    para.codePageIndex = 1;
    const std::array<int32_t, 2> codePages{0, 300};
    PackResult result = PackPrintParameters(para, codePages);
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(Sent(*result.payload), (Bytes{0x00, 0x01, 0xC2, 0x00, 0x2C, 0x01, 0x00, 0x00, 0x32,
                                            0x00, 0x00, 0x00, 0xC8, 0x00, 0xC8, 0x00}));

    // No [CODEPAGE] section: an empty table and no selection give code page 0;
    // unselected density, font and line end lists give 0xFF.
    para = DefaultPara();
    para.densityIndex = -1;
    para.fontIndex = -1;
    para.lineEndIndex = -1;
    result = PackPrintParameters(para, {});
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(Bytes(result.payload->Data.begin() + 4, result.payload->Data.begin() + 8),
              (Bytes{0x00, 0xFF, 0xFF, 0xFF}));

    // A selection the table does not cover counts as no code page.
    para.codePageIndex = 2;
    result = PackPrintParameters(para, codePages);
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(result.payload->Data[4], 0x00);

    // Numeric fields send their low 16 bits: 70000 = 0x11170, -1 = 0xFFFF.
    para = DefaultPara();
    para.offText = "70000";
    para.pageText = " -1";
    result = PackPrintParameters(para, {});
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(Bytes(result.payload->Data.begin() + 8, result.payload->Data.begin() + 16),
              (Bytes{0x32, 0x00, 0x70, 0x11, 0xC8, 0x00, 0xFF, 0xFF}));
}

TEST(PrintParameters, RefusesTextsThatDoNotConvertNamingTheTextAsConverted) {
    ParaSettings para = DefaultPara();
    para.rateText = "9600 ";
    PackResult result = PackPrintParameters(para, {});
    EXPECT_FALSE(result.payload);
    EXPECT_EQ(result.error, "'9600 ' is not a valid integer value");

    // Fields are trimmed before converting, and the first bad one is named.
    para = DefaultPara();
    para.maxFeedText = " 2x0 ";
    para.pageText = "";
    result = PackPrintParameters(para, {});
    EXPECT_FALSE(result.payload);
    EXPECT_EQ(result.error, "'2x0' is not a valid integer value");

    para.maxFeedText = "200";
    result = PackPrintParameters(para, {});
    EXPECT_EQ(result.error, "'' is not a valid integer value");
}

TEST(Bluetooth, SendsBothTextsAsLatin1WithBothZeros) {
    PackResult result = PackBluetooth({"AB", ""});
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(result.payload->Command, 0x61u);
    EXPECT_EQ(result.payload->Parameter, 0u);
    EXPECT_EQ(Sent(*result.payload), (Bytes{0x41, 0x42, 0x00, 0x00}));

    result = PackBluetooth({"", ""});
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(Sent(*result.payload), (Bytes{0x00, 0x00}));

    // Untrimmed, one Latin-1 byte per character: " Café ", "ÿ".
    result = PackBluetooth({" Caf\xC3\xA9 ", "\xC3\xBF"});
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(Sent(*result.payload), (Bytes{' ', 'C', 'a', 'f', 0xE9, ' ', 0x00, 0xFF, 0x00}));
}

TEST(Bluetooth, RefusesCharactersWithoutAByteNamingFieldAndCharacter) {
    PackResult result = PackBluetooth({"A\xE2\x82\xAC", "1"});  // "A€"
    EXPECT_FALSE(result.payload);
    EXPECT_TRUE(Mentions(result.error, "DEVICE NAME")) << result.error;
    EXPECT_TRUE(Mentions(result.error, "'\xE2\x82\xAC' (U+20AC)")) << result.error;

    result = PackBluetooth({"A", "1\xF0\x9F\x98\x80"});  // an emoji, U+1F600
    EXPECT_FALSE(result.payload);
    EXPECT_TRUE(Mentions(result.error, "PIN")) << result.error;
    EXPECT_TRUE(Mentions(result.error, "U+1F600")) << result.error;

    // Malformed UTF-8: a cut sequence, "/" in two and three bytes, a surrogate.
    for (const char* pin : {"1\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80"}) {
        result = PackBluetooth({"A", pin});
        EXPECT_FALSE(result.payload);
        EXPECT_TRUE(Mentions(result.error, "PIN: the text is not valid UTF-8")) << result.error;
    }

    // A zero inside a text would move the end of the name on the printer.
    result = PackBluetooth({std::string("A\0B", 3), "1"});
    EXPECT_FALSE(result.payload);
    EXPECT_TRUE(Mentions(result.error, "DEVICE NAME")) << result.error;
}

TEST(Bluetooth, RefusesTextsWhosePayloadExceedsOneFrame) {
    // 1010 characters + 2 zeros fit exactly; counted in bytes sent, not UTF-8.
    const std::string e = "\xC3\xA9";  // "é", two UTF-8 bytes, one byte sent
    std::string name;
    for (int i = 0; i < 1000; ++i)
        name += e;
    PackResult result = PackBluetooth({name, "0123456789"});
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(result.payload->Length, 1012u);
    EXPECT_EQ(result.payload->Data[1011], 0x00);
    EXPECT_EQ(result.payload->Data[1010], '9');

    result = PackBluetooth({name, "01234567890"});
    EXPECT_FALSE(result.payload);
    EXPECT_TRUE(Mentions(result.error, "DEVICE NAME and PIN")) << result.error;
    EXPECT_TRUE(Mentions(result.error, "1013")) << result.error;

    result = PackBluetooth({"A", std::string(5000, '7')});
    EXPECT_FALSE(result.payload);
}

TEST(Infrared, PacksRateBigEndianProtocolAndZeros) {
    PackResult result = PackInfrared({"115200", 0});
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(result.payload->Command, 0x62u);
    EXPECT_EQ(result.payload->Parameter, 0u);
    EXPECT_EQ(Sent(*result.payload), (Bytes{0x00, 0x01, 0xC2, 0x00, 0x00, 0x00, 0x00, 0x00}));

    result = PackInfrared({"  9600", -1});
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(Sent(*result.payload), (Bytes{0x00, 0x00, 0x25, 0x80, 0xFF, 0x00, 0x00, 0x00}));

    result = PackInfrared({" 19200 ", 0});
    EXPECT_FALSE(result.payload);
    EXPECT_EQ(result.error, "' 19200 ' is not a valid integer value");
}

TEST(Factory, SendsTrimmedTextsAndCountsOnlyTheFirstZero) {
    PackResult result = PackFactory({" M1 ", "007"});
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(result.payload->Command, 0x64u);
    EXPECT_EQ(result.payload->Parameter, 0u);
    EXPECT_EQ(Sent(*result.payload), (Bytes{0x4D, 0x31, 0x00, 0x30, 0x30, 0x37}));
    EXPECT_EQ(result.payload->Data[6], 0x00);  // written, not sent

    result = PackFactory({"", "  "});
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(Sent(*result.payload), (Bytes{0x00}));
}

TEST(Factory, RefusesOverlongOrUnsendableTextsNamingTheField) {
    // 1000 + 1 + 11 = 1012 fits; the final zero lands at offset 1012.
    PackResult result = PackFactory({std::string(1000, 'M'), " 12345678901 "});
    ASSERT_TRUE(result.payload) << result.error;
    EXPECT_EQ(result.payload->Length, 1012u);
    EXPECT_EQ(result.payload->Data[1012], 0x00);

    result = PackFactory({std::string(1000, 'M'), "123456789012"});
    EXPECT_FALSE(result.payload);
    EXPECT_TRUE(Mentions(result.error, "MODAL NAME and SERIAL NO")) << result.error;

    result = PackFactory({"M1", "7\xE2\x84\x96"});  // "7№"
    EXPECT_FALSE(result.payload);
    EXPECT_TRUE(Mentions(result.error, "SERIAL NO")) << result.error;
    EXPECT_TRUE(Mentions(result.error, "U+2116")) << result.error;
}

TEST(SerialStep, AddsOneAndWritesDecimal) {
    EXPECT_EQ(StepSerialNumber("41"), "42");
    EXPECT_EQ(StepSerialNumber("-1"), "0");
    EXPECT_EQ(StepSerialNumber(" 9 "), "10");
    EXPECT_EQ(StepSerialNumber("$FF"), "256");
    EXPECT_EQ(StepSerialNumber("4294967295"), "4294967296");
    EXPECT_EQ(StepSerialNumber("9223372036854775807"), "-9223372036854775808");
    EXPECT_EQ(StepSerialNumber("$FFFFFFFFFFFFFFFF"), "0");
}

TEST(SerialStep, LeavesTextsThatAreNotIntegersAlone) {
    EXPECT_FALSE(StepSerialNumber("abc").has_value());
    EXPECT_FALSE(StepSerialNumber("").has_value());
    EXPECT_FALSE(StepSerialNumber("SN-41").has_value());
    EXPECT_FALSE(StepSerialNumber("9223372036854775808").has_value());
}

}  // namespace
