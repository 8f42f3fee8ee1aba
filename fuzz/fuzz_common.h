// Helpers shared by the fuzz targets: a private scratch folder per process,
// whole-file writing, and the splitting of one input into several files.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace fuzzsupport {

namespace fs = std::filesystem;

// A folder of this process below the system's temporary folder, removed at
// exit; a crashing run leaves it behind for inspection.
inline const fs::path& scratchFolder() {
    static const fs::path folder = [] {
        std::string templ = (fs::temp_directory_path() / "ravelund-fuzz-XXXXXX").string();
        if (!::mkdtemp(templ.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        return fs::path(templ);
    }();
    static const struct Cleanup {
        ~Cleanup() {
            std::error_code ec;
            fs::remove_all(folder, ec);
        }
    } cleanup;
    return folder;
}

inline void writeFile(const fs::path& p, std::string_view bytes) {
    std::error_code ec;
    fs::create_directories(p.parent_path(), ec);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Makes a folder empty again, creating it if missing. Permissions are
// restored first so that nothing a run created can stop the cleaning.
inline void emptyFolder(const fs::path& p) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(p, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(p, ec);
    fs::create_directories(p, ec);
}

// The separator between the files packed into one input; the seed generator
// writes the same one.
inline constexpr std::string_view kFileSeparator = "\n--8<--\n";

// Splits the input at every separator into exactly `count` parts; missing
// parts are empty, and the last part takes the rest.
inline std::vector<std::string_view> splitInput(std::string_view data, size_t count) {
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count) {
        const size_t at = data.find(kFileSeparator);
        if (at == std::string_view::npos) break;
        parts.push_back(data.substr(0, at));
        data.remove_prefix(at + kFileSeparator.size());
    }
    parts.push_back(data);
    parts.resize(count);
    return parts;
}

}  // namespace fuzzsupport
