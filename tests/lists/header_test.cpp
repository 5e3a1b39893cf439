// Header access: field lookup, decoding through the host, adding and removing fields, address
// lists, single addresses and domains, and hostile message texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "lists/Header.h"
#include "lists/ListTestUtil.h"

namespace {

using listtest::FakeHostDecoder;
using listtest::ScopedFakeDecoder;

std::string Field(const std::string& message, const char* name, bool* found = nullptr) {
    return GetHeaderField(message.c_str(), name, found);
}

// All tokens of an address list, as the send hook walks it.
std::vector<std::string> Tokens(const std::string& list) {
    std::vector<char> buffer(list.begin(), list.end());
    buffer.push_back('\0');
    std::vector<std::string> tokens;
    for (char* token = NextAddressToken(buffer.data()); token != nullptr; token = NextAddressToken(nullptr)) {
        tokens.push_back(token);
    }
    return tokens;
}

struct Split {
    std::string name;
    std::string address;
};

Split SplitOf(const char* text, size_t nameSize = 4096) {
    std::vector<char> name(nameSize + 1, 'x');
    char address[kAddressSize];
    std::memset(address, 'x', sizeof(address));
    SplitAddress(text, name.data(), nameSize, address);
    return Split{name.data(), address};
}

Split ParseOf(const char* text, size_t nameSize = 4096) {
    std::vector<char> name(nameSize + 1, 'x');
    char address[kAddressSize];
    ParseAddress(text, name.data(), nameSize, address);
    return Split{name.data(), address};
}

}  // namespace

TEST(HeaderField, NameMatchesCaseInsensitivelyOnlyAtLineStartsAndBeforeAColon) {
    const std::string message =
        "from: Taro <taro@example.jp>\r\n"
        "Subject: hello\r\n"
        "\r\n"
        "body\r\n";
    EXPECT_EQ("Taro <taro@example.jp>", Field(message, "From"));
    EXPECT_EQ("hello", Field(message, "SUBJECT"));

    // X-From ends with the name, From-Address begins with it, "From :" has a blank before the
    // colon: none of them is the From field; the real one further down is found.
    const std::string tricky =
        "X-From: wrong1\r\n"
        "From-Address: wrong2\r\n"
        "From : wrong3\r\n"
        "From: right\r\n"
        "\r\n";
    HeaderFieldLocation location;
    ASSERT_TRUE(FindHeaderField("From", tricky.c_str(), &location));
    EXPECT_EQ(tricky.find("From: right"), location.nameStart);
    EXPECT_EQ(location.nameStart + 4, location.colon);
    EXPECT_EQ(location.colon + 2, location.valueStart);
    EXPECT_EQ(tricky.find("\r\n\r\n") + 2, location.fieldEnd);
    EXPECT_EQ("right", Field(tricky, "From"));
    EXPECT_EQ("", Field(tricky, "From-Addr"));

    // The first field of a name wins; later duplicates are never seen.
    EXPECT_EQ("first", Field("To: first\r\nTo: second\r\n\r\n", "To"));
}

TEST(HeaderField, OnlyTheHeaderBlockBeforeTheFirstEmptyLineCounts) {
    EXPECT_EQ("", Field("From: a@b\r\nSubject: s\r\n", "From")) << "no empty line: no header block";
    bool found = true;
    EXPECT_EQ("", Field("Subject: s\r\n\r\nFrom: body@example.jp\r\n", "From", &found));
    EXPECT_FALSE(found) << "a From line in the body is not a field";
    EXPECT_EQ("", Field("Subject: s\r\n\r\n\r\nFrom: x\r\n\r\n", "From"));
    // Bare LF line ends do not make a header block.
    EXPECT_EQ("", Field("From: a\n\nbody", "From"));
}

