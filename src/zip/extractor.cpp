#include "zip/extractor.h"

#include <zip.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fileio.h"

namespace zipextract {
namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

ExtractResult failure(ExtractStatus status, std::string entry, std::string detail) {
    ExtractResult r;
    r.status = status;
    r.entryName = std::move(entry);
    r.detail = std::move(detail);
    return r;
}

ExtractStatus statusOfZipError(int code) {
    switch (code) {
    case ZIP_ER_COMPNOTSUPP:
        return ExtractStatus::UnsupportedMethod;
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
    case ZIP_ER_ENCRNOTSUPP:
        return ExtractStatus::Encrypted;
    default:
        return ExtractStatus::CorruptData;
    }
}

// True for entries that a Unix zip tool stored as symbolic links.
bool isSymbolicLink(::zip* archive, zip_uint64_t index) {
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &opsys, &attributes) != 0) return false;
    if (opsys != ZIP_OPSYS_UNIX && opsys != ZIP_OPSYS_OS_X) return false;
    return ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Opens (creating where missing) the folder levels below the base folder,
// one level at a time and never through a symbolic link, so nothing that
// already lies in the book folder can redirect a write outside it. The last
// folder stays open because the entries of one folder usually follow each other.
class FolderOpener {
public:
    explicit FolderOpener(int baseFd) : baseFd_(baseFd) {}
    ~FolderOpener() { reset(); }
    FolderOpener(const FolderOpener&) = delete;
    FolderOpener& operator=(const FolderOpener&) = delete;

    // Returns the descriptor of the folder made of the first `levels`
    // segments (owned by this object), or -1 with errno set.
    int open(const std::vector<std::string>& segments, size_t levels) {
        if (levels == 0) return baseFd_;
        std::string key;
        for (size_t i = 0; i < levels; ++i) {
            key += segments[i];
            key += '/';
        }
        if (lastFd_ >= 0 && key == lastKey_) return lastFd_;
        reset();
        int current = baseFd_;
        for (size_t i = 0; i < levels; ++i) {
            int next = openLevel(current, segments[i]);
            const int err = errno;
            if (current != baseFd_) ::close(current);
            if (next < 0) {
                errno = err;
                return -1;
            }
            current = next;
        }
        lastFd_ = current;
        lastKey_ = std::move(key);
        return lastFd_;
    }

private:
    static int openLevel(int parent, const std::string& name) {
        constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        int fd = ::openat(parent, name.c_str(), flags);
        if (fd < 0 && errno == ENOENT) {
            if (::mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) return -1;
            fd = ::openat(parent, name.c_str(), flags);
        }
        return fd;
    }

    void reset() {
        if (lastFd_ >= 0) ::close(lastFd_);
        lastFd_ = -1;
        lastKey_.clear();
    }

    int baseFd_;
    int lastFd_ = -1;
    std::string lastKey_;
};

struct PlannedEntry {
    zip_uint64_t index;
    std::string name;
    EntryPath path;
    zip_uint64_t size;
};

// Large enough that writing costs one system call per megabyte.
constexpr size_t kBufferSize = size_t{1} << 20;

}  // namespace

EntryPath parseEntryPath(std::string_view name) {
    EntryPath result;
    if (name.empty()) return result;
    if (isSeparator(name.front())) return result;  // absolute, or a network share
    if (name.size() >= 2 && isAsciiLetter(name[0]) && name[1] == ':') return result;  // drive letter
    result.folder = isSeparator(name.back());

    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) ++end;
        const std::string_view segment = name.substr(start, end - start);
        if (segment == "..") return EntryPath{};
        if (!segment.empty() && segment != ".") result.segments.emplace_back(segment);
        start = end + 1;
    }
    // A file must have a name; a folder entry that comes to the base folder
    // itself ("./") creates nothing.
    if (!result.folder && result.segments.empty()) return EntryPath{};
    result.safe = true;
    return result;
}

ZipExtractor::~ZipExtractor() { close(); }

void ZipExtractor::close() {
    if (archive_) zip_discard(archive_);
    archive_ = nullptr;
    archiveName_.clear();
}

OpenStatus ZipExtractor::open(const std::string& fileName) {
    close();
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0)
        return (errno == ENOENT || errno == ENOTDIR) ? OpenStatus::Missing : OpenStatus::Unreadable;
    // A folder, a pipe or a device is no archive; reading a pipe could even
    // wait for ever.
    if (!S_ISREG(info.st_mode)) return OpenStatus::Unreadable;
    // libzip takes an empty file for an empty archive; it is no archive at all.
    if (info.st_size == 0) return OpenStatus::NotAZip;

    int error = 0;
    ::zip* archive = zip_open(fileName.c_str(), ZIP_RDONLY, &error);
    if (!archive) {
        switch (error) {
        case ZIP_ER_NOENT:
            return OpenStatus::Missing;
        case ZIP_ER_NOZIP:
            return OpenStatus::NotAZip;
        case ZIP_ER_MULTIDISK:
            return OpenStatus::SplitArchive;
        case ZIP_ER_OPEN:
        case ZIP_ER_READ:
        case ZIP_ER_SEEK:
        case ZIP_ER_MEMORY:
            return OpenStatus::Unreadable;
        default:
            return OpenStatus::Damaged;
        }
    }
    archive_ = archive;
    archiveName_ = fileName;
    return OpenStatus::Ok;
}

