// Which names are settings files and shortcuts, the save prompt's text, the start-up argument,
// the stored preference and the file-type entries.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "files/FileRules.h"
#include "files/Preferences.h"

namespace {

TEST(FileNames, EndingsAreComparedExactlyOnTheLastThreeCharacters) {
    EXPECT_TRUE(IsSettingsName("C:\\songs\\a.^\xC2\xB6^"));
    EXPECT_TRUE(IsSettingsName("C:\\SONGS\\A~1.^_^")); // short forms of the same names
    EXPECT_TRUE(IsSettingsName("x.^^"));
    EXPECT_TRUE(IsSettingsName("^\xC2\xB6^")); // three characters are enough
    EXPECT_FALSE(IsSettingsName("^\xC2\xB6"));
    EXPECT_FALSE(IsSettingsName(""));
    EXPECT_FALSE(IsSettingsName("a.^\xC2\xA7^")); // offered by the dialogs only
    EXPECT_FALSE(IsSettingsName("a.^\xC2\xB6^ "));
    EXPECT_FALSE(IsSettingsName("a.txt"));

    EXPECT_TRUE(IsShortcutName("song.lnk"));
    EXPECT_TRUE(IsShortcutName("song.LNK"));
    EXPECT_FALSE(IsShortcutName("song.Lnk"));
    EXPECT_FALSE(IsShortcutName("nk"));
}

TEST(SavePromptText, QuotesTheNameOrTheUntitledNameOnItsOwnLine) {
    EXPECT_EQ(SavePromptText(""), "Save changes to\n\"Untitled Settings.^\xC2\xB6^\"?");
    EXPECT_EQ(SavePromptText("C:\\a b\\c.^\xC2\xB6^"), "Save changes to\n\"C:\\a b\\c.^\xC2\xB6^\"?");
    const std::string longPath = "C:\\" + std::string(400, 'x') + ".^\xC2\xB6^";
    EXPECT_EQ(SavePromptText(longPath), "Save changes to\n\"" + longPath + "\"?");
}

// Where nothing named exists, as for a file that has gone.
bool NothingExists(const std::string&) { return false; }

TEST(StartupFile, QuotedTakesTheParsedNameUnquotedTakesTheWholeText) {
    // Quoted: the parsed name, without the quotes and whatever follows.
    EXPECT_EQ(StartupFile("\"C:\\Program Files\\kb.exe\" \"C:\\My Songs\\a.^\xC2\xB6^\"", NothingExists),
              "C:\\My Songs\\a.^\xC2\xB6^");
    EXPECT_EQ(StartupFile("kb.exe \"C:\\My Songs\\a.^\xC2\xB6^\" extra", NothingExists),
              "C:\\My Songs\\a.^\xC2\xB6^");
    // Unquoted with spaces: the whole text after the program, without surrounding blanks.
    EXPECT_EQ(StartupFile("\"C:\\kb.exe\"   C:\\My Songs\\a.^\xC2\xB6^  ", NothingExists),
              "C:\\My Songs\\a.^\xC2\xB6^");
    EXPECT_EQ(StartupFile("C:\\kb.exe C:\\a.^\xC2\xB6^", NothingExists), "C:\\a.^\xC2\xB6^");
    // Only blanks are cut from the ends, the same characters that separate arguments.
    EXPECT_EQ(StartupFile("kb.exe a\n\n  ", NothingExists), "a\n\n");
    // No file named: a fresh setup.
    EXPECT_EQ(StartupFile("C:\\kb.exe", NothingExists), std::nullopt);
    EXPECT_EQ(StartupFile("\"C:\\Program Files\\kb.exe\"   ", NothingExists), std::nullopt);
    EXPECT_EQ(StartupFile("kb.exe /dde", NothingExists), std::nullopt);
    EXPECT_EQ(StartupFile("kb.exe \"\"", NothingExists), std::nullopt);
    EXPECT_EQ(StartupFile("", NothingExists), std::nullopt);
}

TEST(StartupFile, ANameThatExistsIsAFileWhateverItBeginsWith) {
    const std::set<std::string> files = {"-rf", "/home/me/my song.^\xC2\xB6^", "C:\\a.^\xC2\xB6^"};
    const NamesFile exists = [&](const std::string& name) { return files.contains(name); };
    EXPECT_EQ(StartupFile("kb.exe -rf", exists), "-rf"); // a file of that name, not a switch
    // A Linux path with spaces, unquoted as a Linux shell may pass it: whole.
    EXPECT_EQ(StartupFile("kb.exe /home/me/my song.^\xC2\xB6^", exists), "/home/me/my song.^\xC2\xB6^");
    // A switch before an existing file no longer swallows it.
    EXPECT_EQ(StartupFile("kb.exe /p C:\\a.^\xC2\xB6^", exists), "C:\\a.^\xC2\xB6^");
    // A Linux path that names nothing is still a file, to be reported by name; a word is a switch.
    EXPECT_EQ(StartupFile("kb.exe /home/me/gone.^\xC2\xB6^", exists), "/home/me/gone.^\xC2\xB6^");
    EXPECT_EQ(StartupFile("kb.exe /dde -x", exists), std::nullopt);
    EXPECT_TRUE(LooksLikeSwitch("/Embedding"));
    EXPECT_FALSE(LooksLikeSwitch("/a.^\xC2\xB6^"));
    EXPECT_FALSE(LooksLikeSwitch("-\\share"));
    EXPECT_FALSE(LooksLikeSwitch("/"));
}

TEST(StartupFile, ArgumentsSplitAsTheRuntimeSplitsThem) {
    EXPECT_EQ(SplitArguments("a \"b c\" d\\\"e \"f\"\"g\" h\\\\\"i j\"  k\\l"),
              (std::vector<std::string>{"a", "b c", "d\"e", "f\"g", "h\\i j", "k\\l"}));
    EXPECT_EQ(ProgramArguments("\"C:\\a b\\kb.exe\"x  rest"), "rest");
    EXPECT_EQ(ProgramArguments("\"unterminated"), "");
}

TEST(KeepInside, AWindowOffTheWorkAreaMovesInByAsLittleAsPossible) {
    const ScreenRect work{0, 0, 1024, 738};
    EXPECT_EQ(KeepInside({-32000, -32000}, 720, 140, work).x, 0);
    EXPECT_EQ(KeepInside({-32000, -32000}, 720, 140, work).y, 0);
    EXPECT_EQ(KeepInside({3000, 700}, 720, 140, work).x, 1024 - 720);
    EXPECT_EQ(KeepInside({3000, 700}, 720, 140, work).y, 738 - 140);
    EXPECT_EQ(KeepInside({100, 50}, 720, 140, work).x, 100);
    // Wider than the screen: the caption's corner stays on it.
    EXPECT_EQ(KeepInside({-5000, 10}, 2000, 140, work).x, 0);
    const ScreenRect second{1920, -200, 3840, 880};
    EXPECT_EQ(KeepInside({4000, -900}, 720, 140, second).x, 3840 - 720);
    EXPECT_EQ(KeepInside({4000, -900}, 720, 140, second).y, -200);
}

class FakeRegistry : public RegistryStore {
public:
    Outcome SetDefault(const std::string& key, const std::string& text, Key which) override {
        if (refuse || (which == Key::MustExist && !keys.contains(key))) return Outcome::Refused;
        // Creating a key creates the keys above it, as the registry does.
        for (size_t at = key.find('\\'); at != std::string::npos; at = key.find('\\', at + 1))
            keys[key.substr(0, at)];
        if (keys[key].contains("") && keys[key][""] == text) return Outcome::Unchanged;
        keys[key][""] = text;
        return Outcome::Written;
    }
    bool WriteText(const std::string& key, const std::string& name, const std::string& text) override {
        keys[key][name] = text;
        return true;
    }
    std::optional<std::string> ReadText(const std::string& key, const std::string& name) override {
        const auto k = keys.find(key);
        if (k == keys.end() || !k->second.contains(name)) return std::nullopt;
        return k->second.at(name);
    }
    std::map<std::string, std::map<std::string, std::string>> keys;
    bool refuse = false; // as the machine's classes are for a standard user
};

TEST(Registration, WritesTheFourEntriesWithTheCommandQuoted) {
    FakeRegistry registry;
    EXPECT_TRUE(RegisterFileType(registry, "C:\\Program Files\\Kestrelbox\\kestrelbox.exe"));
    EXPECT_EQ(registry.keys["Zolk\\shell\\open\\command"][""],
              "\"C:\\Program Files\\Kestrelbox\\kestrelbox.exe\" \"%1\"");
    EXPECT_EQ(registry.keys["Zolk"][""], ".Zolk Settings File");
    EXPECT_EQ(registry.keys["Zolk\\DefaultIcon"][""], "C:\\Program Files\\Kestrelbox\\kestrelbox.exe,1");
    EXPECT_EQ(registry.keys[".^\xC2\xB6^"][""], "Zolk");
}

TEST(Registration, TellsOfAChangeOnlyWhenAnEntryWasWritten) {
    // The shell is told after a change (under Wine that starts its menu builder): not at every
    // start, and not when the entries could not be written.
    FakeRegistry registry;
    ASSERT_TRUE(RegisterFileType(registry, "C:\\kb\\kestrelbox.exe"));
    EXPECT_FALSE(RegisterFileType(registry, "C:\\kb\\kestrelbox.exe"));
    EXPECT_TRUE(RegisterFileType(registry, "D:\\moved\\kestrelbox.exe"));
    FakeRegistry refusing;
    refusing.refuse = true;
    EXPECT_FALSE(RegisterFileType(refusing, "C:\\kb\\kestrelbox.exe"));
}

TEST(Preference, OnlyExactlyOffTurnsTheHighResolutionClockOff) {
    FakeRegistry registry;
    EXPECT_TRUE(LoadHighResPreference(registry)); // first start: nothing stored
    SaveHighResPreference(registry, false);
    EXPECT_EQ(registry.keys["Pallidorn\\data\\8"]["highResTimer"], "off");
    EXPECT_FALSE(LoadHighResPreference(registry));
    SaveHighResPreference(registry, true);
    EXPECT_EQ(registry.keys["Pallidorn\\data\\8"]["highResTimer"], "on");
    for (const char* text : {"Off", "no", "off ", "", "0"})
        EXPECT_TRUE(HighResFromText(std::string(text))) << text;
}

TEST(Preference, TheVoiceIsAChoiceOnlyWhenStoredAsOnOrOff) {
    FakeRegistry registry;
    EXPECT_EQ(LoadSoundCardPreference(registry), std::nullopt); // the machine decides
    SaveSoundCardPreference(registry, true);
    EXPECT_EQ(registry.keys["Pallidorn\\data\\8"]["soundCard"], "on");
    EXPECT_EQ(LoadSoundCardPreference(registry), true);
    SaveSoundCardPreference(registry, false);
    EXPECT_EQ(LoadSoundCardPreference(registry), false);
    EXPECT_FALSE(registry.keys["Pallidorn\\data\\8"].contains("highResTimer")); // its neighbour untouched
    for (const char* text : {"On", "yes", "on ", "", "1"})
        EXPECT_EQ(SoundCardFromText(std::string(text)), std::nullopt) << text;
}

} // namespace