TEST(HeaderField, ValueIsRawWithFoldedLinesKept) {
    bool found = false;
    EXPECT_EQ("", Field("Subject:\r\nTo: x\r\n\r\n", "Subject", &found));
    EXPECT_TRUE(found) << "an empty value is still a field";
    EXPECT_EQ("", Field("Subject:   \t\r\n\r\n", "Subject", &found));
    EXPECT_TRUE(found);
    EXPECT_EQ("", Field("To: x\r\n\r\n", "Subject", &found));
    EXPECT_FALSE(found);

    EXPECT_EQ("first\r\n second", Field("Subject: first\r\n second\r\nTo: x\r\n\r\n", "Subject"));
    EXPECT_EQ("a\r\n\tb\r\n c ", Field("Subject: \t a\r\n\tb\r\n c \r\n\r\n", "Subject"));
    EXPECT_EQ("=?ISO-2022-JP?B?GyRC?=", Field("Subject: =?ISO-2022-JP?B?GyRC?=\r\n\r\n", "Subject"))
        << "nothing is decoded";
}

TEST(HeaderField, MissingArgumentsFindNothing) {
    HeaderFieldLocation location;
    EXPECT_FALSE(FindHeaderField(nullptr, "A: b\r\n\r\n", &location));
    EXPECT_FALSE(FindHeaderField("", "A: b\r\n\r\n", &location));
    EXPECT_FALSE(FindHeaderField("A", nullptr, &location));
    EXPECT_FALSE(FindHeaderField("A", "A: b\r\n\r\n", nullptr));
    bool found = true;
    EXPECT_EQ("", GetHeaderField(nullptr, "A", &found));
    EXPECT_FALSE(found);
    EXPECT_EQ("", GetDecodedHeaderField(nullptr, "A"));
}

TEST(HeaderField, HostileTextsAreScannedSafely) {
    // Text after a NUL is not there.
    std::string withNul("Subject: a\r\n", 12);
    withNul += '\0';
    withNul += "\r\nFrom: x\r\n\r\n";
    EXPECT_EQ("", GetHeaderField(withNul.c_str(), "Subject"));
    EXPECT_EQ("", GetHeaderField(withNul.c_str(), "From"));

    // A 100 KB header line and a 10 MB body.
    std::string longLine = "Subject: " + std::string(100 * 1024, 'a') + "\r\nFrom: f@example.jp\r\n\r\n";
    EXPECT_EQ(std::string(100 * 1024, 'a'), Field(longLine, "Subject"));
    EXPECT_EQ("f@example.jp", Field(longLine, "From"));
    std::string bigBody = "Subject: s\r\n\r\n" + std::string(10 * 1024 * 1024, 'F');
    EXPECT_EQ("", Field(bigBody, "From"));
    EXPECT_EQ("", Field(std::string(10 * 1024 * 1024, 'x'), "From")) << "no header block at all";

    // A lead byte right before the end, and as the last byte of a value.
    EXPECT_EQ("\x82", Field("Subject: \x82\r\n\r\n", "Subject"));
    EXPECT_EQ("", Field("Subject: a\x82", "Subject"));
    EXPECT_EQ("", Field("\r\n\r\n", "Subject"));
    EXPECT_EQ("", Field("", "Subject"));
}

