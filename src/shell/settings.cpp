#include "shell/settings.h"

#include <charconv>

#include "platform/fileio.h"
#include "platform/textconv.h"

namespace {

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool isSectionHeader(const std::string& line, std::string& name) {
    const std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    const auto close = t.find(']');
    if (close == std::string::npos) return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

bool splitKeyValue(const std::string& line, std::string& key, std::string& value) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
    return !key.empty() && key[0] != ';';
}

bool sameName(const std::string& a, const std::string& b) { return text::asciiLower(a) == text::asciiLower(b); }

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
    std::string data;
    if (!fileio::tryReadWholeFile(fileio::toPath(path_), data)) return;
    if (data.size() >= 3 && data.compare(0, 3, "\xEF\xBB\xBF") == 0) data.erase(0, 3);
    if (!text::isValidUtf8(data)) data = text::cp1252ToUtf8(data);
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\n', start);
        if (end == std::string::npos) end = data.size();
        std::string line = data.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(std::move(line));
        start = end + 1;
    }
}

std::optional<std::string> IniFile::find(const std::string& section, const std::string& key) const {
    bool inSection = false;
    for (const std::string& line : lines_) {
        std::string name, k, value;
        if (isSectionHeader(line, name)) {
            inSection = sameName(name, section);
        } else if (inSection && splitKeyValue(line, k, value) && sameName(k, key)) {
            return value;
        }
    }
    return std::nullopt;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
    const std::optional<std::string> v = find(section, key);
    return v ? *v : def;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    const std::optional<std::string> v = find(section, key);
    if (!v || v->empty()) return def;
    const char* first = v->data();
    if (*first == '+') ++first;
    int result = 0;
    const auto [ptr, ec] = std::from_chars(first, v->data() + v->size(), result);
    return ec == std::errc() && ptr == v->data() + v->size() ? result : def;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    std::vector<std::string> lines = lines_;
    const std::string entry = key + "=" + value;
    bool inSection = false, done = false;
    size_t sectionEnd = std::string::npos;
    for (size_t i = 0; i < lines.size() && !done; ++i) {
        std::string name, k, v;
        if (isSectionHeader(lines[i], name)) {
            if (inSection) break;
            inSection = sameName(name, section);
            if (inSection) sectionEnd = i + 1;
        } else if (inSection) {
            if (splitKeyValue(lines[i], k, v) && sameName(k, key)) {
                lines[i] = entry;
                done = true;
            } else if (!trim(lines[i]).empty()) {
                sectionEnd = i + 1;
            }
        }
    }
    if (!done) {
        if (sectionEnd == std::string::npos) {
            lines.push_back("[" + section + "]");
            lines.push_back(entry);
        } else {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), entry);
        }
    }
    std::string data;
    for (const std::string& line : lines) data += line + "\n";
    fileio::writeWholeFileAtomic(fileio::toPath(path_), data);
    lines_ = std::move(lines);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

std::string settingsFolder(const std::string& documentsFolder) { return documentsFolder + "/ravelund"; }

std::string settingsFilePath(const std::string& documentsFolder) {
    return settingsFolder(documentsFolder) + "/ravelund.ini";
}

std::string defaultLibraryFolder(const std::string& documentsFolder) {
    return settingsFolder(documentsFolder) + "/epub";
}

ReaderSettings readReaderSettings(const IniFile& ini, const std::string& documentsFolder) {
    ReaderSettings s;
    s.FolderProgData = ini.ReadString(kSettingsSection, "folderlib", defaultLibraryFolder(documentsFolder));
    s.zoom = ini.ReadInteger(kSettingsSection, "zoom", 100);
    const int color = ini.ReadInteger(kSettingsSection, "color", 0);
    s.color = color >= 0 && color <= 2 ? color : 0;
    return s;
}
