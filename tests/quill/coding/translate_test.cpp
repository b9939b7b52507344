#include "quill/coding/translate.h"

#include <gtest/gtest.h>

#include <string>

#include "quill/coding/errors.h"

namespace translate = quill::coding::translate;

namespace {

struct codec_case {
    std::string plain;
    std::string encoded;
};

std::string all_byte_values() {
    std::string bytes;
    for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<char>(value));
    return bytes;
}

// RFC 4648, section 10.
const codec_case rfc4648_base64[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
};

const codec_case rfc4648_hex[] = {
    {"", ""},
    {"f", "66"},
    {"fo", "666f"},
    {"foo", "666f6f"},
    {"foob", "666f6f62"},
    {"fooba", "666f6f6261"},
    {"foobar", "666f6f626172"},
};

}  // namespace

TEST(Base64Test, EncodesRfc4648Vectors) {
    for (const codec_case& vector : rfc4648_base64)
        EXPECT_EQ(vector.encoded, translate::encode_base64(vector.plain)) << vector.plain;
}

TEST(Base64Test, DecodesRfc4648Vectors) {
    for (const codec_case& vector : rfc4648_base64)
        EXPECT_EQ(vector.plain, translate::decode_base64(vector.encoded)) << vector.encoded;
}

TEST(Base64Test, UsesPlusAndSlashForTheLastTwoSymbols) {
    EXPECT_EQ("+/+/", translate::encode_base64(std::string("\xFB\xFF\xBF", 3)));
    EXPECT_EQ(std::string("\xFB\xFF\xBF", 3), translate::decode_base64("+/+/"));
}

TEST(Base64Test, FiftySevenBytesMakeOneUnpaddedLineOfSeventySix) {
    const std::string encoded = translate::encode_base64(std::string(57, '\xA5'));
    EXPECT_EQ(76u, encoded.size());
    EXPECT_EQ(std::string::npos, encoded.find('='));
}

TEST(Base64Test, RoundTripsEveryByteValueAtEveryLength) {
    const std::string bytes = all_byte_values();
    for (std::size_t length = 0; length <= bytes.size(); length += 37) {
        const std::string piece = bytes.substr(length % 7, length);
        EXPECT_EQ(piece, translate::decode_base64(translate::encode_base64(piece))) << length;
    }
}

TEST(Base64Test, DecodingSkipsEverythingOutsideTheAlphabet) {
    const codec_case lenient[] = {
        {"foobar", "Zm9v\r\nYmFy"},
        {"foobar", "Zm9v YmFy\r\n"},
        {"foobar", "Z m 9 v\tY-m*F.y"},
        {"f", "Zg==\r\n"},
        {"", "===="},
        {"", "\r\n \x80\xFF"},
        {"fo", "Zm9"},  // the trailing partial group's 2 bits are dropped
        {"f", "Zm"},
        {"", "Z"},
    };
    for (const codec_case& row : lenient)
        EXPECT_EQ(row.plain, translate::decode_base64(row.encoded)) << row.encoded;
}

TEST(HexTest, EncodesRfc4648VectorsInLowerCase) {
    for (const codec_case& vector : rfc4648_hex)
        EXPECT_EQ(vector.encoded, translate::encode_hex(vector.plain)) << vector.plain;
    EXPECT_EQ("ab", translate::encode_hex("\xAB"));
    EXPECT_EQ("00ff7f80", translate::encode_hex(std::string("\x00\xFF\x7F\x80", 4)));
}

TEST(HexTest, DecodesDigitsInAnyLetterCase) {
    for (const codec_case& vector : rfc4648_hex)
        EXPECT_EQ(vector.plain, translate::decode_hex(vector.encoded)) << vector.encoded;
    EXPECT_EQ("\xAB\xCD\xEF", translate::decode_hex("ABcdEf"));
    EXPECT_EQ("\xAB", translate::decode_hex("aB"));
    EXPECT_EQ(all_byte_values(), translate::decode_hex(translate::encode_hex(all_byte_values())));
}

