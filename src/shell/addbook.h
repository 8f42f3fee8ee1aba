// Unpacking an EPUB file into a book folder of its own in the library.
#pragma once

#include <string>

namespace zipextract {
class ZipExtractor;
}

struct UnpackedBook {
    bool ok = false;          // false: the file is refused ("File non valido")
    std::string bookFolder;   // library folder + separator + the file's name
    std::string title;
    std::string author;
};

// The book folder for an EPUB file: the library folder joined with the file's
// name, extension included, with exactly one separator.
std::string bookFolderFor(const std::string& libraryFolder, const std::string& epubFile);

// Opens the archive, refuses a file that is no archive or has no entries
// before anything is created, then extracts every entry below the book folder
// and reads title and author. An archive whose entries would leave the book
// folder, are links, are encrypted or declare more than the size limit is
// refused before anything is written; a failure while extracting leaves what
// was written for the next start-up sweep.
UnpackedBook unpackBook(zipextract::ZipExtractor& extractor, const std::string& epubFile,
                        const std::string& libraryFolder);
