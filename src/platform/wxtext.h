// Conversions between the core's UTF-8 and UTF-16 strings and wxString, built
// explicitly so that texts come out right under any locale.
#pragma once

#include <string>

#include <wx/string.h>

#include "platform/textconv.h"

inline wxString wxFromUtf8(const std::string& s) { return wxString::FromUTF8(s.data(), s.size()); }
inline wxString wxFromUtf16(const std::u16string& s) { return wxFromUtf8(text::utf16ToUtf8(s)); }
inline std::string toUtf8(const wxString& s) {
    const wxScopedCharBuffer b = s.utf8_str();
    return std::string(b.data(), b.length());
}
inline std::u16string toUtf16(const wxString& s) { return text::utf8ToUtf16(toUtf8(s)); }
