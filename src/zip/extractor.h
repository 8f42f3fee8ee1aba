// Unpacking of a ZIP archive (an EPUB book) into a folder, on libzip.
// Works unattended: it asks nothing, shows nothing, prints nothing; every
// outcome comes back as a status the caller turns into its own message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct zip;

namespace zipextract {

enum class OpenStatus {
    Ok,
    Missing,       // no file of that name
    Unreadable,    // exists but cannot be read (a folder, no permission, read error)
    NotAZip,       // no end-of-central-directory record, or an empty file
    Damaged,       // looks like a ZIP archive, but its directory is inconsistent
    SplitArchive,  // part of an archive split over several files (disks)
};

enum class ExtractStatus {
    Ok,
    NotOpen,            // no archive is open
    // Archive refused after checking every entry, before anything is written:
    UnsafePath,         // an entry path would leave the base folder
    SymbolicLink,       // an entry is a symbolic link
    TooLarge,           // the entries together declare more than kMaxTotalSize bytes
    Encrypted,          // an entry is encrypted
    UnsupportedMethod,  // an entry uses a compression method libzip cannot read
    // Failures while writing; the entries written before stay on disk:
    SizeExceeded,       // an entry holds more data than its declared size
    CorruptData,        // CRC error, truncated, inconsistent or undecodable data
    WriteFailed,        // a folder or file could not be created or written
};

struct ExtractResult {
    ExtractStatus status = ExtractStatus::Ok;
    std::string entryName;      // the entry that caused the failure (empty when Ok)
    std::string detail;         // libzip's or the system's error text, for diagnosis
    std::uint64_t filesWritten = 0;

    bool ok() const { return status == ExtractStatus::Ok; }
};

// An archive whose entries together declare more is refused: a small
// hostile file must not be able to fill the disk.
inline constexpr std::uint64_t kMaxTotalSize = std::uint64_t{4} << 30;

// Where an entry goes below the base folder. Both "/" and "\" separate folder
// levels (archives made on Windows sometimes store "\"); "." segments and
// empty segments inside the path are dropped. `safe` is false for absolute
// paths (a leading separator), drive letters ("C:"), any ".." segment, and a
// file entry that names no file at all.
struct EntryPath {
    bool safe = false;
    bool folder = false;                // the name ends with a separator
    std::vector<std::string> segments;  // folder levels, then the file name
};
EntryPath parseEntryPath(std::string_view name);

class ZipExtractor {
public:
    ZipExtractor() = default;
    ~ZipExtractor();
    ZipExtractor(const ZipExtractor&) = delete;
    ZipExtractor& operator=(const ZipExtractor&) = delete;

    // Opens the archive (UTF-8 path) for reading, closing the one open before.
    OpenStatus open(const std::string& fileName);
    void close();

    bool isOpen() const { return archive_ != nullptr; }
    // The open archive's file name; empty when no archive is open.
    const std::string& archiveName() const { return archiveName_; }
    // Number of entries of the open archive; 0 when none is open.
    std::uint64_t entryCount() const;

    // Extracts every entry to its stored path below baseFolder (created if
    // missing), creating the folders it needs and replacing existing files.
    // Every entry is checked first; a refused archive writes nothing. A failure
    // while writing stops at that entry, removes its partial file and keeps
    // what was written before.
    ExtractResult extractAll(const std::string& baseFolder);

private:
    ::zip* archive_ = nullptr;
    std::string archiveName_;
};

}  // namespace zipextract