TEST(HeaderDecoding, HostDecodesNonEmptyValuesAndItsStringsAreReleased) {
    const std::string message = "Subject: =?Hello?=\r\nTo: =?\?=\r\nCc: =?null?=\r\nFrom: plain\r\n\r\n";
    {
        ScopedFakeDecoder fake;
        EXPECT_EQ("Hello", GetDecodedHeaderField(message.c_str(), "Subject"));
        EXPECT_EQ("=?\?=", GetDecodedHeaderField(message.c_str(), "To")) << "an empty decoding is not used";
        EXPECT_EQ("=?null?=", GetDecodedHeaderField(message.c_str(), "Cc")) << "no host string: raw value";
        EXPECT_EQ("plain", GetDecodedHeaderField(message.c_str(), "From"));
        EXPECT_EQ("", GetDecodedHeaderField(message.c_str(), "Bcc"));
        EXPECT_EQ("Taro", DecodeHeaderText("=?Taro?="));
        EXPECT_EQ("=?\?=", DecodeHeaderText("=?\?="));
        EXPECT_EQ("", DecodeHeaderText(""));
        EXPECT_EQ(0, FakeHostDecoder::Outstanding()) << "every host string is freed";
    }
    // A host without a decoder: the raw texts stand.
    PFN_BKA_MIMEHeader saved = g_hostApi.MIMEHeader;
    g_hostApi.MIMEHeader = nullptr;
    EXPECT_EQ("=?Hello?=", GetDecodedHeaderField(message.c_str(), "Subject"));
    EXPECT_EQ("=?Taro?=", DecodeHeaderText("=?Taro?="));
    g_hostApi.MIMEHeader = saved;
}

TEST(HeaderEdit, PrependAddsInFrontUnlessTheFieldExists) {
    const std::string message = "From: a@b\r\nSubject: s\r\n\r\nbody";
    const char* line = "X-Mirvane: spam\r\n";
    std::string out = "untouched";
    ASSERT_TRUE(PrependHeaderField(line, message.c_str(), static_cast<int>(message.size()), "X-Mirvane", &out));
    EXPECT_EQ(std::string(line) + message, out);

    const std::string marked = out;
    out = "untouched";
    EXPECT_FALSE(PrependHeaderField(line, marked.c_str(), static_cast<int>(marked.size()), "x-mirvane", &out));
    EXPECT_EQ("untouched", out);

    EXPECT_FALSE(PrependHeaderField(line, nullptr, 5, "X-Mirvane", &out));
    EXPECT_FALSE(PrependHeaderField(line, message.c_str(), 0, "X-Mirvane", &out));
    EXPECT_FALSE(PrependHeaderField(line, message.c_str(), -1, "X-Mirvane", &out));
    EXPECT_FALSE(PrependHeaderField("", message.c_str(), 10, "X-Mirvane", &out));
    EXPECT_FALSE(PrependHeaderField(line, message.c_str(), 10, "", &out));
    EXPECT_EQ("untouched", out);

    // A message without a header block never has the field, so the line goes in front.
    ASSERT_TRUE(PrependHeaderField(line, "no header", 9, "X-Mirvane", &out));
    EXPECT_EQ(std::string(line) + "no header", out);
}

TEST(HeaderEdit, RemoveTakesTheFirstFieldWithItsContinuationLines) {
    const std::string message =
        "From: a@b\r\n"
        "X-Mirvane: spam\r\n"
        " more\r\n"
        "\tand more\r\n"
        "Subject: s\r\n"
        "x-mirvane: second\r\n"
        "\r\n"
        "X-Mirvane: in the body\r\n";
    std::string out;
    ASSERT_TRUE(RemoveHeaderField("X-Mirvane", message.c_str(), static_cast<int>(message.size()), &out));
    EXPECT_EQ("From: a@b\r\nSubject: s\r\nx-mirvane: second\r\n\r\nX-Mirvane: in the body\r\n", out);

    std::string again;
    ASSERT_TRUE(RemoveHeaderField("X-Mirvane", out.c_str(), static_cast<int>(out.size()), &again));
    EXPECT_EQ("From: a@b\r\nSubject: s\r\n\r\nX-Mirvane: in the body\r\n", again);

    std::string none = "untouched";
    EXPECT_FALSE(RemoveHeaderField("X-Mirvane", again.c_str(), static_cast<int>(again.size()), &none));
    EXPECT_FALSE(RemoveHeaderField("", message.c_str(), 10, &none));
    EXPECT_FALSE(RemoveHeaderField("X-Mirvane", nullptr, 10, &none));
    EXPECT_FALSE(RemoveHeaderField("X-Mirvane", message.c_str(), 0, &none));
    EXPECT_EQ("untouched", none);

    // The first field of the header.
    ASSERT_TRUE(RemoveHeaderField("From", message.c_str(), static_cast<int>(message.size()), &out));
    EXPECT_EQ(0u, out.find("X-Mirvane: spam\r\n"));
}

