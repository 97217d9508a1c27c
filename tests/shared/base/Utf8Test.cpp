#include <gtest/gtest.h>

#include <string>

#include "shared/base/Utf8.h"

namespace tarvex {
namespace {

TEST(Utf8ValidityTest, AcceptsWellFormedText) {
    for (const char* text : {"", "plain ascii", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80",
                             "\xED\x9F\xBF", "\xEE\x80\x80", "\xEF\xBF\xBF", "\xF0\x90\x80\x80",
                             "\xF4\x8F\xBF\xBF", "Stopping\u2026", "\U0001F600 face"}) {
        EXPECT_TRUE(isValidUtf8(text)) << testing::PrintToString(std::string(text));
    }
    EXPECT_TRUE(isValidUtf8(std::string_view("a\0b", 3)));
}

TEST(Utf8ValidityTest, RejectsMalformedText) {
    const char* bad[] = {
        "\x80",              // lone continuation byte
        "\xBF",              //
        "\xC0\x80",          // overlong NUL
        "\xC1\xBF",          // overlong 2-byte
        "\xE0\x80\x80",      // overlong 3-byte
        "\xE0\x9F\xBF",      // overlong 3-byte, highest
        "\xF0\x80\x80\x80",  // overlong 4-byte
        "\xF0\x8F\xBF\xBF",  // overlong 4-byte, highest
        "\xED\xA0\x80",      // U+D800 surrogate
        "\xED\xBF\xBF",      // U+DFFF surrogate
        "\xF4\x90\x80\x80",  // U+110000
        "\xF5\x80\x80\x80",  // lead byte beyond the range
        "\xF8\x88\x80\x80\x80",
        "\xFE",
        "\xFF",
        "\xC2",          // truncated at the end
        "\xE2\x80",      //
        "\xF0\x9F\x98",  //
        "\xC2"
        "a",  // continuation missing in the middle
        "\xE2\x80"
        "a",  //
        "ok\xF0\x9F\x98"
        "ok",
    };
    for (const char* text : bad) {
        EXPECT_FALSE(isValidUtf8(text)) << testing::PrintToString(std::string(text));
    }
}

TEST(Utf8DecodeTest, DecodesAndAdvances) {
    const std::string text = "a\xC3\xA9\xE2\x80\xA6\xF0\x9F\x98\x80";
    std::size_t pos = 0;
    EXPECT_EQ(decodeUtf8(text, pos), U'a');
    EXPECT_EQ(pos, 1u);
    EXPECT_EQ(decodeUtf8(text, pos), U'\u00E9');
    EXPECT_EQ(pos, 3u);
    EXPECT_EQ(decodeUtf8(text, pos), U'\u2026');
    EXPECT_EQ(pos, 6u);
    EXPECT_EQ(decodeUtf8(text, pos), U'\U0001F600');
    EXPECT_EQ(pos, 10u);
    EXPECT_EQ(decodeUtf8(text, pos), std::nullopt);
    EXPECT_EQ(pos, 10u);
}

TEST(Utf8DecodeTest, InvalidSequenceLeavesPositionAlone) {
    const std::string text = "x\xE2\x80";
    std::size_t pos = 1;
    EXPECT_EQ(decodeUtf8(text, pos), std::nullopt);
    EXPECT_EQ(pos, 1u);
}

TEST(Utf8PrefixTest, NeverCutsACharacter) {
    const std::string text = "a\xC3\xA9\xE2\x80\xA6\xF0\x9F\x98\x80";  // 1 + 2 + 3 + 4 bytes
    const std::size_t expected[] = {0, 1, 1, 3, 3, 3, 6, 6, 6, 6, 10};
    for (std::size_t limit = 0; limit <= text.size(); ++limit) {
        EXPECT_EQ(utf8PrefixLength(text, limit), expected[limit]) << limit;
        EXPECT_TRUE(isValidUtf8(text.substr(0, utf8PrefixLength(text, limit))));
    }
    EXPECT_EQ(utf8PrefixLength(text, 1000), text.size());
    EXPECT_EQ(utf8PrefixLength("", 0), 0u);
}

TEST(Utf8PrefixTest, CutInsideInvalidTextStaysWithinLimit) {
    // A run of continuation bytes with no lead: at most three are stepped over.
    const std::string text(8, '\x80');
    for (std::size_t limit = 0; limit < text.size(); ++limit) {
        EXPECT_LE(utf8PrefixLength(text, limit), limit);
    }
}

TEST(UnicodeSpaceTest, WhiteSpaceAndSpaceSeparators) {
    for (char32_t c :
         {U'\t', U'\n', U'\v', U'\f', U'\r', U' ', U'\u0085', U'\u00A0', U'\u1680', U'\u2000',
          U'\u200A', U'\u2028', U'\u2029', U'\u202F', U'\u205F', U'\u3000'}) {
        EXPECT_TRUE(isUnicodeWhiteSpace(c)) << static_cast<unsigned>(c);
    }
    for (char32_t c : {U'a', U'\0', U'\u0008', U'\u000E', U'\u001F', U'\u200B', U'\uFEFF',
                       U'\u180E', U'\u2060'}) {
        EXPECT_FALSE(isUnicodeWhiteSpace(c)) << static_cast<unsigned>(c);
    }
    EXPECT_TRUE(isSpaceSeparator(U' '));
    EXPECT_TRUE(isSpaceSeparator(U'\u2007'));
    EXPECT_FALSE(isSpaceSeparator(U'\t'));
    EXPECT_FALSE(isSpaceSeparator(U'\r'));
    EXPECT_FALSE(isSpaceSeparator(U'\u2028'));
}

TEST(TrimCodePointsTest, TrimsOnlyDecodedMatchingCodePoints) {
    EXPECT_EQ(trimCodePoints(" \t a b \u3000\n", isUnicodeWhiteSpace), "a b");
    EXPECT_EQ(trimCodePoints(" \r\n", isUnicodeWhiteSpace), "");
    EXPECT_EQ(trimCodePoints("", isUnicodeWhiteSpace), "");
    EXPECT_EQ(trimCodePoints(" x\r", isSpaceSeparator), "x\r");
    // Undecodable bytes are kept, even the lone bytes of a space's encoding.
    EXPECT_EQ(trimCodePoints(" \xA0 ", isUnicodeWhiteSpace), "\xA0");
    EXPECT_EQ(trimCodePoints("\xE3\x80 x", isUnicodeWhiteSpace), "\xE3\x80 x");
    EXPECT_EQ(trimCodePoints("\xFF", isUnicodeWhiteSpace), "\xFF");
}

}  // namespace
}  // namespace tarvex
