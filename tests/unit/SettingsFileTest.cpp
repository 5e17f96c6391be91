#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>

#include "common/Random.h"
#include "files/SettingsFile.h"

namespace {

// Builds file images field by field, independently of the encoder under test.
struct Bytes {
    template <typename T> Bytes& Put(T v) {
        uint8_t raw[sizeof(T)];
        std::memcpy(raw, &v, sizeof v);
        data.insert(data.end(), raw, raw + sizeof v);
        return *this;
    }
    std::vector<uint8_t> data;
};

// A format 1.x file: 38-byte header, 8 measures of 16-byte steps, window rectangle, and from 1.5
// on the inverted option word. Step k of measure m gets note m*16+k and on = k % 2.
std::vector<uint8_t> OlderFile(float version, int32_t left, int32_t right, uint32_t optionWord = 0) {
    Bytes b;
    b.Put<float>(version).Put<int16_t>(1).Put<double>(99.5).Put<int32_t>(4).Put<int16_t>(2);
    b.Put<int16_t>(3).Put<int32_t>(1).Put<uint32_t>(0x111111).Put<uint32_t>(0x00AABBCC).Put<uint32_t>(0xDEAD);
    for (int m = 0; m < 8; ++m) {
        b.Put<uint32_t>(0);
        if (version < 1.003f)
            b.Put<int16_t>(0);
        else
            b.Put<int16_t>(static_cast<int16_t>((m + 1) % 8)).Put<int16_t>(2);
        for (int k = 0; k < 16; ++k) {
            b.Put<int16_t>(static_cast<int16_t>(m * 16 + k)).Put<int16_t>(5).Put<int16_t>(6).Put<int16_t>(7);
            b.Put<uint32_t>(k % 2 == 0 ? 0u : 3u);  // on as a 32-bit word
            b.Put<uint32_t>(k % 3 == 0 ? 1u : 40u); // 1 means length 0, anything else 127
        }
    }
    b.Put<int32_t>(left).Put<int32_t>(20).Put<int32_t>(right).Put<int32_t>(200);
    if (version >= 1.5f) b.Put<uint32_t>(optionWord);
    return b.data;
}

// A document with a distinct value in every stored field.
SongDocument Distinctive() {
    SeedRandom(99);
    SongDocument doc;
    doc.tempoDisplay = TempoUnit::SamplesPerMeasure;
    doc.tempo = 143.25;
    doc.syncState.syncGroup = -7;
    doc.syncState.syncSelector = 3;
    doc.editMeasure = 5;
    doc.mute = 1;
    for (int m = 0; m < 8; ++m) {
        doc.measures[m].next = static_cast<int16_t>(7 - m);
        doc.measures[m].repeat = static_cast<int16_t>(m * 3);
        doc.measures[m].steps[m].on = 0;
    }
    doc.stepsPerMeasure = 11;
    doc.optionFlag = 1;
    doc.levelB = 33;
    doc.transpose = -12;
    return doc;
}

void ExpectSameStoredFields(const SongDocument& a, const SongDocument& b) {
    EXPECT_EQ(a.tempoDisplay, b.tempoDisplay);
    EXPECT_EQ(a.tempo, b.tempo);
    EXPECT_EQ(a.syncState.syncGroup, b.syncState.syncGroup);
    EXPECT_EQ(a.syncState.syncSelector, b.syncState.syncSelector);
    EXPECT_EQ(a.editMeasure, b.editMeasure);
    EXPECT_EQ(a.mute, b.mute);
    EXPECT_EQ(a.stepsPerMeasure, b.stepsPerMeasure);
    EXPECT_EQ(a.optionFlag, b.optionFlag);
    EXPECT_EQ(a.levelB, b.levelB);
    EXPECT_EQ(a.transpose, b.transpose);
    for (int m = 0; m < 8; ++m) {
        EXPECT_EQ(a.measures[m].next, b.measures[m].next) << "measure " << m;
        EXPECT_EQ(a.measures[m].repeat, b.measures[m].repeat) << "measure " << m;
        for (int k = 0; k < 16; ++k)
            for (int p : {10, 20, 30, 40, 50, 60})
                EXPECT_EQ(a.measures[m].steps[k].GetParam(p), b.measures[m].steps[k].GetParam(p))
                    << "measure " << m << " step " << k << " param " << p;
    }
}

// Files held in memory, so a test can try thousands of them quickly.
class MemoryFiles : public FileSystem {
public:
    FileError ReadAll(const std::string& path, std::vector<uint8_t>& bytes) override {
        const auto found = files.find(path);
        if (found == files.end()) return FileError::NotFound;
        bytes = found->second;
        return FileError::None;
    }
    FileError WriteReplace(const std::string& path, const std::vector<uint8_t>& bytes) override {
        files[path] = bytes;
        return FileError::None;
    }
    std::string DisplayName(const std::string& path) override { return path; }
    std::map<std::string, std::vector<uint8_t>> files;
};

class SettingsFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("kestrel-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string PathOf(const char* name) const { return (dir / name).string(); }
    void WriteRaw(const std::string& path, const std::vector<uint8_t>& bytes) const {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    std::filesystem::path dir;
    StdFileSystem files;
};

TEST(SettingsCodec, NewDocumentEncodesAs1618BytesWithVersionAndTempoUpFront) {
    SongDocument doc;
    const auto bytes = EncodeSettings(doc, 0, 0, 0);
    ASSERT_EQ(bytes.size(), 1618u);
    const std::vector<uint8_t> head{0x62, 0x10, 0x00, 0x40, 0x00, 0x00, 0x00,
                                    0x00, 0x00, 0x00, 0x00, 0x80, 0x5F, 0x40};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));
}

