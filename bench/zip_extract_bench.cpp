// Extraction speed of the zip component against Info-ZIP unzip on the same
// generated book: 2000 chapters of text and 150 incompressible "images".
// Prints both median times and their ratio (goal: at most 1.2).
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "zip/extractor.h"

namespace fs = std::filesystem;

namespace {

constexpr int kChapters = 2000;
constexpr int kImages = 150;
constexpr int kRuns = 5;

struct Random {
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    std::uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state >> 33);
    }
};

std::string chapter(Random& rnd, int number) {
    static const char* words[] = {"libro", "capitolo", "lettura", "della", "sera", "mare", "vento",
                                  "che", "non", "una", "casa", "strada", "tempo", "sempre", "dove",
                                  "quando", "parola", "voce", "notte", "giorno", "città", "luce"};
    constexpr size_t wordCount = sizeof words / sizeof *words;
    std::string s = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\">"
                    "<head><title>Capitolo " + std::to_string(number) + "</title></head><body>\n";
    const size_t target = 12000 + rnd.next() % 16000;
    while (s.size() < target) {
        s += "<p>";
        for (int w = 0; w < 60; ++w) {
            s += words[rnd.next() % wordCount];
            s += (rnd.next() % 9 == 0) ? ", " : " ";
        }
        s += "</p>\n";
    }
    s += "</body></html>\n";
    return s;
}

std::string image(Random& rnd) {
    std::string s(100000 + rnd.next() % 100000, '\0');
    for (char& c : s) c = static_cast<char>(rnd.next() >> 7);
    return s;
}

bool buildBook(const fs::path& file, std::uint64_t& totalSize, int& entries) {
    int error = 0;
    zip_t* za = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!za) return false;
    std::deque<std::string> data;  // libzip reads the buffers when the archive is closed
    Random rnd;
    auto add = [&](const std::string& name, std::string bytes, bool store) {
        data.push_back(std::move(bytes));
        totalSize += data.back().size();
        zip_source_t* src = zip_source_buffer(za, data.back().data(), data.back().size(), 0);
        const zip_int64_t i = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8);
        if (i < 0) return false;
        ++entries;
        return zip_set_file_compression(za, static_cast<zip_uint64_t>(i),
                                        store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0) == 0;
    };
    bool ok = add("mimetype", "application/epub+zip", true) &&
              add("META-INF/container.xml",
                  "<?xml version=\"1.0\"?><container><rootfiles><rootfile full-path=\"OEBPS/content.opf\" "
                  "media-type=\"application/oebps-package+xml\"/></rootfiles></container>",
                  false);
    std::string opf = "<package><manifest>";
    for (int c = 1; ok && c <= kChapters; ++c) {
        const std::string name = "Text/ch" + std::to_string(c) + ".xhtml";
        opf += "<item id=\"c" + std::to_string(c) + "\" href=\"" + name + "\"/>";
        ok = add("OEBPS/" + name, chapter(rnd, c), false);
    }
    for (int i = 1; ok && i <= kImages; ++i)
        ok = add("OEBPS/Images/img" + std::to_string(i) + ".jpg", image(rnd), false);
    opf += "</manifest></package>";
    ok = ok && add("OEBPS/content.opf", opf, false);
    if (!ok) {
        zip_discard(za);
        return false;
    }
    return zip_close(za) == 0;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::uint64_t treeSize(const fs::path& root, int& files) {
    std::uint64_t total = 0;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) {
            total += e.file_size();
            ++files;
        }
    return total;
}

}  // namespace

int main() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zip_extract_bench_XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    const fs::path book = root / "Libro.epub";
    const fs::path ours = root / "ours";
    const fs::path theirs = root / "unzip";

    std::uint64_t totalSize = 0;
    int entries = 0;
    if (!buildBook(book, totalSize, entries)) {
        std::fprintf(stderr, "cannot build the test book\n");
        fs::remove_all(root);
        return 1;
    }
    std::printf("archive: %.1f MB, %d entries, %.1f MB unpacked\n", fs::file_size(book) / 1e6, entries,
                totalSize / 1e6);

    const std::string unzipCommand = "unzip -o -q '" + book.string() + "' -d '" + theirs.string() + "'";
    std::vector<double> oursTimes, unzipTimes;
    // One warm-up round of each puts the archive in the page cache for both.
    for (int run = -1; run < kRuns; ++run) {
        fs::remove_all(ours);
        fs::remove_all(theirs);
        ::sync();

        auto start = std::chrono::steady_clock::now();
        zipextract::ZipExtractor extractor;
        if (extractor.open(book.string()) != zipextract::OpenStatus::Ok) {
            std::fprintf(stderr, "cannot open the test book\n");
            return 1;
        }
        const zipextract::ExtractResult r = extractor.extractAll(ours.string());
        extractor.close();
        const double oursTime = seconds(std::chrono::steady_clock::now() - start);
        if (!r.ok()) {
            std::fprintf(stderr, "extraction failed at %s: %s\n", r.entryName.c_str(), r.detail.c_str());
            return 1;
        }
        ::sync();

        start = std::chrono::steady_clock::now();
        const int rc = std::system(unzipCommand.c_str());
        const double unzipTime = seconds(std::chrono::steady_clock::now() - start);
        if (rc != 0) {
            std::fprintf(stderr, "unzip failed (%d)\n", rc);
            return 1;
        }
        if (run >= 0) {
            oursTimes.push_back(oursTime);
            unzipTimes.push_back(unzipTime);
        }
    }

    int oursFiles = 0, unzipFiles = 0;
    const std::uint64_t oursSize = treeSize(ours, oursFiles);
    const std::uint64_t unzipSize = treeSize(theirs, unzipFiles);
    std::printf("unpacked trees: ours %d files %llu bytes, unzip %d files %llu bytes%s\n", oursFiles,
                static_cast<unsigned long long>(oursSize), unzipFiles,
                static_cast<unsigned long long>(unzipSize),
                (oursFiles == unzipFiles && oursSize == unzipSize) ? "" : "  MISMATCH");

    const double a = median(oursTimes), b = median(unzipTimes);
    std::printf("extractor: %.3f s (median of %d; min %.3f)\n", a, kRuns,
                *std::min_element(oursTimes.begin(), oursTimes.end()));
    std::printf("unzip -o -q: %.3f s (median of %d; min %.3f)\n", b, kRuns,
                *std::min_element(unzipTimes.begin(), unzipTimes.end()));
    std::printf("ratio extractor/unzip: %.2f (goal: at most 1.20)\n", a / b);
    fs::remove_all(root);
    return 0;
}
