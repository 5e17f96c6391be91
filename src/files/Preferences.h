#pragma once
// The program's two uses of the registry: the settings-file type, registered with the shell at
// every start so that opening a settings file starts this program with it, and the one stored
// preference, whether the engine's clock uses the high-resolution source.
#include <optional>
#include <string>

// The registry as these rules need it. Keys are relative to the classes root; keys, names and
// values are UTF-8, since the program's path is among them.
class RegistryStore {
public:
    enum class Key { Create, MustExist };
    enum class Outcome { Refused, Unchanged, Written };
    virtual ~RegistryStore() = default;
    // Sets the key's default value, unless it holds that text already.
    virtual Outcome SetDefault(const std::string& key, const std::string& text, Key which) = 0;
    virtual bool WriteText(const std::string& key, const std::string& name, const std::string& text) = 0;
    // Nothing when the key or value is missing, unreadable or not a string.
    virtual std::optional<std::string> ReadText(const std::string& key, const std::string& name) = 0;
};

inline constexpr char kFileTypeKey[] = "Zolk";
inline constexpr char kOpenCommandKey[] = "Zolk\\shell\\open\\command";
inline constexpr char kIconKey[] = "Zolk\\DefaultIcon";
inline constexpr char kExtensionKey[] = ".^\xC2\xB6^";
inline constexpr char kFileTypeName[] = ".Zolk Settings File";
inline constexpr char kPreferenceKey[] = "Pallidorn\\data\\8";
inline constexpr char kHighResValue[] = "highResTimer";
inline constexpr char kSoundCardValue[] = "soundCard";

// The open command: program and file each in quotes, so neither a folder with spaces in its
// name nor a file with spaces in its name can be read as something else.
std::string OpenCommand(const std::string& programPath);

// Points the settings-file type at the program; each entry is written whether or not the others
// could be. Failures are silent: the program runs the same without the association. True when
// an entry changed, so the shell has to be told.
bool RegisterFileType(RegistryStore& store, const std::string& programPath);

// Anything but exactly "off" (a missing value included) means the high-resolution clock.
bool HighResFromText(const std::optional<std::string>& text);
bool LoadHighResPreference(RegistryStore& store);
void SaveHighResPreference(RegistryStore& store, bool highRes);

// The voice the user chose: exactly "on" is the sound card, exactly "off" the speaker; anything
// else (a missing value included) is no choice, and the machine decides.
std::optional<bool> SoundCardFromText(const std::optional<std::string>& text);
std::optional<bool> LoadSoundCardPreference(RegistryStore& store);
void SaveSoundCardPreference(RegistryStore& store, bool soundCard);