TEST(SettingsCodec, StepsAreStoredNoteFirstAndOnLast) {
    SongDocument doc;
    Step& s = doc.measures[1].steps[2];
    s.note = 0x0102;
    s.value30 = 0x0304;
    s.value40 = 0x0506;
    s.value50 = 0x0708;
    s.length = 0x090A;
    s.on = 0;
    doc.measures[1].next = 6;
    doc.measures[1].repeat = 4;
    const auto bytes = EncodeSettings(doc, -5, 300, 0x00123456);
    const size_t measure = 30 + 196;
    EXPECT_EQ(bytes[measure], 6);
    EXPECT_EQ(bytes[measure + 2], 4);
    const size_t step = measure + 4 + 12 * 2;
    const std::vector<uint8_t> expected{0x02, 0x01, 0x04, 0x03, 0x06, 0x05,
                                        0x08, 0x07, 0x0A, 0x09, 0x00, 0x00};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin() + step));
    int32_t left, top;
    uint32_t skin;
    std::memcpy(&skin, &bytes[26], 4);
    std::memcpy(&left, &bytes[1598], 4);
    std::memcpy(&top, &bytes[1602], 4);
    EXPECT_EQ(skin, 0x00123456u);
    EXPECT_EQ(left, -5);
    EXPECT_EQ(top, 300);
}

TEST(SettingsCodec, WriteThenReadRestoresEveryStoredField) {
    const SongDocument original = Distinctive();
    const auto bytes = EncodeSettings(original, 17, 42, 0x00302010);
    SettingsData data;
    ASSERT_TRUE(DecodeSettings(bytes.data(), bytes.size(), data));
    SongDocument loaded; // different random steps, all defaults
    ApplySettings(data, loaded);
    ExpectSameStoredFields(original, loaded);
    EXPECT_EQ(data.skinColour, 0x00302010u);
    EXPECT_EQ(data.left, 17);
    EXPECT_EQ(data.top, 42);
    EXPECT_FLOAT_EQ(loaded.fileVersion, 2.001f);
}

