#include "files/Preferences.h"

std::string OpenCommand(const std::string& programPath) { return "\"" + programPath + "\" \"%1\""; }

bool RegisterFileType(RegistryStore& store, const std::string& programPath) {
    using Key = RegistryStore::Key;
    const RegistryStore::Outcome outcomes[] = {
        store.SetDefault(kOpenCommandKey, OpenCommand(programPath), Key::Create),
        // The command's key has normally just created this one.
        store.SetDefault(kFileTypeKey, kFileTypeName, Key::MustExist),
        store.SetDefault(kIconKey, programPath + ",1", Key::Create),
        store.SetDefault(kExtensionKey, kFileTypeKey, Key::Create),
    };
    bool changed = false;
    for (const RegistryStore::Outcome outcome : outcomes)
        changed = changed || outcome == RegistryStore::Outcome::Written;
    return changed;
}

bool HighResFromText(const std::optional<std::string>& text) { return !(text && *text == "off"); }

bool LoadHighResPreference(RegistryStore& store) {
    return HighResFromText(store.ReadText(kPreferenceKey, kHighResValue));
}

void SaveHighResPreference(RegistryStore& store, bool highRes) {
    store.WriteText(kPreferenceKey, kHighResValue, highRes ? "on" : "off");
}

std::optional<bool> SoundCardFromText(const std::optional<std::string>& text) {
    if (text == "on") return true;
    if (text == "off") return false;
    return std::nullopt;
}

std::optional<bool> LoadSoundCardPreference(RegistryStore& store) {
    return SoundCardFromText(store.ReadText(kPreferenceKey, kSoundCardValue));
}

void SaveSoundCardPreference(RegistryStore& store, bool soundCard) {
    store.WriteText(kPreferenceKey, kSoundCardValue, soundCard ? "on" : "off");
}
