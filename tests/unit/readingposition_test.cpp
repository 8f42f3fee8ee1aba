#include "viewer/readingposition.h"

#include "platform/fileio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

namespace fs = std::filesystem;
using readingposition::ReadingPosition;

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) out.push_back(static_cast<char>(v));
    return out;
}

const std::string kBkm = bytes({0x42, 0x00, 0x4B, 0x00, 0x4D, 0x00});

TEST(ReadingPosition, EncodesFourteenLittleEndianBytes) {
    const std::pair<ReadingPosition, std::string> cases[] = {
        {{0, 0}, kBkm + bytes({0, 0, 0, 0, 0, 0, 0, 0})},
        {{1234, 7}, kBkm + bytes({0xD2, 0x04, 0, 0, 7, 0, 0, 0})},
        {{-1, 2}, kBkm + bytes({0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0})},
        {{0x12345678, 0x7FFFFFFF}, kBkm + bytes({0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0x7F})},
        {{INT32_MIN, 256}, kBkm + bytes({0, 0, 0, 0x80, 0, 1, 0, 0})},
    };
    for (const auto& [position, expected] : cases) {
        EXPECT_EQ(readingposition::encodeReadingPosition(position), expected) << position.offset;
        EXPECT_EQ(readingposition::decodeReadingPosition(expected), position) << position.offset;
    }
}

TEST(ReadingPosition, DecodesOnlyFilesWithHeaderAndBothNumbers) {
    const std::string valid = kBkm + bytes({10, 0, 0, 0, 3, 0, 0, 0});
    const std::pair<std::string, std::optional<ReadingPosition>> cases[] = {
        {valid, ReadingPosition{10, 3}},
        {valid + "trailing", ReadingPosition{10, 3}},
        {"", std::nullopt},
        {"BKM" + bytes({10, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0}), std::nullopt},  // 8-bit header
        {bytes({0x62, 0x00, 0x4B, 0x00, 0x4D, 0x00, 10, 0, 0, 0, 3, 0, 0, 0}), std::nullopt},
        {bytes({0x42, 0x00, 0x4B, 0x00, 0x4D, 0x01, 10, 0, 0, 0, 3, 0, 0, 0}), std::nullopt},
        {valid.substr(0, 13), std::nullopt},
        {valid.substr(0, 10), std::nullopt},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(readingposition::decodeReadingPosition(input), expected) << input.size();
}

TEST(ReadingPosition, EveryPrefixOfAValidFileIsReadSafely) {
    const std::string valid = readingposition::encodeReadingPosition({4321, 12});
    for (size_t n = 0; n <= valid.size(); ++n) {
        // An exact-size heap copy, so a read past the end is caught by the sanitizer.
        const auto copy = std::make_unique<char[]>(n == 0 ? 1 : n);
        std::copy_n(valid.data(), n, copy.get());
        const auto position = readingposition::decodeReadingPosition(std::string_view(copy.get(), n));
        if (n < valid.size())
            EXPECT_FALSE(position.has_value()) << n;
        else
            EXPECT_EQ(position, (ReadingPosition{4321, 12}));
    }
}

class ReadingPositionFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = ::testing::TempDir() + "readingposition_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root_ = tmpl;
        book_ = root_ + "/Libro \xC3\xA8.epub";
        fs::create_directories(fileio::toPath(book_));
    }
    void TearDown() override { fs::remove_all(fileio::toPath(root_)); }
    fs::path file() const { return fileio::toPath(book_ + "/autobookmark.bin"); }

    std::string root_;
    std::string book_;
};

TEST_F(ReadingPositionFiles, WrittenAndReadBack) {
    readingposition::writeReadingPosition(book_, {900, 2});
    EXPECT_EQ(fileio::readWholeFile(file()), kBkm + bytes({0x84, 0x03, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(readingposition::readReadingPosition(book_, 3), (ReadingPosition{900, 2}));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(fileio::toPath(book_))) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(ReadingPositionFiles, ChapterOutsideTheSpineOrBadFileIsNoPosition) {
    EXPECT_EQ(readingposition::readReadingPosition(book_, 3), std::nullopt);  // no file
    const std::pair<ReadingPosition, int> outside[] = {{{0, 3}, 3}, {{0, -1}, 3}, {{0, 0}, 0}};
    for (const auto& [position, spineCount] : outside) {
        readingposition::writeReadingPosition(book_, position);
        EXPECT_EQ(readingposition::readReadingPosition(book_, spineCount), std::nullopt)
            << position.spine << " of " << spineCount;
    }
    fileio::writeWholeFileAtomic(file(), "BKM garbage here");
    EXPECT_EQ(readingposition::readReadingPosition(book_, 3), std::nullopt);
    readingposition::writeReadingPosition(book_, {-1, 0});
    EXPECT_EQ(readingposition::readReadingPosition(book_, 1), (ReadingPosition{-1, 0}));
}

TEST_F(ReadingPositionFiles, FailedWriteThrowsAndLeavesNothing) {
    EXPECT_THROW(readingposition::writeReadingPosition(book_ + "/missing", {6, 2}),
                 fileio::FileError);
    // A folder in the file's place cannot be replaced: the error comes, no
    // temporary file stays behind.
    fs::create_directories(file() / "x");
    EXPECT_THROW(readingposition::writeReadingPosition(book_, {6, 2}), fileio::FileError);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(fileio::toPath(book_))) ++entries;
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(readingposition::readReadingPosition(book_, 3), std::nullopt);
}

}  // namespace
