#include "shell/addbook.h"

#include "epub/package.h"
#include "platform/fileio.h"
#include "shell/catalogue.h"
#include "zip/extractor.h"

std::string bookFolderFor(const std::string& libraryFolder, const std::string& epubFile) {
    return joinLibraryPath(libraryFolder, fileio::fromPath(fileio::toPath(epubFile).filename()));
}

UnpackedBook unpackBook(zipextract::ZipExtractor& extractor, const std::string& epubFile,
                        const std::string& libraryFolder) {
    UnpackedBook book;
    if (extractor.open(epubFile) != zipextract::OpenStatus::Ok || extractor.archiveName().empty() ||
        extractor.entryCount() == 0)
        return book;
    book.bookFolder = bookFolderFor(libraryFolder, epubFile);
    const bool extracted = extractor.extractAll(book.bookFolder).ok();
    extractor.close();
    if (!extracted) return book;
    epub::title_and_creator(book.bookFolder, book.title, book.author);
    book.ok = true;
    return book;
}
