// Loading and saving the settings: defaults, limits, foreign keys kept.
#include "core/output/split_parts.h"
#include "core/settings/settings_file.h"

#include "core/output/part_tag.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

using namespace tessivo;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tessivo_settings_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "tessivo.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
    std::string Read() {
        std::ifstream in(path_, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }
    std::unique_ptr<ProgramState> Load() {
        auto st = std::make_unique<ProgramState>();
        st->Volume = -99; // the loader must set every value itself
        st->SilenceThreshold = -99;
        st->SilenceRelease = -99;
        st->IsSaveTags = false;
        st->IsGapless = true;
        st->NumberTracks = true;
        st->Colours = ColourChoice::Dark;
        st->OutputFolder = "stale";
        st->PartTagFormat = TagFormat::V1;
        LoadSettings(*st, path_);
        return st;
    }
    void ExpectDefaults(const ProgramState& st) {
        EXPECT_EQ(st.Volume, 50);
        EXPECT_EQ(st.SilenceThreshold, 10);
        EXPECT_EQ(st.SilenceRelease, 1000);
        EXPECT_TRUE(st.IsSaveTags); // a fresh file writes the parts' tags
        EXPECT_FALSE(st.IsGapless);
        EXPECT_FALSE(st.NumberTracks);
        EXPECT_EQ(st.Colours, ColourChoice::FollowDesktop);
        EXPECT_EQ(st.OutputFolder, "");
        EXPECT_EQ(st.PartTagFormat, kDefaultTagFormat);
    }

    std::filesystem::path dir_;
    std::string path_;
};

} // namespace

TEST_F(SettingsFile, MissingFileGivesDefaultsAndSavingWritesTheSixKeys) {
    auto st = Load();
    ExpectDefaults(*st);
    st->OutputFolder = "/home/me/Music";
    std::string error;
    ASSERT_TRUE(SaveSettings(*st, path_, error));
    EXPECT_EQ(Read(), "[Settings]\nVolume=50\nThreshold=10\nRelease=1000\nIsSaveTags=1\n"
                      "Output Folder=/home/me/Music\nGapless=0\n");
}

// Tags off stays off; numbering and colours are written once chosen (after
// the first keys, in that order) and read back; unknown colours follow the
// desktop.
TEST_F(SettingsFile, TagsOffNumberingAndColoursAreKept) {
    Write("[Settings]\nIsSaveTags=0\n");
    auto st = Load();
    EXPECT_FALSE(st->IsSaveTags);
    st->NumberTracks = true;
    st->Colours = ColourChoice::Light;
    st->FadeMs = 250;
    std::string error;
    ASSERT_TRUE(SaveSettings(*st, path_, error));
    EXPECT_NE(Read().find("Gapless=0\nTrack Numbers=1\nFade=250\nColours=light\n"),
              std::string::npos)
        << Read();
    auto again = Load();
    EXPECT_FALSE(again->IsSaveTags);
    EXPECT_TRUE(again->NumberTracks);
    EXPECT_EQ(again->Colours, ColourChoice::Light);
    EXPECT_EQ(again->FadeMs, 250);
    Write("[Settings]\nColours=dark\n");
    EXPECT_EQ(Load()->Colours, ColourChoice::Dark);
    Write("[Settings]\nFade=99999\n");
    EXPECT_EQ(Load()->FadeMs, 10000);
    Write("[Settings]\nColours=Dark\nTrack Numbers=x\n");
    EXPECT_EQ(Load()->Colours, ColourChoice::FollowDesktop);
    EXPECT_FALSE(Load()->NumberTracks);
}

TEST_F(SettingsFile, RoundTripKeepsForeignSectionsKeysAndComments) {
    Write("; my notes\n[Window]\nLeft=3\n\n[SETTINGS]\nvolume=20\nMyKey=keep me\n"
          "output folder=D:\\Audio Books\\Out\n");
    auto st = Load();
    EXPECT_EQ(st->Volume, 20);
    EXPECT_EQ(st->OutputFolder, "D:\\Audio Books\\Out");
    st->Volume = 80;
    st->IsSaveTags = true;
    st->IsGapless = true;
    st->SilenceThreshold = 7;
    st->SilenceRelease = 2400;
    std::string error;
    ASSERT_TRUE(SaveSettings(*st, path_, error));
    const std::string text = Read();
    EXPECT_NE(text.find("; my notes\n[Window]\nLeft=3\n"), std::string::npos) << text;
    EXPECT_NE(text.find("MyKey=keep me\n"), std::string::npos) << text;
    auto again = Load();
    EXPECT_EQ(again->Volume, 80);
    EXPECT_EQ(again->SilenceThreshold, 7);
    EXPECT_EQ(again->SilenceRelease, 2400);
    EXPECT_TRUE(again->IsSaveTags);
    EXPECT_TRUE(again->IsGapless);
    EXPECT_EQ(again->OutputFolder, "D:\\Audio Books\\Out");
}

