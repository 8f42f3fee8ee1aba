// The library catalogue: one record per book, kept in "library.bin" in the
// library folder, and the book folders on disk that it names.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct TlibRecord {
    std::u16string Title;
    std::u16string Author;
    std::u16string Folder;  // absolute book folder, no trailing separator
    bool Newbook = true;
    double ReadDate = 0;    // days since 1899-12-30 00:00, local time
};

// Owns its records; row i of the library list shows record i.
class TlibRecordList {
public:
    void Add(std::unique_ptr<TlibRecord> record) { records_.push_back(std::move(record)); }
    TlibRecord& Get(size_t index) { return *records_.at(index); }
    const TlibRecord& Get(size_t index) const { return *records_.at(index); }
    size_t Count() const { return records_.size(); }
    bool Empty() const { return records_.empty(); }
    void Delete(size_t index) { records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(index)); }
    void Clear() { records_.clear(); }
    // Latest reading first (compareReadDate); equal times keep their order.
    void SortByReadDate();

private:
    std::vector<std::unique_ptr<TlibRecord>> records_;
};

constexpr const char* kLibraryFileName = "library.bin";

enum class CatalogueLoad {
    Missing,     // no file: an empty catalogue, nothing to say
    Loaded,      // read, possibly only the complete entries of a cut file
    WrongMagic,  // not a catalogue: the caller shows the message
    Unreadable,  // exists but cannot be read
};

std::string encodeCatalogue(const TlibRecordList& list);
// Fills the list with every complete entry; a file cut inside an entry keeps
// the entries before it.
CatalogueLoad decodeCatalogue(std::string_view bytes, TlibRecordList& list);

CatalogueLoad loadLibraryFile(TlibRecordList& list, const std::string& path);
// Replaces the file atomically; throws fileio::FileError when it cannot.
void saveLibraryFile(const TlibRecordList& list, const std::string& path);

// Message for a file whose first bytes are not the catalogue's magic.
std::string wrongMagicMessage(const std::string& path);

// Current local date and time as a day count since 1899-12-30.
double nowAsReadDate();
double readDateFromLocal(int year, int month, int day, int hour, int minute, int second, int millisecond);
// "DD/MM/YYYY hh:mm"; empty for a date outside the years 1 to 9999.
std::string formatReadDate(double readDate);
// Negative when a was read later than b, positive when earlier, zero within the same millisecond.
int compareReadDate(const TlibRecord& a, const TlibRecord& b);

// library folder + separator + name, the separator only when missing.
std::string joinLibraryPath(const std::string& folder, const std::string& name);

// Full paths of the visible subfolders of folder, in directory order.
std::vector<std::string> listBookFolders(const std::string& folder);
// Deletes a folder with all it holds; links are removed, never followed.
// Failures are silent: what cannot be deleted stays.
void deleteFolderTree(const std::string& path);
// Removes the book folders left behind by interrupted additions or deletions:
// folders named "*.epub" that no entry names. Nothing else is touched.
void sweepBookFolders(const TlibRecordList& list, const std::string& libraryFolder);