TEST(SettingsCodec, Version2_0EndsAfterTheOptionFlagAndResetsLevels) {
    SongDocument source = Distinctive();
    auto bytes = EncodeSettings(source, 0, 0, 0);
    const float two = 2.0f;
    std::memcpy(bytes.data(), &two, 4);
    bytes.resize(1614);
    SettingsData data;
    ASSERT_TRUE(DecodeSettings(bytes.data(), bytes.size(), data));
    SongDocument loaded;
    loaded.levelB = 5;
    loaded.transpose = 9;
    ApplySettings(data, loaded);
    EXPECT_EQ(loaded.levelB, 80);
    EXPECT_EQ(loaded.transpose, 0);
    EXPECT_EQ(loaded.stepsPerMeasure, 11);
    EXPECT_EQ(loaded.measures[2].repeat, 6);
}

TEST(SettingsCodec, Version1_5TakesStepsFromTheWidthAndInvertsTheOptionFlag) {
    const auto bytes = OlderFile(1.5f, 100, 100 + 110 + 30 * 7 + 29); // width gives 7 steps
    SettingsData data;
    ASSERT_TRUE(DecodeSettings(bytes.data(), bytes.size(), data));
    SongDocument doc;
    doc.levelB = 44;
    doc.transpose = 5;
    ApplySettings(data, doc);
    EXPECT_EQ(doc.stepsPerMeasure, 7);
    EXPECT_EQ(doc.optionFlag, 1);            // stored word 0
    EXPECT_EQ(data.skinColour, 0x00AABBCCu); // the second colour replaces the first
    EXPECT_EQ(data.left, 100);
    EXPECT_EQ(data.top, 20);
    EXPECT_EQ(doc.measures[3].next, 4);
    EXPECT_EQ(doc.measures[3].repeat, 2);
    EXPECT_EQ(doc.measures[3].steps[5].note, 3 * 16 + 5);
    EXPECT_EQ(doc.measures[3].steps[5].on, 1);
    EXPECT_EQ(doc.measures[3].steps[4].on, 0);
    EXPECT_EQ(doc.measures[3].steps[3].length, 0);   // stored 1
    EXPECT_EQ(doc.measures[3].steps[4].length, 127); // stored 40
    EXPECT_EQ(doc.tempo, 99.5);
    EXPECT_EQ(doc.editMeasure, 3);
    // Levels are not in a 1.x file and stay as they were.
    EXPECT_EQ(doc.levelB, 44);
    EXPECT_EQ(doc.transpose, 5);

    const auto flagSet = OlderFile(1.5f, 0, 400, 9);
    ASSERT_TRUE(DecodeSettings(flagSet.data(), flagSet.size(), data));
    EXPECT_EQ(data.optionFlag, 0);
}

TEST(SettingsCodec, Version1_0LinksEveryMeasureToItselfAndUsesTheOldestWidthRule) {
    const auto bytes = OlderFile(1.0f, 0, 122 + 35 * 9 + 34); // 9 steps
    SettingsData data;
    ASSERT_TRUE(DecodeSettings(bytes.data(), bytes.size(), data));
    SongDocument doc;
    doc.optionFlag = 1;
    ApplySettings(data, doc);
    EXPECT_EQ(doc.stepsPerMeasure, 9);
    EXPECT_EQ(doc.optionFlag, 0);
    for (int m = 0; m < 8; ++m) {
        EXPECT_EQ(doc.measures[m].next, m);
        EXPECT_EQ(doc.measures[m].repeat, 1);
    }
    EXPECT_EQ(doc.measures[7].steps[15].note, 7 * 16 + 15);
    // 1.1 switches to the newer width rule: (400 - 110) / 30 = 9.
    const auto v11 = OlderFile(1.1f, 0, 400);
    ASSERT_TRUE(DecodeSettings(v11.data(), v11.size(), data));
    EXPECT_EQ(data.stepsPerMeasure, 9);
}

