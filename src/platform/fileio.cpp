#include "platform/fileio.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <fstream>
#include <unistd.h>

namespace fileio {
namespace {

std::string withReason(const std::string& what, int err) {
    return what + ". " + std::strerror(err);
}

}  // namespace

std::filesystem::path toPath(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string fromPath(const std::filesystem::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

bool tryReadWholeFile(const std::filesystem::path& p, std::string& out) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return false;
    std::string data;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        data.append(buffer, static_cast<size_t>(in.gcount()));
    if (in.bad()) return false;
    out = std::move(data);
    return true;
}

std::string readWholeFile(const std::filesystem::path& p) {
    std::string data;
    if (!tryReadWholeFile(p, data))
        throw FileError(withReason("Cannot open file \"" + fromPath(p) + "\"", errno));
    return data;
}

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {
    tempName_ = fromPath(target_) + ".tmpXXXXXX";
    fd_ = ::mkstemp(tempName_.data());
    if (fd_ < 0)
        throw FileError(withReason("Cannot create file \"" + fromPath(target_) + "\"", errno));
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(tempName_.c_str());
    }
}

void AtomicFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError(withReason("Unable to write to \"" + fromPath(target_) + "\"", errno));
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

void AtomicFile::commit() { finish(true); }

void AtomicFile::commitWithoutSync() { finish(false); }

void AtomicFile::finish(bool sync) {
    // mkstemp creates 0600; the program's files are ordinary user files.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
    if ((sync && ::fsync(fd_) != 0) || ::close(fd_) != 0) {
        const int err = errno;
        fd_ = -1;
        ::unlink(tempName_.c_str());
        throw FileError(withReason("Unable to write to \"" + fromPath(target_) + "\"", err));
    }
    fd_ = -1;
    if (::rename(tempName_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        ::unlink(tempName_.c_str());
        throw FileError(withReason("Cannot create file \"" + fromPath(target_) + "\"", err));
    }
}

void syncFileSystem(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::syncfs(fd);
    ::close(fd);
}

bool isInsideFolder(const std::string& path, const std::string& folder) {
    if (path.empty() || folder.empty()) return false;
    const std::filesystem::path p = toPath(path).lexically_normal();
    const std::filesystem::path f = toPath(folder).lexically_normal();
    if (!p.is_absolute() || !f.is_absolute()) return false;
    const std::filesystem::path rel = p.lexically_relative(f);
    if (rel.empty() || rel == ".") return false;
    return *rel.begin() != "..";
}

void writeWholeFileAtomic(const std::filesystem::path& p, std::string_view bytes) {
    AtomicFile file(p);
    file.write(bytes);
    file.commit();
}

}  // namespace fileio
