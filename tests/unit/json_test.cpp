#include "platform/json.h"

#include <gtest/gtest.h>

namespace {

TEST(Json, ParsesTheAnswersOfTheView) {
    const auto v = json::parse(R"( {"ok":true,"n":-12.75,"s":"a\"b\\c\/\n\u00e8\ud83d\ude00","a":[1,[2],{}],"z":null} )");
    ASSERT_TRUE(v.has_value());
    ASSERT_EQ(v->kind, json::Value::Kind::Object);
    EXPECT_TRUE(v->get("ok")->boolean);
    EXPECT_EQ(v->get("n")->toInt(0), -12);
    EXPECT_EQ(v->get("s")->string, "a\"b\\c/\n\xC3\xA8\xF0\x9F\x98\x80");
    EXPECT_EQ(v->get("a")->items.size(), 3u);
    EXPECT_EQ(v->get("a")->items[1].items[0].toInt(0), 2);
    EXPECT_EQ(v->get("z")->kind, json::Value::Kind::Null);
    EXPECT_EQ(v->get("missing"), nullptr);
    EXPECT_EQ(v->get("s")->toInt(7), 7);
    EXPECT_EQ(json::parse("1e12")->toInt(0), 2147483647);
    EXPECT_EQ(json::parse("-1e12")->toInt(0), -2147483647 - 1);
    EXPECT_EQ(json::parse("\"\\ud800x\"")->string, "\xEF\xBF\xBDx");
}

TEST(Json, RefusesMalformedTextWithoutReadingPastIt) {
    const char* bad[] = {"", " ", "{", "[1,", "[1 2]", "{\"a\" 1}", "{\"a\":}", "\"abc", "\"\\x\"",
                         "\"\\u12\"", "tru", "-", "1.", "1e", "01x", "[1]]", "\"a\nb\"", "{1:2}",
                         "nul"};
    for (const char* text : bad) EXPECT_FALSE(json::parse(text).has_value()) << text;
    EXPECT_FALSE(json::parse(std::string(100, '[') + std::string(100, ']')).has_value());
    EXPECT_TRUE(json::parse(std::string(60, '[') + std::string(60, ']')).has_value());
    // Every prefix of a valid text is handled.
    const std::string valid = R"({"a":[1,"x\u00e8",true,null,{"b":-2.5e3}]})";
    for (size_t n = 0; n < valid.size(); ++n) {
        const std::string prefix = valid.substr(0, n);
        EXPECT_FALSE(json::parse(prefix).has_value()) << prefix;
    }
}

TEST(Json, QuotesTextsForScripts) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "\"\""},
        {"casa", "\"casa\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"</script>\n\r\t\x01\x7F", "\"</script>\\n\\r\\t\\u0001\\u007f\""},
        {"citt\xC3\xA0", "\"citt\xC3\xA0\""},
        {"\xE2\x80\xA8\xE2\x80\xA9", "\"\\u2028\\u2029\""},
        {"a\xFF", "\"a\xEF\xBF\xBD\""},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(json::quote(input), expected);
        const auto back = json::parse(json::quote(input));
        ASSERT_TRUE(back.has_value());
        if (input != "a\xFF") {
            EXPECT_EQ(back->string, input);
        }
    }
}

}  // namespace
