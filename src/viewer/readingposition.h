// The reading position kept in "autobookmark.bin" in the book folder, so a
// book reopens at the chapter and scroll position where the reader left it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace readingposition {

inline constexpr std::string_view kFileName = "autobookmark.bin";
// "BKM" as UTF-16LE code units.
inline constexpr std::string_view kHeader{"B\0K\0M\0", 6};
inline constexpr size_t kFileSize = 14;

struct ReadingPosition {
    std::int32_t offset = 0;  // vertical scroll position in pixels, -1 when unreadable
    std::int32_t spine = 0;   // spine index of the chapter shown
    friend bool operator==(const ReadingPosition&, const ReadingPosition&) = default;
};

// The 14 bytes of the file: header, offset, spine index, little-endian.
std::string encodeReadingPosition(const ReadingPosition& position);

// The position in a file's bytes; nothing when the header differs or the
// file is too short to hold both numbers. Bytes after the fourteenth are
// ignored.
std::optional<ReadingPosition> decodeReadingPosition(std::string_view bytes);

// The file of a book folder (given without trailing separator).
std::string readingPositionPath(std::string_view epubFolder);

// Reads the book's position; nothing when there is no readable, valid file,
// or when it names a chapter outside a spine of `spineCount` entries.
std::optional<ReadingPosition> readReadingPosition(std::string_view epubFolder, int spineCount);

// Replaces the book's file atomically; throws fileio::FileError on failure.
void writeReadingPosition(std::string_view epubFolder, const ReadingPosition& position);

}  // namespace readingposition
