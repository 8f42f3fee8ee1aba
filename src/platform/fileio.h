// Whole-file reading and atomic writing. Failures throw FileError, whose text
// is what the user is shown by the top-level error handler.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace fileio {

struct FileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// UTF-8 path of the core to a filesystem path, and back.
std::filesystem::path toPath(std::string_view utf8);
std::string fromPath(const std::filesystem::path& p);

// Reads the whole file; throws FileError ("Cannot open file ...") on failure.
std::string readWholeFile(const std::filesystem::path& p);
// Reads the whole file if it can; returns false otherwise.
bool tryReadWholeFile(const std::filesystem::path& p, std::string& out);

// A file written beside its target and renamed over it on commit(), so the
// old file stays whole if anything fails before; removed if never committed.
class AtomicFile {
public:
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::string_view bytes);
    void commit();
    // The same without forcing the data to disk first, for many files saved
    // in a row and followed by one syncFileSystem(): the rename still never
    // leaves half a file, and the sync costs once instead of once per file.
    void commitWithoutSync();

private:
    void finish(bool sync);

    std::filesystem::path target_;
    std::string tempName_;
    int fd_ = -1;
};

// Forces what has been written to the file system holding path to disk.
void syncFileSystem(const std::filesystem::path& path);

// True when path lies strictly below folder, both absolute, after resolving
// "." and ".." by name: a path from a book or a damaged file that would lead
// out of the folder is not taken as inside it.
bool isInsideFolder(const std::string& path, const std::string& folder);

// Replaces the file with the given bytes atomically.
void writeWholeFileAtomic(const std::filesystem::path& p, std::string_view bytes);

}  // namespace fileio
