#include "shell/catalogue.h"

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "platform/fileio.h"
#include "platform/textconv.h"

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[6] = {'L', 0, 'V', 0, 'F', 0};
constexpr double kMillisecondsPerDay = 86400000.0;

void putU16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void putText(std::string& out, const std::u16string& s) {
    // The length field is 16 bits wide: a longer text is cut at the last whole
    // code unit that fits, so the file always reads back.
    const size_t units = std::min<size_t>(s.size(), 0xFFFF / 2);
    putU16(out, static_cast<uint16_t>(units * 2));
    for (size_t i = 0; i < units; ++i) putU16(out, s[i]);
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool u16(uint16_t& v) {
        if (bytes_.size() - pos_ < 2) return false;
        v = static_cast<uint16_t>(static_cast<unsigned char>(bytes_[pos_]) |
                                  static_cast<unsigned char>(bytes_[pos_ + 1]) << 8);
        pos_ += 2;
        return true;
    }
    bool text(std::u16string& s) {
        uint16_t len = 0;
        if (!u16(len) || bytes_.size() - pos_ < len) return false;
        s.clear();
        // The text ends at its first U+0000; an odd last byte is not a code unit.
        for (size_t i = 0; i + 1 < len; i += 2) {
            const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes_[pos_ + i]) |
                                                    static_cast<unsigned char>(bytes_[pos_ + i + 1]) << 8);
            if (unit == 0) break;
            s += unit;
        }
        pos_ += len;
        return true;
    }
    bool byte(unsigned char& b) {
        if (pos_ >= bytes_.size()) return false;
        b = static_cast<unsigned char>(bytes_[pos_++]);
        return true;
    }
    bool f64(double& d) {
        if (bytes_.size() - pos_ < 8) return false;
        uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) bits = bits << 8 | static_cast<unsigned char>(bytes_[pos_ + i]);
        std::memcpy(&d, &bits, 8);
        pos_ += 8;
        return true;
    }

private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

int64_t toMilliseconds(double readDate) {
    return static_cast<int64_t>(std::llround(readDate * kMillisecondsPerDay));
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

const int64_t kEpochDays = daysFromCivil(1899, 12, 30);

}  // namespace

void TlibRecordList::SortByReadDate() {
    std::stable_sort(records_.begin(), records_.end(),
                     [](const auto& a, const auto& b) { return compareReadDate(*a, *b) < 0; });
}

std::string encodeCatalogue(const TlibRecordList& list) {
    std::string out(kMagic, sizeof kMagic);
    const size_t n = std::min<size_t>(list.Count(), 0xFFFF);
    putU16(out, static_cast<uint16_t>(n));
    for (size_t i = 0; i < n; ++i) {
        const TlibRecord& r = list.Get(i);
        putText(out, r.Title);
        putText(out, r.Author);
        putText(out, r.Folder);
        out += static_cast<char>(r.Newbook ? 1 : 0);
        uint64_t bits = 0;
        std::memcpy(&bits, &r.ReadDate, 8);
        for (int k = 0; k < 8; ++k) out += static_cast<char>(bits >> (8 * k) & 0xFF);
    }
    return out;
}

CatalogueLoad decodeCatalogue(std::string_view bytes, TlibRecordList& list) {
    list.Clear();
    if (bytes.size() < sizeof kMagic || bytes.substr(0, sizeof kMagic) != std::string_view(kMagic, sizeof kMagic))
        return CatalogueLoad::WrongMagic;
    Reader in(bytes.substr(sizeof kMagic));
    uint16_t count = 0;
    if (!in.u16(count)) return CatalogueLoad::Loaded;
    for (uint16_t i = 0; i < count; ++i) {
        auto r = std::make_unique<TlibRecord>();
        unsigned char newbook = 0;
        if (!in.text(r->Title) || !in.text(r->Author) || !in.text(r->Folder) || !in.byte(newbook) ||
            !in.f64(r->ReadDate))
            break;
        r->Newbook = newbook != 0;
        list.Add(std::move(r));
    }
    return CatalogueLoad::Loaded;
}

