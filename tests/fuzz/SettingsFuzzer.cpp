// Feeds arbitrary bytes to the settings-file reader. Beyond the sanitizers' checks it insists that
// a load either leaves the document untouched or yields one whose indices are all in range, and
// that what loads saves and loads again to the same values.
#include <cstdlib>
#include <cstring>
#include <map>

#include "files/SettingsFile.h"

namespace {

class OneFile : public FileSystem {
public:
    OneFile(const uint8_t* data, size_t size) : contents(data, data + size) {}
    FileError ReadAll(const std::string&, std::vector<uint8_t>& bytes) override {
        bytes = contents;
        return FileError::None;
    }
    FileError WriteReplace(const std::string&, const std::vector<uint8_t>& bytes) override {
        contents = bytes;
        return FileError::None;
    }
    std::string DisplayName(const std::string& path) override { return path; }

private:
    std::vector<uint8_t> contents;
};

void Require(bool condition) {
    if (!condition) std::abort();
}

void RequireInRange(const SongDocument& doc) {
    Require(doc.editMeasure >= 0 && doc.editMeasure < kMeasureCount);
    Require(doc.stepsPerMeasure >= 1 && doc.stepsPerMeasure <= kStepsPerMeasureMax);
    for (const Measure& m : doc.measures)
        Require(m.next >= 0 && m.next < kMeasureCount);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const SongDocument pristine;
    SongDocument doc = pristine;
    OneFile files(data, size);
    SettingsFile settings(doc, files);
    LoadedPlacement placement;
    std::string error;
    if (!settings.Read("fuzz.kbx", placement, error)) {
        Require(!error.empty());
        Require(EncodeSettings(doc, 0, 0, 0) == EncodeSettings(pristine, 0, 0, 0));
        Require(doc.path.empty());
        return 0;
    }
    RequireInRange(doc);
    const auto saved = EncodeSettings(doc, placement.left, placement.top, placement.skinColour);
    Require(saved.size() == kSettingsFileSize);
    SettingsData again;
    Require(DecodeSettings(saved.data(), saved.size(), again));
    SongDocument reloaded = pristine;
    ApplySettings(again, reloaded);
    Require(EncodeSettings(reloaded, again.left, again.top, again.skinColour) == saved);
    return 0;
}
