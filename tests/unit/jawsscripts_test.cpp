#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "platform/fileio.h"
#include "platform/registry.h"
#include "shell/jawsscripts.h"
#include "testfolder.h"

namespace fs = std::filesystem;

namespace {

class FakeRegistry : public Registry {
public:
    std::map<std::string, std::vector<std::string>> keys;
    mutable std::vector<std::string> asked;

    std::optional<std::vector<std::string>> subkeyNames(const std::string& key) const override {
        asked.push_back(key);
        const auto it = keys.find(key);
        if (it == keys.end()) return std::nullopt;
        return it->second;
    }
};

const char* const kFiles[] = {"ravelund.jss", "ravelund.jsb", "ravelund.jkm", "ravelund.jsd"};

class JawsScripts : public ::testing::Test {
protected:
    TestFolder dir;
    fs::path program = dir.path() / "program";
    fs::path appData = dir.path() / "appdata" / "Freedom Scientific" / "JAWS";

    void writeSources(const std::string& content) {
        for (const char* f : kFiles) writeFile(program / "jaws" / f, content + " " + f);
    }
    fs::path italian(const std::string& version) const { return appData / version / "Settings" / "ITA"; }
    void makeItalian(const std::string& version) const { fs::create_directories(italian(version)); }
    void install(const FakeRegistry& registry) const {
        installJawsScripts(registry, program.string(), appData.string());
    }
    // Every file under the settings root, with its content.
    std::map<std::string, std::string> installed() const {
        std::map<std::string, std::string> files;
        if (!fs::exists(appData)) return files;
        for (const auto& e : fs::recursive_directory_iterator(appData))
            if (e.is_regular_file())
                files[fs::relative(e.path(), appData).string()] = fileio::readWholeFile(e.path());
        return files;
    }
};

}  // namespace

TEST_F(JawsScripts, EveryRegisteredVersionWithItalianSettingsGetsTheFourFilesReplacedAtEveryStart) {
    FakeRegistry registry;
    registry.keys[kJawsRegistryKey] = {"2019", "2024"};
    writeSources("prima");
    makeItalian("2019");
    makeItalian("2024");
    writeFile(italian("2024") / "ravelund.jss", "vecchia versione, molto piu lunga di quella nuova");
    writeFile(italian("2024") / "altro.jss", "di un altro programma");

    install(registry);
    EXPECT_EQ(registry.asked, std::vector<std::string>{"SOFTWARE\\Freedom Scientific\\JAWS"});
    for (const char* version : {"2019", "2024"})
        for (const char* f : kFiles)
            EXPECT_EQ(fileio::readWholeFile(italian(version) / f), std::string("prima ") + f) << version << f;
    EXPECT_EQ(fileio::readWholeFile(italian("2024") / "altro.jss"), "di un altro programma");

    // The next start copies again, whatever the destination holds.
    writeSources("seconda");
    install(registry);
    for (const char* version : {"2019", "2024"})
        for (const char* f : kFiles)
            EXPECT_EQ(fileio::readWholeFile(italian(version) / f), std::string("seconda ") + f) << version << f;
    EXPECT_EQ(installed().size(), 9u);
}

TEST_F(JawsScripts, NothingIsCopiedWithoutTheKeyOrWithoutTheScripts) {
    struct Case {
        const char* what;
        bool key;
        bool sources;
        bool jssToo;  // when sources are written: also the first file
    } cases[] = {
        {"no JAWS key", false, true, true},
        {"no jaws folder", true, false, false},
        {"jaws folder without ravelund.jss", true, true, false},
    };
    for (const Case& c : cases) {
        TestFolder local;
        const fs::path prog = local.path() / "program";
        const fs::path root = local.path() / "JAWS";
        fs::create_directories(root / "2024" / "Settings" / "ITA");
        if (c.sources)
            for (const char* f : kFiles)
                if (c.jssToo || std::string(f) != "ravelund.jss") writeFile(prog / "jaws" / f, f);
        FakeRegistry registry;
        if (c.key) registry.keys[kJawsRegistryKey] = {"2024"};
        installJawsScripts(registry, prog.string(), root.string());
        EXPECT_TRUE(fs::is_empty(root / "2024" / "Settings" / "ITA")) << c.what;
    }
}

TEST_F(JawsScripts, AFailedCopyIsSkippedAndTheOtherFilesAndVersionsAreStillTried) {
    FakeRegistry registry;
    // "17.0" has no Italian settings, "Shared" is not a version at all.
    registry.keys[kJawsRegistryKey] = {"17.0", "Shared", "2024"};
    writeSources("x");
    fs::remove(program / "jaws" / "ravelund.jkm");
    makeItalian("2024");
    fs::create_directories(appData / "Shared");

    install(registry);
    EXPECT_EQ(installed(), (std::map<std::string, std::string>{
                               {"2024/Settings/ITA/ravelund.jss", "x ravelund.jss"},
                               {"2024/Settings/ITA/ravelund.jsb", "x ravelund.jsb"},
                               {"2024/Settings/ITA/ravelund.jsd", "x ravelund.jsd"},
                           }));
    EXPECT_FALSE(fs::exists(appData / "17.0"));
}

TEST_F(JawsScripts, ASubkeyNameThatIsNoPlainFolderNameWritesNothing) {
    FakeRegistry registry;
    registry.keys[kJawsRegistryKey] = {"..", ".", "", "../../outside", "a/b", "C:x", "a\\b"};
    writeSources("x");
    // Folders such names would reach if they were taken as paths.
    fs::create_directories(appData.parent_path() / "Settings" / "ITA");
    fs::create_directories(appData / "Settings" / "ITA");
    fs::create_directories(appData / "a" / "b" / "Settings" / "ITA");
    fs::create_directories(dir.path() / "appdata" / "outside" / "Settings" / "ITA");

    install(registry);
    for (const fs::path& p : {appData.parent_path() / "Settings" / "ITA", appData / "Settings" / "ITA",
                              appData / "a" / "b" / "Settings" / "ITA",
                              dir.path() / "appdata" / "outside" / "Settings" / "ITA"})
        EXPECT_TRUE(fs::is_empty(p)) << p;
}

TEST(SystemRegistry, IsEmptyOffWindows) {
#ifndef _WIN32
    EXPECT_FALSE(systemRegistry().subkeyNames(kJawsRegistryKey).has_value());
#endif
}
