#include <gtest/gtest.h>

#include "platform/fileio.h"
#include "shell/settings.h"
#include "testfolder.h"

TEST(Settings, DefaultsWhenTheFileIsMissing) {
    TestFolder dir;
    const ReaderSettings s = readReaderSettings(IniFile(dir / "none.ini"), "/home/u/Documenti");
    EXPECT_EQ(s.FolderProgData, "/home/u/Documenti/ravelund/epub");
    EXPECT_EQ(s.zoom, 100);
    EXPECT_EQ(s.color, 0);
}

TEST(Settings, ValuesAreReadWithTheirDefaultsForBadOnes) {
    struct Case {
        const char* file;
        int zoom;
        int color;
    } cases[] = {
        {"[FOLDER]\nzoom=150\ncolor=2\n", 150, 2},
        {"[folder]\r\nZOOM = 40\r\nColor=1\r\n", 40, 1},
        {"[FOLDER]\nzoom=abc\ncolor=7\n", 100, 0},
        {"[FOLDER]\nzoom=12x\ncolor=-1\n", 100, 0},
        {"[OTHER]\nzoom=200\n[FOLDER]\ncolor=1\n", 100, 1},
        {"[FOLDER]\nzoom=\n", 100, 0},
    };
    TestFolder dir;
    for (const Case& c : cases) {
        writeFile(dir / "r.ini", c.file);
        const ReaderSettings s = readReaderSettings(IniFile(dir / "r.ini"), "/d");
        EXPECT_EQ(s.zoom, c.zoom) << c.file;
        EXPECT_EQ(s.color, c.color) << c.file;
    }
}

TEST(Settings, WritingOneKeyKeepsTheOthers) {
    TestFolder dir;
    IniFile fresh(dir / "new.ini");
    fresh.WriteInteger(kSettingsSection, "zoom", 100);
    EXPECT_EQ(fileio::readWholeFile(dir / "new.ini"), "[FOLDER]\nzoom=100\n");

    writeFile(dir / "r.ini", "[FOLDER]\nfolderlib=/x/Citt\xC3\xA0\ncolor=2\n\n[Other]\nk=v\n");
    IniFile ini(dir / "r.ini");
    ini.WriteInteger(kSettingsSection, "zoom", 120);
    ini.WriteInteger(kSettingsSection, "color", 1);
    EXPECT_EQ(fileio::readWholeFile(dir / "r.ini"), "[FOLDER]\nfolderlib=/x/Citt\xC3\xA0\ncolor=1\nzoom=120\n\n[Other]\nk=v\n");
    const ReaderSettings s = readReaderSettings(IniFile(dir / "r.ini"), "/d");
    EXPECT_EQ(s.FolderProgData, "/x/Citt\xC3\xA0");
    EXPECT_EQ(s.zoom, 120);
}

TEST(Settings, AWindows1252FileIsReadAsSuch) {
    TestFolder dir;
    writeFile(dir / "r.ini", "[FOLDER]\nfolderlib=/x/Citt\xE0\n");
    EXPECT_EQ(IniFile(dir / "r.ini").ReadString(kSettingsSection, "folderlib", ""), "/x/Citt\xC3\xA0");
}

TEST(Settings, AFailedWriteThrowsAndLeavesNothing) {
    TestFolder dir;
    IniFile ini(dir / "missing/r.ini");
    EXPECT_THROW(ini.WriteInteger(kSettingsSection, "zoom", 1), fileio::FileError);
}