TEST(SettingsCodec, AVersionThatIsNotANumberReadsAsAnOlderFile) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Not below 1.003, 1.1 or 1.5 and not at least 1.5: links read, newer width rule, no option word.
    auto bytes = OlderFile(1.2f, 0, 110 + 30 * 4);
    std::memcpy(bytes.data(), &nan, 4);
    SettingsData data;
    ASSERT_TRUE(DecodeSettings(bytes.data(), bytes.size(), data));
    EXPECT_EQ(data.stepsPerMeasure, 4);
    EXPECT_EQ(data.measures[0].next, 1);
    EXPECT_FALSE(data.hasLevels);
}

TEST(SettingsCodec, ValuesThatIndexTheSongAreBroughtIntoRange) {
    SongDocument doc;
    doc.measures[2].next = 9;
    doc.measures[4].next = -1;
    doc.measures[5].next = 7;
    doc.editMeasure = 12;
    doc.measures[1].repeat = -3; // only values that index arrays are mended
    doc.transpose = 500;
    for (int32_t steps : {40, 0, -2, 16, 1}) {
        doc.stepsPerMeasure = steps;
        const auto bytes = EncodeSettings(doc, 0, 0, 0);
        SettingsData data;
        ASSERT_TRUE(DecodeSettings(bytes.data(), bytes.size(), data));
        EXPECT_EQ(data.stepsPerMeasure, std::clamp(steps, 1, 16));
        EXPECT_EQ(data.measures[2].next, 2);
        EXPECT_EQ(data.measures[4].next, 4);
        EXPECT_EQ(data.measures[5].next, 7);
        EXPECT_EQ(data.editMeasure, 0);
        EXPECT_EQ(data.measures[1].repeat, -3);
        EXPECT_EQ(data.transpose, 500);
    }
    // The engine divides by the tempo: it is held to the song's range, a NaN read as the default.
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, double> tempos[] = {{std::nan(""), 126.0}, {0.0, 0.5}, {-40.0, 0.5},
                                                {inf, 1e7},            {1e9, 1e7}, {300.0, 300.0}};
    for (auto [stored, held] : tempos) {
        doc.tempo = stored;
        const auto bytes = EncodeSettings(doc, 0, 0, 0);
        SettingsData data;
        ASSERT_TRUE(DecodeSettings(bytes.data(), bytes.size(), data));
        EXPECT_EQ(data.tempo, held) << stored;
    }
    // An old file's rectangle can give any width at all.
    const auto wide = OlderFile(1.5f, 0, 100000);
    SettingsData data;
    ASSERT_TRUE(DecodeSettings(wide.data(), wide.size(), data));
    EXPECT_EQ(data.stepsPerMeasure, 16);
    const auto inverted = OlderFile(1.0f, 2000000000, -2000000000);
    ASSERT_TRUE(DecodeSettings(inverted.data(), inverted.size(), data));
    EXPECT_EQ(data.stepsPerMeasure, 1);
}

TEST_F(SettingsFileOnDisk, SaveSetsTitleAndClearsDirtyAndLoadGivesBackPlacement) {
    SongDocument doc = Distinctive();
    doc.dirty = 1;
    SettingsFile file(doc, files);
    std::string error;
    const std::string path = PathOf("song.kbx");
    ASSERT_TRUE(file.Write(path, 120, -40, 0x00405060, error)) << error;
    EXPECT_EQ(doc.dirty, 0);
    EXPECT_EQ(doc.path, path);
    EXPECT_EQ(doc.title, std::string(" -  +  \xC3\xB7  x :   song.kbx"));
    EXPECT_EQ(std::filesystem::file_size(path), 1618u);
    EXPECT_FALSE(std::filesystem::exists(path + ".saving"));

    SongDocument loaded;
    loaded.dirty = 1;
    SettingsFile reader(loaded, files);
    LoadedPlacement placement;
    ASSERT_TRUE(reader.Read(path, placement, error)) << error;
    ExpectSameStoredFields(doc, loaded);
    EXPECT_EQ(placement.skinColour, 0x00405060u);
    EXPECT_EQ(placement.left, 120);
    EXPECT_EQ(placement.top, -40);
    EXPECT_EQ(loaded.dirty, 0);
    EXPECT_EQ(loaded.title, doc.title);
}