TEST(AddressList, TokensSplitAtSeparatorsOutsideQuotesAndComments) {
    EXPECT_EQ((std::vector<std::string>{"a@example.jp", "\"Suzuki, Ichiro\" <s@example.jp>", "c@example.jp"}),
              Tokens("a@example.jp, \"Suzuki, Ichiro\" <s@example.jp>;(comment) c@example.jp"));

    // A comment inside a token protects its separators; quotes protect parentheses.
    EXPECT_EQ((std::vector<std::string>{"x@example.jp (Doe, John)", "y@example.jp"}),
              Tokens("x@example.jp (Doe, John), y@example.jp"));
    EXPECT_EQ((std::vector<std::string>{"\"Mr (Big\" <b@example.jp>", "c@example.jp"}),
              Tokens("\"Mr (Big\" <b@example.jp>, c@example.jp"));

    // Separators and control bytes around tokens go; empty pieces give no token.
    EXPECT_EQ((std::vector<std::string>{"a@b", "c@d"}), Tokens(" ,;\r\n\t a@b \t\r\n,,; c@d ;, "));
    EXPECT_TRUE(Tokens("").empty());
    EXPECT_TRUE(Tokens(" , ; ").empty());

    // A leading comment that is never closed ends the list; one inside a token runs to the end.
    EXPECT_TRUE(Tokens("(unclosed a@b, c@d").empty());
    EXPECT_EQ((std::vector<std::string>{"a@b (open, c@d"}), Tokens("a@b (open, c@d"));

    // A double-byte character whose second byte is a separator byte code does not split.
    EXPECT_EQ((std::vector<std::string>{"\"\x95\x5c\x83\x40\" <t@example.jp>"}),
              Tokens("\"\x95\x5c\x83\x40\" <t@example.jp>"));
    // A lead byte at the very end stays inside the last token.
    EXPECT_EQ((std::vector<std::string>{"a@b", "c\x82"}), Tokens("a@b,c\x82"));
}

TEST(AddressList, TheTokenizerKeepsItsPositionAndEndsCleanly) {
    char list[] = "one, two";
    EXPECT_STREQ("one", NextAddressToken(list));
    EXPECT_STREQ("two", NextAddressToken(nullptr));
    EXPECT_EQ(nullptr, NextAddressToken(nullptr));
    EXPECT_EQ(nullptr, NextAddressToken(nullptr)) << "stays at the end";
    char other[] = "three";
    EXPECT_STREQ("three", NextAddressToken(other)) << "a new list restarts the tokenizer";
    EXPECT_EQ(nullptr, NextAddressToken(nullptr));
}

