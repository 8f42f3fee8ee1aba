// The reading-position reader on arbitrary autobookmark.bin bytes, from
// memory and from a book folder. The first byte is the spine's length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_common.h"
#include "viewer/readingposition.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int spineCount = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    const auto decoded = readingposition::decodeReadingPosition(bytes);
    if (decoded) {
        check(bytes.size() >= readingposition::kFileSize);
        check(readingposition::encodeReadingPosition(*decoded) == bytes.substr(0, readingposition::kFileSize));
    }

    const auto book = fuzzsupport::scratchFolder() / "book.epub";
    const std::string folder = book.string();
    fuzzsupport::writeFile(readingposition::readingPositionPath(folder), bytes);
    const auto read = readingposition::readReadingPosition(folder, spineCount);
    if (read) {
        check(decoded && *read == *decoded);
        check(read->spine >= 0 && read->spine < spineCount);
    }
    return 0;
}
