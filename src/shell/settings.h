// The settings file "ravelund/ravelund.ini" below the documents folder, and
// the settings of a run read from it.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// An INI file read and written whole. Section and key names match without
// regard to ASCII case, as Windows profile files do. Text is UTF-8; a file
// that is not valid UTF-8 is read as Windows-1252.
class IniFile {
public:
    explicit IniFile(std::string path);

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // The default also when the value is not a decimal integer.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    // Change the file on disk at once, keeping every other line; throws
    // fileio::FileError when the file cannot be written.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);

private:
    std::optional<std::string> find(const std::string& section, const std::string& key) const;

    std::string path_;
    std::vector<std::string> lines_;
};

constexpr const char* kSettingsSection = "FOLDER";

// The run's settings as the settings file holds them.
struct ReaderSettings {
    std::string FolderProgData;  // library folder
    int zoom = 100;              // font zoom percentage of the book text
    int color = 0;               // 0 white, 1 black, 2 sepia
};

std::string settingsFolder(const std::string& documentsFolder);  // documents + "/ravelund"
std::string settingsFilePath(const std::string& documentsFolder);
std::string defaultLibraryFolder(const std::string& documentsFolder);

// Missing file, section, key or a non-integer gives the defaults; the zoom is
// taken unchecked, a colour other than 0, 1, 2 is white.
ReaderSettings readReaderSettings(const IniFile& ini, const std::string& documentsFolder);
