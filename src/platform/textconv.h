// String conversions of the core: UTF-8 std::string, UTF-16 std::u16string,
// and the single-byte Windows-1252 code page used for text files without a
// byte-order mark. wxString appears only at the window edge (wxtext.h).
#pragma once

#include <string>
#include <string_view>

namespace text {

// Invalid UTF-8 sequences become U+FFFD.
std::u16string utf8ToUtf16(std::string_view s);
// Lone surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view s);
// The code units of UTF-16 bytes in the given byte order; a stray last byte
// is no code unit and is left out.
std::u16string utf16FromBytes(std::string_view bytes, bool bigEndian);
// The bytes of UTF-16 code units in the given byte order, without mark.
std::string utf16ToBytes(std::u16string_view units, bool bigEndian);

// Appends the UTF-8 form of one code point; invalid code points (negative,
// surrogates, above U+10FFFF) are written as U+FFFD.
void appendUtf8(std::string& out, long codePoint);

// Windows-1252 byte to Unicode code point; the five unassigned bytes map to
// the C1 controls of the same value so that every byte survives a round trip.
char32_t cp1252ToCodePoint(unsigned char byte);
std::string cp1252ToUtf8(std::string_view s);
// Characters with no Windows-1252 byte become '?'.
std::string utf8ToCp1252(std::string_view s);

bool isValidUtf8(std::string_view s);

// ASCII-only case folding, for names that Windows compares without case.
std::string asciiLower(std::string_view s);

}  // namespace text
