// The report's JSON writer, read back by the strict test reader: hostile
// strings (quotes, backslashes, every control byte, malformed UTF-8) still
// give valid JSON, and well-formed text comes back byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "report/json_writer.h"
#include "support/json_value.h"

using namespace strandex;
using namespace strandex::test;

namespace {

// The string as the writer puts it, read back.
std::string roundTrip(const std::string& text) {
    JsonValue v = parseJson(jsonString(text));
    EXPECT_EQ(v.kind, JsonValue::Kind::string);
    return v.text;
}

const std::string kReplacement = "\xEF\xBF\xBD";

// Whether the test reader takes the bytes as well-formed UTF-8: only the
// ASCII that JSON must escape is escaped here, by the plainest rule.
bool wellFormedUtf8(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\' || c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            quoted += escape;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    try {
        parseJson(quoted + "\"");
        return true;
    } catch (const JsonError&) {
        return false;
    }
}

}  // namespace

TEST(JsonWriter, EscapesQuotesBackslashesAndEveryControlByte) {
    EXPECT_EQ(jsonString("say \"hi\" C:\\x"), "\"say \\\"hi\\\" C:\\\\x\"");
    EXPECT_EQ(jsonString("a\nb\tc\r\b\f"), "\"a\\nb\\tc\\r\\b\\f\"");
    EXPECT_EQ(jsonString(std::string("\x00\x01\x1F", 3)), "\"\\u0000\\u0001\\u001f\"");
    std::string ascii;
    for (int c = 0; c < 0x80; ++c) ascii += static_cast<char>(c);
    EXPECT_EQ(roundTrip(ascii), ascii);
}

TEST(JsonWriter, PassesUtf8AndReplacesEachMalformedByte) {
    for (std::string good : {"fran\xC3\xA7" "ais", "\xE2\x82\xAC", "\xF0\x9D\x84\x9E", "\xEF\xBF\xBF",
                             "\xF4\x8F\xBF\xBF", "\xED\x9F\xBF"})
        EXPECT_EQ(jsonString(good), "\"" + good + "\"") << good;
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"fran\xE7" "ais", "fran" + kReplacement + "ais"},                 // Latin-1
        {"\xC3", kReplacement},                                            // cut at the end
        {"\xE2\x82", kReplacement + kReplacement},
        {"\xC0\xAF", kReplacement + kReplacement},                         // overlong
        {"\xE0\x80\xAF", kReplacement + kReplacement + kReplacement},
        {"\xED\xA0\x80", kReplacement + kReplacement + kReplacement},      // a surrogate
        {"\xF4\x90\x80\x80", kReplacement + kReplacement + kReplacement + kReplacement},  // past U+10FFFF
        {"\xFF\xFE", kReplacement + kReplacement},
        {"\x80" "a", kReplacement + "a"},                                  // a lone continuation
    };
    for (const auto& c : cases) EXPECT_EQ(roundTrip(c.in), c.out);
}

TEST(JsonWriter, RandomBytesAlwaysGiveValidJsonAndWellFormedTextComesBackWhole) {
    std::mt19937 random(14);
    // Bytes drawn mostly from the edges of the UTF-8 ranges, where a
    // checker goes wrong.
    const std::uint8_t edges[] = {0x00, 0x1F, 0x20, '"', '\\', 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                  0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    int wellFormed = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        int length = static_cast<int>(random() % 8);
        for (int k = 0; k < length; ++k)
            text += static_cast<char>(random() % 2 ? edges[random() % std::size(edges)] : random() % 256);
        std::string written = jsonString(text);
        JsonValue v;
        ASSERT_NO_THROW(v = parseJson(written)) << written;
        // Well-formed text comes back whole; in any other at least one
        // byte was replaced.
        if (wellFormedUtf8(text)) {
            EXPECT_EQ(v.text, text);
            ++wellFormed;
        } else {
            EXPECT_NE(v.text, text);
            EXPECT_NE(v.text.find(kReplacement), std::string::npos) << written;
        }
    }
    EXPECT_GT(wellFormed, 1000);  // both kinds were met
}

TEST(JsonWriter, NestsObjectsAndArraysWithTwoBlanksALevel) {
    JsonWriter json;
    json.beginObject();
    json.key("name");
    json.string("x");
    json.key("list");
    json.beginArray();
    json.number(-3);
    json.boolean(true);
    json.beginObject();
    json.endObject();
    json.endArray();
    json.key("empty");
    json.beginArray();
    json.endArray();
    json.endObject();
    EXPECT_EQ(json.text(),
              "{\n  \"name\": \"x\",\n  \"list\": [\n    -3,\n    true,\n    {}\n  ],\n  \"empty\": []\n}\n");
    JsonValue v = parseJson(json.text());
    EXPECT_EQ(v["list"][0].integer, -3);
    EXPECT_TRUE(v["list"][1].boolean);
    EXPECT_EQ(v["empty"].kind, JsonValue::Kind::array);
}

TEST(JsonReader, RefusesWhatIsNotStrictJson) {
    for (std::string bad : {"", "{", "{\"a\":1,}", "[1,]", "{\"a\":1,\"a\":2}", "\"\x01\"", "\"\\x\"",
                            "\"\\ud800\"", "\"\\udc00\"", "\"\xC3\"", "\"\xC0\xAF\"", "01", "1.", "-", "[1] x",
                            "'a'", "nul", "\"\xED\xA0\x80\""})
        EXPECT_THROW(parseJson(bad), JsonError) << bad;
    EXPECT_EQ(parseJson("\"\\ud834\\udd1e\"").text, "\xF0\x9D\x84\x9E");
    EXPECT_EQ(parseJson(" [ 1.5e3 , null ] ").items.size(), 2u);
}