TEST(HexTest, DropsTheHalfByteOfAnOddDigitCount) {
    EXPECT_EQ("\x12", translate::decode_hex("123"));
}

TEST(HexTest, RejectsAnyOtherCharacterWithItsCodeAsSignedByte) {
    const struct {
        std::string text;
        std::string message;
    } rejected[] = {
        {"g0", "Invalid Codeword 0x67"},
        {"12 34", "Invalid Codeword 0x20"},
        {"0x10", "Invalid Codeword 0x78"},
        {"ab\r\n", "Invalid Codeword 0x0D"},
        {std::string("a\0", 2), "Invalid Codeword 0x00"},
        {"\xC3\xA9", "Invalid Codeword 0xFFFFFFC3"},
        {"0\x80", "Invalid Codeword 0xFFFFFF80"},
    };
    for (const auto& row : rejected) {
        try {
            translate::decode_hex(row.text);
            ADD_FAILURE() << "no error for " << row.text;
        } catch (const translate::invalid_codeword& error) {
            EXPECT_EQ(row.message, error.message());
            EXPECT_STREQ("translate.invalid_codeword", error.name());
            EXPECT_EQ("translate.invalid_codeword[" + row.message + "]", error.what());
        }
    }
}

TEST(HexTest, InvalidCodewordIsCaughtAsModuleAndLibraryError) {
    EXPECT_THROW(translate::decode_hex("zz"), translate::generic);
    EXPECT_THROW(translate::decode_hex("zz"), quill::exception);
}

TEST(QuotedPrintableTest, EscapesWhatTheCodecReserves) {
    const codec_case escapes[] = {
        {"", ""},
        {"=", "=3D"},
        {"\t", "=09"},
        {"?", "=3F"},
        {"_", "=5F"},
        {"\"", "=22"},
        {"\xE9", "=E9"},
        {"\x7F", "=7F"},
        {"\x1F", "=1F"},
        {"\r\n", "=0D=0A"},
        {std::string("\0", 1), "=00"},
        {"a b", "a b"},
        {"~ !#$%&'()*+,-./:;<>@[\\]^`{|}", "~ !#$%&'()*+,-./:;<>@[\\]^`{|}"},
        {"caf\xE9 = ok?", "caf=E9 =3D ok=3F"},
    };
    for (const codec_case& row : escapes)
        EXPECT_EQ(row.encoded, translate::encode_quoted_printable(row.plain)) << row.plain;
}

TEST(QuotedPrintableTest, DecodesEscapesInAnyLetterCase) {
    const codec_case decoded[] = {
        {"", ""},           {"=", "=3D"}, {"caf\xE9", "caf=E9"}, {"caf\xE9", "caf=e9"},
        {"a b_c", "a b_c"},  // "_" is the header form's business
        {"\r\n", "=0D=0A"},
    };
    for (const codec_case& row : decoded)
        EXPECT_EQ(row.plain, translate::decode_quoted_printable(row.encoded)) << row.encoded;
    EXPECT_EQ(all_byte_values(), translate::decode_quoted_printable(
                                     translate::encode_quoted_printable(all_byte_values())));
}

TEST(QuotedPrintableTest, KeepsIncompleteAndMalformedEscapesUnchanged) {
    const codec_case kept[] = {
        {"abc=", "abc="},
        {"abc=4", "abc=4"},
        {"=", "="},
        {"=zz", "=zz"},
        {"=zzA", "=zzA"},
        {"=g4x", "=g4x"},
        {"a=\r\nb", "a=\r\nb"},  // a soft line break is a body matter, not this codec's
        // A malformed escape is kept whole and decoding goes on after its three characters.
        {"=4gA", "=4g=41"},
        {"=A=41", "=A=41"},
        {"==41", "==41"},
        {"==", "=3D="},
        {"\xE9=\xC3\xA9", "=E9=\xC3\xA9"},
    };
    for (const codec_case& row : kept)
        EXPECT_EQ(row.plain, translate::decode_quoted_printable(row.encoded)) << row.encoded;
}