TEST_F(SettingsFile, ReplayGainIsWrittenOnceChosenAndReadBack) {
    auto st = Load();
    SplitLoudness loudness{true, -3.0};
    std::string error;
    ASSERT_TRUE(SaveSettings(*st, path_, error));
    EXPECT_EQ(Read().find("ReplayGain"), std::string::npos); // not asked to write it
    ASSERT_TRUE(SaveSettings(*st, path_, error, &loudness));
    EXPECT_NE(Read().find("ReplayGain=1\n"), std::string::npos) << Read();
    SplitLoudness read;
    LoadSettings(*st, path_, &read);
    EXPECT_TRUE(read.replayGain);
    EXPECT_EQ(read.gainDb, 0.0); // the gain is not kept
    // Turned off again: the key stays, with 0.
    loudness.replayGain = false;
    ASSERT_TRUE(SaveSettings(*st, path_, error, &loudness));
    EXPECT_NE(Read().find("ReplayGain=0\n"), std::string::npos);
    LoadSettings(*st, path_, &read);
    EXPECT_FALSE(read.replayGain);
}

TEST_F(SettingsFile, VolumeIsLimitedOthersTakenAsTheyStand) {
    Write("[Settings]\nVolume=250\nThreshold=150\nRelease=-5\nIsSaveTags=2\nGapless=0\n");
    auto st = Load();
    EXPECT_EQ(st->Volume, 100);
    EXPECT_EQ(st->SilenceThreshold, 150);
    EXPECT_EQ(st->SilenceRelease, -5);
    EXPECT_TRUE(st->IsSaveTags);
    std::string error;
    ASSERT_TRUE(SaveSettings(*st, path_, error));
    EXPECT_NE(Read().find("IsSaveTags=1\n"), std::string::npos);

    Write("[Settings]\nVolume=-5\n");
    EXPECT_EQ(Load()->Volume, 0);
}

TEST_F(SettingsFile, ValuesThatAreNotNumbersGiveTheirDefaults) {
    Write("[Settings]\nVolume=abc\nThreshold=12x\nRelease=99999999999\nIsSaveTags=yes\n"
          "Gapless=\n");
    ExpectDefaults(*Load());
}

TEST_F(SettingsFile, GarbageFileGivesDefaultsAndIsNotLostOnSave) {
    std::string garbage(4096, '\0');
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 131 + 7) % 251);
    Write(garbage);
    auto st = Load();
    ExpectDefaults(*st);
    std::string error;
    ASSERT_TRUE(SaveSettings(*st, path_, error));
    auto again = Load();
    ExpectDefaults(*again);
}

TEST_F(SettingsFile, UnwritableFileIsReported) {
    auto st = Load();
    std::string error;
    const std::string bad = (dir_ / "no such folder" / "tessivo.ini").string();
    EXPECT_FALSE(SaveSettings(*st, bad, error));
    EXPECT_EQ(error, "Unable to write to " + bad);
    // A folder standing where the file should be.
    std::filesystem::create_directories(path_);
    error.clear();
    EXPECT_FALSE(SaveSettings(*st, path_, error));
    EXPECT_EQ(error, "Unable to write to " + path_);
}

TEST_F(SettingsFile, UnreadableFileGivesDefaults) {
    // A folder in place of the file reads as nothing.
    std::filesystem::create_directories(path_);
    ExpectDefaults(*Load());
}

TEST_F(SettingsFile, TagFormatIsKeptAndUnknownTextsGiveTheDefault) {
    Write("[Settings]\nVolume=40\nMyKey=keep me\nTag Format=v2.4\n");
    auto st = Load();
    EXPECT_EQ(st->PartTagFormat, TagFormat::V24);
    st->PartTagFormat = TagFormat::V1;
    std::string error;
    ASSERT_TRUE(SaveSettings(*st, path_, error));
    const std::string text = Read();
    EXPECT_NE(text.find("Tag Format=v1\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("v2.4"), std::string::npos) << text;
    EXPECT_NE(text.find("MyKey=keep me\n"), std::string::npos) << text;
    EXPECT_EQ(Load()->PartTagFormat, TagFormat::V1);

    // Back to the default: the key the file has is rewritten, not left stale.
    st->PartTagFormat = kDefaultTagFormat;
    ASSERT_TRUE(SaveSettings(*st, path_, error));
    EXPECT_NE(Read().find("Tag Format=v1+v2.3\n"), std::string::npos) << Read();
    EXPECT_EQ(Load()->PartTagFormat, kDefaultTagFormat);

    for (const char* bad : {"Tag Format=v3\n", "Tag Format=\n", "Tag Format=V1+V2.4\n"}) {
        Write(std::string("[Settings]\n") + bad);
        EXPECT_EQ(Load()->PartTagFormat, kDefaultTagFormat) << bad;
    }
    Write("[Settings]\nTag Format=v1+v2.4\n");
    EXPECT_EQ(Load()->PartTagFormat, TagFormat::V1V24);
}