TEST(AddressSplit, TheThreeFormsGiveNameAndAddress) {
    for (const char* text : {"\"Taro Yamada\" <taro@example.jp>", "Taro Yamada <taro@example.jp>",
                             "  Taro Yamada\t<taro@example.jp>", "taro@example.jp (Taro Yamada)",
                             "\"Taro Yamada\"<  taro@example.jp>"}) {
        const Split split = SplitOf(text);
        EXPECT_EQ("Taro Yamada", split.name) << text;
        EXPECT_EQ("taro@example.jp", split.address) << text;
    }
    for (const char* text : {"<taro@example.jp>", "taro@example.jp", "  taro@example.jp \t", " <taro@example.jp"}) {
        const Split split = SplitOf(text);
        EXPECT_EQ("", split.name) << text;
        EXPECT_EQ("taro@example.jp", split.address) << text;
    }
    // A "<" inside quotes is part of the name; nothing is lowered.
    Split split = SplitOf("\"a <b>\" <C@Example.JP>");
    EXPECT_EQ("a <b>", split.name);
    EXPECT_EQ("C@Example.JP", split.address);
    // Unclosed parenthesis: the name runs to the end.
    split = SplitOf("x@y (Name");
    EXPECT_EQ("Name", split.name);
    EXPECT_EQ("x@y", split.address);
    // A double-byte name whose second byte is 0x5C or 0x40.
    split = SplitOf("\x95\x5c\x83\x40 <t@example.jp>");
    EXPECT_EQ("\x95\x5c\x83\x40", split.name);
    EXPECT_EQ("t@example.jp", split.address);

    split = SplitOf("");
    EXPECT_EQ("", split.name);
    EXPECT_EQ("", split.address);
    char address[kAddressSize] = "old";
    char name[16] = "old";
    SplitAddress(nullptr, name, sizeof(name), address);
    EXPECT_STREQ("", name);
    EXPECT_STREQ("", address);
    SplitAddress("n <a@b>", nullptr, 0, address);
    EXPECT_STREQ("a@b", address);
}

TEST(AddressSplit, OutputsAreCutToTheirBuffersOnCharacterBoundaries) {
    const std::string longAddress = std::string(600, 'a') + "@example.jp";
    Split split = SplitOf(longAddress.c_str());
    EXPECT_EQ(std::string(511, 'a'), split.address);

    split = SplitOf(("Name <" + longAddress + ">").c_str(), 3);
    EXPECT_EQ("Na", split.name);
    EXPECT_EQ(511u, split.address.size());

    // A double-byte character that would straddle the cut is dropped whole.
    std::string dbcsAddress;
    for (int i = 0; i < 300; ++i) dbcsAddress += "\x82\xa0";
    split = SplitOf(dbcsAddress.c_str());
    EXPECT_EQ(510u, split.address.size());
    split = SplitOf(("\x82\xa0\x82\xa0 <x@y>"), 4);
    EXPECT_EQ("\x82\xa0", split.name) << "3 bytes of room hold one double-byte character";
    split = SplitOf("Name <x@y>", 1);
    EXPECT_EQ("", split.name);

    // Blanks left at the end after the cut go too.
    split = SplitOf("ab   cd <x@y>", 5);
    EXPECT_EQ("ab", split.name);
}

TEST(AddressParse, DisplayNameIsDecodedWhenTheResultFits) {
    ScopedFakeDecoder fake;
    Split split = ParseOf("=?Taro?= <taro@example.jp>");
    EXPECT_EQ("Taro", split.name);
    EXPECT_EQ("taro@example.jp", split.address);

    split = ParseOf("\"=?null?=\" <a@b>");
    EXPECT_EQ("=?null?=", split.name) << "no host string: the raw name stands";

    split = ParseOf("=?long?= <a@b>", 50);
    EXPECT_EQ("=?long?=", split.name) << "a decoding that does not fit is not used";
    split = ParseOf("=?long?= <a@b>", 51);
    EXPECT_EQ(std::string(50, 'L'), split.name);

    split = ParseOf("a@b");
    EXPECT_EQ("", split.name);
    EXPECT_EQ(0, FakeHostDecoder::Outstanding());
}

TEST(AddressDomain, TextAfterTheFirstAtTrimmed) {
    EXPECT_EQ("example.jp", DomainOf("taro@example.jp"));
    EXPECT_EQ("b@c", DomainOf("a@b@c"));
    EXPECT_EQ("example.jp", DomainOf("taro@ \texample.jp\r\n"));
    EXPECT_EQ("", DomainOf("example.jp"));
    EXPECT_EQ("", DomainOf("taro@"));
    EXPECT_EQ("", DomainOf(""));
    // 0x40 as the second byte of a double-byte character is not an "@".
    EXPECT_EQ("", DomainOf("\x83\x40x"));
    EXPECT_EQ("y", DomainOf("\x83\x40x@y"));
}