std::uint64_t ZipExtractor::entryCount() const {
    if (!archive_) return 0;
    const zip_int64_t n = zip_get_num_entries(archive_, 0);
    return n > 0 ? static_cast<std::uint64_t>(n) : 0;
}

ExtractResult ZipExtractor::extractAll(const std::string& baseFolder) {
    if (!archive_) return failure(ExtractStatus::NotOpen, {}, {});

    // Every entry is checked before the first byte is written, so a refused
    // archive leaves nothing behind.
    const std::uint64_t count = entryCount();
    std::vector<PlannedEntry> plan;
    plan.reserve(count);
    std::uint64_t totalSize = 0;
    for (zip_uint64_t i = 0; i < count; ++i) {
        const char* rawName = zip_get_name(archive_, i, ZIP_FL_ENC_GUESS);
        zip_stat_t st;
        zip_stat_init(&st);
        if (!rawName || zip_stat_index(archive_, i, 0, &st) != 0)
            return failure(ExtractStatus::CorruptData, rawName ? rawName : "",
                           zip_strerror(archive_));
        std::string name(rawName);
        EntryPath path = parseEntryPath(name);
        if (!path.safe) return failure(ExtractStatus::UnsafePath, name, {});
        if (isSymbolicLink(archive_, i)) return failure(ExtractStatus::SymbolicLink, name, {});
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            return failure(ExtractStatus::Encrypted, name, {});
        zip_uint64_t size = 0;
        if (!path.folder) {
            if (!(st.valid & ZIP_STAT_SIZE))
                return failure(ExtractStatus::CorruptData, name, "size unknown");
            if ((st.valid & ZIP_STAT_COMP_METHOD) &&
                !zip_compression_method_supported(static_cast<zip_int32_t>(st.comp_method), 0))
                return failure(ExtractStatus::UnsupportedMethod, name, {});
            size = st.size;
            if (size > kMaxTotalSize || totalSize + size > kMaxTotalSize)
                return failure(ExtractStatus::TooLarge, name, {});
            totalSize += size;
        }
        plan.push_back({i, std::move(name), std::move(path), size});
    }

    std::error_code ec;
    std::filesystem::create_directories(fileio::toPath(baseFolder), ec);
    const int baseFd = ::open(baseFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (baseFd < 0) return failure(ExtractStatus::WriteFailed, {}, std::strerror(errno));
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } baseCloser{baseFd};

    FolderOpener folders(baseFd);
    const std::unique_ptr<char[]> buffer(new char[kBufferSize]);
    ExtractResult result;
    auto stopped = [&result](ExtractStatus status, const std::string& entry, std::string detail) {
        ExtractResult r = failure(status, entry, std::move(detail));
        r.filesWritten = result.filesWritten;
        return r;
    };

    for (const PlannedEntry& entry : plan) {
        const std::vector<std::string>& segments = entry.path.segments;
        const size_t levels = entry.path.folder ? segments.size() : segments.size() - 1;
        const int dirFd = folders.open(segments, levels);
        if (dirFd < 0) return stopped(ExtractStatus::WriteFailed, entry.name, std::strerror(errno));
        if (entry.path.folder) continue;

        zip_file_t* in = zip_fopen_index(archive_, entry.index, 0);
        if (!in) {
            zip_error_t* error = zip_get_error(archive_);
            return stopped(statusOfZipError(zip_error_code_zip(error)), entry.name,
                           zip_error_strerror(error));
        }
        struct ZipFileCloser {
            zip_file_t* file;
            ~ZipFileCloser() { zip_fclose(file); }
        } inCloser{in};

        // Replaced, not written through: an old file may be read-only, and an
        // old symbolic link must not be followed.
        const char* fileName = segments.back().c_str();
        if (::unlinkat(dirFd, fileName, 0) != 0 && errno != ENOENT)
            return stopped(ExtractStatus::WriteFailed, entry.name, std::strerror(errno));
        const int out = ::openat(dirFd, fileName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (out < 0) return stopped(ExtractStatus::WriteFailed, entry.name, std::strerror(errno));

        // A half-written file is no use to anyone: it goes when its entry fails.
        auto fail = [&](ExtractStatus status, std::string detail) {
            ::close(out);
            ::unlinkat(dirFd, fileName, 0);
            return stopped(status, entry.name, std::move(detail));
        };

        zip_uint64_t written = 0;
        for (;;) {
            const zip_int64_t n = zip_fread(in, buffer.get(), kBufferSize);
            if (n < 0) {
                zip_error_t* error = zip_file_get_error(in);
                return fail(statusOfZipError(zip_error_code_zip(error)), zip_error_strerror(error));
            }
            if (n == 0) break;
            const auto got = static_cast<zip_uint64_t>(n);
            if (got > entry.size - written)
                return fail(ExtractStatus::SizeExceeded, "more data than the declared size");
            if (!writeAll(out, buffer.get(), static_cast<size_t>(got)))
                return fail(ExtractStatus::WriteFailed, std::strerror(errno));
            written += got;
        }
        if (written != entry.size)
            return fail(ExtractStatus::CorruptData, "less data than the declared size");
        if (::close(out) != 0) {
            const int err = errno;
            ::unlinkat(dirFd, fileName, 0);
            return stopped(ExtractStatus::WriteFailed, entry.name, std::strerror(err));
        }
        ++result.filesWritten;
    }
    return result;
}

}  // namespace zipextract
