#include "viewer/readingposition.h"

#include "platform/fileio.h"

namespace readingposition {
namespace {

void appendInt32(std::string& out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((u >> shift) & 0xFF));
}

std::int32_t readInt32(std::string_view bytes, size_t at) {
    std::uint32_t u = 0;
    for (int k = 3; k >= 0; --k) u = (u << 8) | static_cast<unsigned char>(bytes[at + k]);
    return static_cast<std::int32_t>(u);
}

}  // namespace

std::string encodeReadingPosition(const ReadingPosition& position) {
    std::string out(kHeader);
    appendInt32(out, position.offset);
    appendInt32(out, position.spine);
    return out;
}

std::optional<ReadingPosition> decodeReadingPosition(std::string_view bytes) {
    if (bytes.size() < kFileSize || bytes.substr(0, kHeader.size()) != kHeader) return std::nullopt;
    return ReadingPosition{readInt32(bytes, 6), readInt32(bytes, 10)};
}

std::string readingPositionPath(std::string_view epubFolder) {
    return std::string(epubFolder) + "/" + std::string(kFileName);
}

std::optional<ReadingPosition> readReadingPosition(std::string_view epubFolder, int spineCount) {
    std::string bytes;
    if (!fileio::tryReadWholeFile(fileio::toPath(readingPositionPath(epubFolder)), bytes))
        return std::nullopt;
    const std::optional<ReadingPosition> position = decodeReadingPosition(bytes);
    if (!position || position->spine < 0 || position->spine >= spineCount) return std::nullopt;
    return position;
}

void writeReadingPosition(std::string_view epubFolder, const ReadingPosition& position) {
    fileio::writeWholeFileAtomic(fileio::toPath(readingPositionPath(epubFolder)),
                                 encodeReadingPosition(position));
}

}  // namespace readingposition