CatalogueLoad loadLibraryFile(TlibRecordList& list, const std::string& path) {
    list.Clear();
    std::error_code ec;
    const fs::path p = fileio::toPath(path);
    if (!fs::exists(p, ec)) return ec ? CatalogueLoad::Unreadable : CatalogueLoad::Missing;
    std::string bytes;
    if (!fileio::tryReadWholeFile(p, bytes)) return CatalogueLoad::Unreadable;
    return decodeCatalogue(bytes, list);
}

void saveLibraryFile(const TlibRecordList& list, const std::string& path) {
    fileio::writeWholeFileAtomic(fileio::toPath(path), encodeCatalogue(list));
}

std::string wrongMagicMessage(const std::string& path) {
    return "\"" + fileio::fromPath(fileio::toPath(path).filename()) + "\" non \xC3\xA8 un file libreria!";
}

double readDateFromLocal(int year, int month, int day, int hour, int minute, int second, int millisecond) {
    const int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochDays;
    const double ms = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond;
    return static_cast<double>(days) + ms / kMillisecondsPerDay;
}

double nowAsReadDate() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return readDateFromLocal(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                             local.tm_sec, static_cast<int>(ms));
}

std::string formatReadDate(double readDate) {
    // Only the years 1 to 9999 fit the shown form: a damaged date outside
    // them is shown as no date.
    constexpr double kFirstDay = -693593.0;  // 01/01/0001
    constexpr double kPastLastDay = 2958466.0;  // the day after 31/12/9999
    if (!std::isfinite(readDate) || readDate < kFirstDay || readDate >= kPastLastDay) return {};
    const int64_t ms = toMilliseconds(readDate);
    const int64_t msPerDay = static_cast<int64_t>(kMillisecondsPerDay);
    int64_t days = ms / msPerDay;
    int64_t inDay = ms % msPerDay;
    if (inDay < 0) { inDay += msPerDay; --days; }
    int y = 0, m = 0, d = 0;
    civilFromDays(days + kEpochDays, y, m, d);
    const int minutes = static_cast<int>(inDay / 60000);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d", d, m, y, minutes / 60, minutes % 60);
    return buffer;
}

int compareReadDate(const TlibRecord& a, const TlibRecord& b) {
    const int64_t ma = toMilliseconds(a.ReadDate), mb = toMilliseconds(b.ReadDate);
    return ma > mb ? -1 : (ma < mb ? 1 : 0);
}

std::string joinLibraryPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::vector<std::string> listBookFolders(const std::string& folder) {
    std::vector<std::string> result;
    std::error_code ec;
    for (fs::directory_iterator it(fileio::toPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = fileio::fromPath(it->path().filename());
        if (name.empty() || name[0] == '.') continue;  // hidden
        // A link is not a folder of ours, even when it points to one.
        if (!it->is_directory(ec) || it->is_symlink(ec)) continue;
        result.push_back(joinLibraryPath(folder, name));
    }
    return result;
}

void deleteFolderTree(const std::string& path) {
    std::error_code ec;
    const fs::path root = fileio::toPath(path);
    if (fs::is_symlink(root, ec)) {
        fs::remove(root, ec);
        return;
    }
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code entryError;
        if (it->is_directory(entryError) && !it->is_symlink(entryError))
            deleteFolderTree(fileio::fromPath(it->path()));
        else
            fs::remove(it->path(), entryError);
    }
    fs::remove(root, ec);
}

void sweepBookFolders(const TlibRecordList& list, const std::string& libraryFolder) {
    for (const std::string& path : listBookFolders(libraryFolder)) {
        const std::string lower = text::asciiLower(path);
        if (lower.size() < 5 || lower.compare(lower.size() - 5, 5, ".epub") != 0) continue;
        const std::u16string path16 = text::utf8ToUtf16(path);
        bool named = false;
        for (size_t i = 0; i < list.Count() && !named; ++i) named = list.Get(i).Folder == path16;
        if (!named) deleteFolderTree(path);
    }
}
