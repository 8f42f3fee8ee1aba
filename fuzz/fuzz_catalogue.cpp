// The catalogue reader on arbitrary library.bin bytes, from memory and from
// a file. What it loads must save and load back unchanged, and every date it
// holds must be shown and sorted without fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_common.h"
#include "shell/catalogue.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool sameRecords(const TlibRecordList& a, const TlibRecordList& b) {
    if (a.Count() != b.Count()) return false;
    for (size_t i = 0; i < a.Count(); ++i) {
        const TlibRecord &x = a.Get(i), &y = b.Get(i);
        if (x.Title != y.Title || x.Author != y.Author || x.Folder != y.Folder || x.Newbook != y.Newbook ||
            std::memcmp(&x.ReadDate, &y.ReadDate, sizeof x.ReadDate) != 0)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TlibRecordList list;
    const CatalogueLoad load = decodeCatalogue(bytes, list);
    check(load == CatalogueLoad::Loaded || load == CatalogueLoad::WrongMagic);
    if (load == CatalogueLoad::WrongMagic) check(list.Empty());

    const auto path = fuzzsupport::scratchFolder() / kLibraryFileName;
    fuzzsupport::writeFile(path, bytes);
    TlibRecordList fromFile;
    check(loadLibraryFile(fromFile, path.string()) == load);
    check(sameRecords(list, fromFile));
    if (load != CatalogueLoad::Loaded) return 0;

    const std::string encoded = encodeCatalogue(list);
    TlibRecordList again;
    check(decodeCatalogue(encoded, again) == CatalogueLoad::Loaded);
    check(sameRecords(list, again));
    check(encodeCatalogue(again) == encoded);

    for (size_t i = 0; i < list.Count(); ++i) {
        const std::string shown = formatReadDate(list.Get(i).ReadDate);
        check(shown.empty() || shown.size() == 16);
    }
    list.SortByReadDate();
    for (size_t i = 1; i < list.Count(); ++i) check(compareReadDate(list.Get(i - 1), list.Get(i)) <= 0);
    return 0;
}
