#include "files/Preferences.h"

std::string OpenCommand(const std::string& programPath) { return "\"" + programPath + "\" \"%1\""; }

void RegisterFileType(RegistryStore& store, const std::string& programPath) {
    store.SetDefault(kOpenCommandKey, OpenCommand(programPath), true);
    // The command's key has normally just created this one.
    store.SetDefault(kFileTypeKey, kFileTypeName, false);
    store.SetDefault(kIconKey, programPath + ",1", true);
    store.SetDefault(kExtensionKey, kFileTypeKey, true);
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
