#include <string>

#include <gtest/gtest.h>

#include "shell/helptext.h"

using namespace std::string_literals;

TEST(HelpText, EncodingByByteOrderMarkAndLineEndsOfEveryKind) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"empty", "", ""},
        {"windows-1252 without mark", "Citt\xE0 \x80\r\nperch\xE9", "Citt\xC3\xA0 \xE2\x82\xAC\nperch\xC3\xA9"},
        {"every byte survives windows-1252", "\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
        {"utf-8 with mark", "\xEF\xBB\xBF" "Citt\xC3\xA0\nF10 Aggiungi", "Citt\xC3\xA0\nF10 Aggiungi"},
        {"utf-8 mark only", "\xEF\xBB\xBF", ""},
        {"utf-8 invalid sequence", "\xEF\xBB\xBF" "a\xC3(b", "a\xEF\xBF\xBD(b"},
        {"utf-8 bytes without mark are windows-1252", "Citt\xC3\xA0", "Citt\xC3\x83\xC2\xA0"},
        {"utf-16le", "\xFF\xFE" "A\0\xE0\0\r\0\n\0B\0"s, "A\xC3\xA0\nB"},
        {"utf-16be", "\xFE\xFF" "\0A\0\xE0\0\r\0\n\0B"s, "A\xC3\xA0\nB"},
        {"utf-16le surrogate pair", "\xFF\xFE" "\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80"},
        {"utf-16le lone surrogate", "\xFF\xFE" "\x3D\xD8" "A\0"s, "\xEF\xBF\xBD" "A"},
        {"utf-16le odd length", "\xFF\xFE" "A\0B"s, "A\xEF\xBF\xBD"},
        {"utf-16 mark only", "\xFF\xFE", ""},
        {"lf", "uno\ndue\n", "uno\ndue"},
        {"cr", "uno\rdue\r", "uno\ndue"},
        {"cr lf", "uno\r\ndue\r\n", "uno\ndue"},
        {"mixed, blank lines kept", "uno\r\n\r\ndue\n\rtre\r\r\nquattro", "uno\n\ndue\n\ntre\n\nquattro"},
        {"only the last line end is dropped", "uno\n\n", "uno\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(decodeHelpText(c.bytes), c.expected) << c.what;
}