TEST_F(SettingsFileOnDisk, AFailedSaveKeepsThePreviousFileAndTheDocumentsState) {
    SongDocument doc;
    SettingsFile file(doc, files);
    std::string error;
    const std::string path = PathOf("keep.kbx");
    ASSERT_TRUE(file.Write(path, 1, 2, 3, error));
    const auto before = EncodeSettings(doc, 1, 2, 3);

    doc.tempo = 60.0;
    doc.dirty = 1;
    const std::string missingFolder = PathOf("no-such-folder/keep.kbx");
    EXPECT_FALSE(file.Write(missingFolder, 1, 2, 3, error));
    EXPECT_EQ(error, missingFolder + " was not found.");
    EXPECT_EQ(doc.dirty, 1);
    EXPECT_EQ(doc.path, path);
    EXPECT_EQ(doc.title, std::string(" -  +  \xC3\xB7  x :   keep.kbx"));

    std::vector<uint8_t> onDisk;
    ASSERT_EQ(files.ReadAll(path, onDisk), FileError::None);
    EXPECT_EQ(onDisk, before);
}

TEST(SettingsFileRead, ATruncatedFileOfAnyVersionLeavesTheDocumentExactlyAsItWas) {
    MemoryFiles files;
    SongDocument source = Distinctive();
    auto current = EncodeSettings(source, 3, 4, 5);
    auto two = current;
    const float twoPointOh = 2.0f;
    std::memcpy(two.data(), &twoPointOh, 4);
    two.resize(1614);
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> versions{
        {"2.001", current},
        {"2.0", two},
        {"1.5", OlderFile(1.5f, 0, 400)},
        {"1.1", OlderFile(1.1f, 0, 400)},
        {"1.0", OlderFile(1.0f, 0, 400)}};
    const std::string path = "short.kbx";

    SongDocument doc;
    doc.path = "previous.kbx";
    doc.title = "previous";
    doc.dirty = 1;
    const SongDocument pristine = doc;
    const auto untouched = EncodeSettings(doc, 0, 0, 0);
    SettingsFile file(doc, files);
    for (const auto& [name, full] : versions) {
        for (size_t length = 0; length < full.size(); ++length) {
            files.files[path].assign(full.begin(), full.begin() + length);
            LoadedPlacement placement;
            std::string error;
            ASSERT_FALSE(file.Read(path, placement, error)) << name << " cut at " << length;
            ASSERT_EQ(error, "An attempt was made to access " + path + " past its end.");
            ASSERT_EQ(EncodeSettings(doc, 0, 0, 0), untouched) << name << " cut at " << length;
            ASSERT_EQ(doc.path, "previous.kbx");
            ASSERT_EQ(doc.title, "previous");
            ASSERT_EQ(doc.dirty, 1);
        }
        files.files[path] = full;
        LoadedPlacement placement;
        std::string error;
        EXPECT_TRUE(file.Read(path, placement, error)) << name << ": " << error;
        doc = pristine;
    }
}

TEST_F(SettingsFileOnDisk, AMissingFileIsReportedAndChangesNothing) {
    SongDocument doc;
    doc.path = "kept.kbx";
    SettingsFile file(doc, files);
    LoadedPlacement placement;
    std::string error;
    const std::string path = PathOf("absent.kbx");
    EXPECT_FALSE(file.Read(path, placement, error));
    EXPECT_EQ(error, path + " was not found.");
    EXPECT_EQ(doc.path, "kept.kbx");
}

TEST(FileErrorText, NamesTheFileInThePlatformsWording) {
    EXPECT_EQ(FileErrorText(FileError::EndOfFile, "a.kbx"),
              "An attempt was made to access a.kbx past its end.");
    EXPECT_EQ(FileErrorText(FileError::AccessDenied, "b"), "Access to b was denied.");
    EXPECT_EQ(FileErrorText(FileError::Generic, "c"), "An unexpected error occurred while accessing c.");
}

} // namespace
