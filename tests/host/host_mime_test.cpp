// BKA_MIMEHeader as the host offers it (through the decode verb, which calls the exported
// function): RFC 2047 B and Q words in the Japanese and other charsets, joined adjacent words,
// malformed words left alone, and encoding that decodes back.
#include "host/HostTestSupport.h"

class HostMimeTest : public HostTest {
protected:
    std::vector<std::string> Decode(const std::vector<std::string>& texts) {
        std::vector<std::string> arguments = {"decode"};
        arguments.insert(arguments.end(), texts.begin(), texts.end());
        const testing_host::Result result = Host(arguments, false);
        EXPECT_EQ(0, result.exitCode);
        std::vector<std::string> outputs;
        for (const testing_json::Value& line : result.Events("decode")) outputs.push_back(line["output"].Str());
        EXPECT_EQ(texts.size(), outputs.size());
        return outputs;
    }
};

TEST_F(HostMimeTest, DecodesBAndQWordsOfEachCharsetIntoCp932) {
    const std::vector<std::string> out = Decode({
        "=?ISO-2022-JP?B?GyRCJEskWyRzJDQbKEI=?=",  // にほんご
        "=?UTF-8?Q?=E6=97=A5=E6=9C=AC?=",          // 日本
        "=?Shift_JIS?B?k/qWew==?=",                // 日本
        "=?EUC-JP?B?xvzL3A==?=",                   // 日本
        "=?ISO-8859-1?Q?=B1=D7?=",                 // ±×
        "=?utf-8?b?5pel?=",                        // letter case of charset and encoding
        "=?UTF-8*ja?B?5pel?=",                     // RFC 2231 language
        "=?UTF-8?Q?a_b=3Fc?=",                     // "_" is a blank
        "=?ISO-2022-JP?B?GyRCLSEbKEI=?=",          // ① (NEC row 13)
        "=?ISO-2022-JP?B?GyRCIUEbKEI=?=",          // JIS wave dash: CP932 0x8160
        "=?UTF-8?B?44Cc?=",                        // U+301C, the same character from Unicode
        "=?ISO-2022-JP?B?GyhJMTI=?=",              // half-width katakana (JIS X 0201)
    });
    ASSERT_EQ(12u, out.size());
    EXPECT_EQ("にほんご", out[0]);
    EXPECT_EQ("日本", out[1]);
    EXPECT_EQ("日本", out[2]);
    EXPECT_EQ("日本", out[3]);
    EXPECT_EQ("±×", out[4]);
    EXPECT_EQ("日", out[5]);
    EXPECT_EQ("日", out[6]);
    EXPECT_EQ("a b?c", out[7]);
    EXPECT_EQ("①", out[8]);
    EXPECT_EQ("～", out[9]);
    EXPECT_EQ("～", out[10]);
    EXPECT_EQ("ｱｲ", out[11]);
}

TEST_F(HostMimeTest, AdjacentWordsJoinWithoutTheBlankOtherTextStays) {
    const std::vector<std::string> out = Decode({
        "=?UTF-8?B?5pel?= =?UTF-8?B?5pys?=",
        "=?UTF-8?B?5pel?=\r\n\t=?UTF-8?B?5pys?=",      // folded between the words
        "=?UTF-8?B?5pel?= x =?UTF-8?B?5pys?=",          // text between words stays, with its blanks
        "Re: =?UTF-8?B?5pel?= (fwd)",
        "=?UTF-8?Q?=E6=97?= =?UTF-8?Q?=A5?=",           // one character split over two words
        "=?ISO-2022-JP?B?GyRCJEsbKEI=?= =?UTF-8?B?5pel?=",  // different charsets, still adjacent
    });
    ASSERT_EQ(6u, out.size());
    EXPECT_EQ("日本", out[0]);
    EXPECT_EQ("日本", out[1]);
    EXPECT_EQ("日 x 本", out[2]);
    EXPECT_EQ("Re: 日 (fwd)", out[3]);
    EXPECT_EQ("日", out[4]);
    EXPECT_EQ("に日", out[5]);
}

TEST_F(HostMimeTest, MalformedWordsAreLeftAsTheyAre) {
    const std::vector<std::string> texts = {
        "=?UTF-8?B?5pel=x?=",          // data after the padding
        "=?UTF-8?B?5p*l?=",            // not Base64
        "=?UTF-8?B?5?=",               // a lone symbol carries no byte
        "=?UTF-8?Q?=ZZ?=",             // bad hex
        "=?UTF-8?Q?=E6=9?=",           // cut escape
        "=?UTF-8?B?5pel",              // no end
        "=?no-such-charset?B?5pel?=",  // unknown charset
        "=?UTF-8?X?5pel?=",            // unknown encoding
        "=??B?5pel?=",                 // no charset
        "=?UTF-8?B?5p el?=",           // a blank inside
    };
    const std::vector<std::string> out = Decode(texts);
    EXPECT_EQ(texts, out);
    // A malformed word between two good ones keeps the blanks around it.
    EXPECT_EQ(std::vector<std::string>{"日 =?UTF-8?Q?=ZZ?= 本"},
              Decode({"=?UTF-8?B?5pel?= =?UTF-8?Q?=ZZ?= =?UTF-8?B?5pys?="}));
}

TEST_F(HostMimeTest, EncodedTextDecodesBack) {
    // Japanese text reaches the host through a script file (UTF-8), the same on both sides.
    const std::string text = "日本語の件名、とても長いので一つの語には入りきらない ｶﾀｶﾅ";
    const testing_host::Result encoded =
        Host({"script", Script("decode --encode \"" + text + "\"\ndecode --encode --charset UTF-8 \"" + text + "\"\n")}, false);
    ASSERT_EQ(0, encoded.exitCode);
    const std::vector<testing_json::Value> lines = encoded.Events("decode");
    ASSERT_EQ(2u, lines.size());
    for (const testing_json::Value& line : lines) {
        const std::string word = line["output"].Str();
        EXPECT_EQ(0u, word.find("=?")) << word;
        for (char c : word) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << "not encoded: " << word;
        EXPECT_EQ(std::vector<std::string>{text}, Decode({word}));
    }
    EXPECT_NE(std::string::npos, lines[0]["output"].Str().find("=?ISO-2022-JP?B?"));
    EXPECT_NE(std::string::npos, lines[1]["output"].Str().find("=?UTF-8?B?"));
}
