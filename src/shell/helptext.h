// Reading a help text file: plain text shown line by line.
#pragma once

#include <string>
#include <string_view>

// The file's bytes as UTF-8 text with "\n" between lines. A byte-order mark
// selects UTF-8, UTF-16LE or UTF-16BE; without one the bytes are
// Windows-1252. Lines may end with CR LF, LF or CR; the line ending after the
// last line is dropped. Invalid sequences become U+FFFD.
std::string decodeHelpText(std::string_view bytes);
