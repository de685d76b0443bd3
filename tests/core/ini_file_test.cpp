// The INI reader and writer: lookups, edits that keep everything else.
#include "core/settings/ini_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace tessivo;

TEST(IniFile, LooksUpSectionsAndKeysWithoutRegardToCase) {
    IniFile ini;
    ini.Parse("; comment\n[Other]\nVolume=1\n[settings]\n  VOLUME = 42  \n"
              "Output Folder=C:\\Users\\Me\\My Music\\\nEmpty=\nnoequals\n=novalue\n");
    EXPECT_EQ(ini.Get("Settings", "Volume"), "42");
    EXPECT_EQ(ini.Get("OTHER", "volume"), "1");
    EXPECT_EQ(ini.Get("Settings", "output folder"), "C:\\Users\\Me\\My Music\\");
    EXPECT_EQ(ini.Get("Settings", "Empty"), "");
    EXPECT_FALSE(ini.Get("Settings", "noequals"));
    EXPECT_FALSE(ini.Get("Settings", "Missing"));
    EXPECT_FALSE(ini.Get("Nowhere", "Volume"));
}

TEST(IniFile, SetChangesOnlyItsLineAndKeepsEverythingElse) {
    const std::string text = "\xEF\xBB\xBF; made by hand\r\n[Settings]\r\nvolume = 7\r\n"
                             "Other Key=x\\y\r\n\r\n[Window]\r\nLeft=10\r\n";
    IniFile ini;
    ini.Parse(text);
    EXPECT_EQ(ini.Text(), text); // untouched text comes back byte for byte
    ini.Set("Settings", "Volume", "55");
    ini.Set("Settings", "Gapless", "1");
    ini.Set("Window", "Top", "3");
    ini.Set("New Section", "Key", "v");
    EXPECT_EQ(ini.Text(), "\xEF\xBB\xBF; made by hand\r\n[Settings]\r\nVolume=55\r\n"
                          "Other Key=x\\y\r\nGapless=1\r\n\r\n[Window]\r\nLeft=10\r\nTop=3\r\n"
                          "\r\n[New Section]\r\nKey=v\r\n");
}

TEST(IniFile, EmptyAndUnterminatedTexts) {
    IniFile ini;
    ini.Parse("");
    ini.Set("Settings", "A", "1");
    EXPECT_EQ(ini.Text(), "[Settings]\nA=1\n");
    ini.Parse("[Settings]\nA=1"); // no line end after the last line
    ini.Set("Settings", "B", "2");
    EXPECT_EQ(ini.Text(), "[Settings]\nA=1\nB=2");
}

TEST(IniFile, GarbageIsKeptAndDoesNotConfuseLookups) {
    std::string garbage;
    for (int i = 0; i < 2000; ++i)
        garbage += static_cast<char>((i * 37 + 11) % 256);
    IniFile ini;
    ini.Parse(garbage);
    EXPECT_EQ(ini.Text().substr(0, garbage.size()), garbage.substr(0, garbage.size()));
    ini.Set("Settings", "Volume", "50");
    EXPECT_EQ(ini.Get("Settings", "Volume"), "50");
}

TEST(IniFile, SaveReplacesTheFileAndReportsFailure) {
    const auto dir = std::filesystem::temp_directory_path() / "tessivo_ini_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "t.ini").string();
    IniFile ini;
    EXPECT_FALSE(ini.Load(path)); // missing
    ini.Set("Settings", "A", "1");
    ASSERT_TRUE(ini.Save(path));
    IniFile again;
    ASSERT_TRUE(again.Load(path));
    EXPECT_EQ(again.Get("settings", "a"), "1");
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    EXPECT_FALSE(ini.Save((dir / "missing" / "t.ini").string()));
    EXPECT_FALSE(ini.Save(dir.string())); // a folder, not a file
    std::filesystem::remove_all(dir);
}
