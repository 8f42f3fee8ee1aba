// The extraction component on arbitrary archives. The archive is extracted
// into a folder three levels below this process's scratch folder; afterwards
// nothing may exist in the scratch folder outside the extraction folder but
// the archive and those three levels, no link may have been made, and no
// absolute entry name may have come into being. A refused archive writes
// nothing; an extracted one extracts again over its own files.
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fuzz_common.h"
#include "zip/extractor.h"

namespace fs = std::filesystem;

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "extraction fault: %s\n", what);
        std::abort();
    }
}

// The entry names as stored, for those that name absolute paths.
std::vector<std::string> absoluteEntryNames(const fs::path& archive) {
    std::vector<std::string> names;
    int error = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    if (!za) return names;
    const zip_int64_t n = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < n && i < 100000; ++i) {
        const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (name && (name[0] == '/' || name[0] == '\\')) names.emplace_back(name);
    }
    zip_discard(za);
    return names;
}

bool refusedBeforeWriting(zipextract::ExtractStatus s) {
    using zipextract::ExtractStatus;
    return s == ExtractStatus::UnsafePath || s == ExtractStatus::SymbolicLink || s == ExtractStatus::TooLarge ||
           s == ExtractStatus::Encrypted || s == ExtractStatus::UnsupportedMethod;
}

void checkConfined(const fs::path& scratch, const fs::path& target, const std::set<fs::path>& allowed) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(scratch, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::path& p = it->path();
        check(!it->is_symlink(ec), "a link was created");
        if (allowed.count(p)) continue;
        const auto rel = p.lexically_relative(target);
        check(!rel.empty() && *rel.begin() != "..", "a file landed outside the extraction folder");
    }
    check(!ec, "the scratch folder could not be walked");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path scratch = fuzzsupport::scratchFolder();
    fuzzsupport::emptyFolder(scratch);
    const fs::path archive = scratch / "book.epub";
    fuzzsupport::writeFile(archive, std::string_view(reinterpret_cast<const char*>(data), size));
    const fs::path levels = scratch / "a" / "b" / "c";
    fs::create_directories(levels);
    const fs::path target = levels / "book.epub.dir";
    const std::set<fs::path> allowed = {archive, scratch / "a", scratch / "a" / "b", levels, target};

    std::vector<std::pair<std::string, bool>> absolute;
    for (const std::string& name : absoluteEntryNames(archive)) {
        std::error_code ec;
        absolute.emplace_back(name, fs::symlink_status(name, ec).type() != fs::file_type::not_found);
    }

    zipextract::ZipExtractor extractor;
    if (extractor.open(archive.string()) != zipextract::OpenStatus::Ok) {
        check(!extractor.isOpen() && extractor.entryCount() == 0, "a failed open left an archive open");
        return 0;
    }
    const zipextract::ExtractResult result = extractor.extractAll(target.string());
    checkConfined(scratch, target, allowed);
    for (const auto& [name, existed] : absolute) {
        std::error_code ec;
        check(existed || fs::symlink_status(name, ec).type() == fs::file_type::not_found,
              "an absolute entry name was written");
    }
    if (refusedBeforeWriting(result.status)) {
        std::error_code ec;
        check(fs::is_empty(target, ec) || ec, "a refused archive wrote files");
        check(result.filesWritten == 0, "a refused archive counted files");
    }
    check(result.filesWritten <= extractor.entryCount(), "more files written than entries");
    if (result.ok()) {
        const zipextract::ExtractResult again = extractor.extractAll(target.string());
        check(again.ok(), "an archive extracted once failed over its own files");
        checkConfined(scratch, target, allowed);
    }
    return 0;
}
