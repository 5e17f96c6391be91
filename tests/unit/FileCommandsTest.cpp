// Open, Save, Save As, the save prompt and open-by-path, with the dialogs, shell, window and file
// system replaced by fakes that record what they were asked.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "files/FileCommands.h"
#include "files/SettingsFile.h"
#include "render/ExportRender.h"

namespace {

class MemoryFiles : public FileSystem {
public:
    FileError ReadAll(const std::string& path, std::vector<uint8_t>& bytes) override {
        const auto found = files.find(path);
        if (found == files.end()) return FileError::NotFound;
        bytes = found->second;
        return FileError::None;
    }
    FileError WriteReplace(const std::string& path, const std::vector<uint8_t>& bytes) override {
        if (failWrites) return FileError::AccessDenied;
        files[path] = bytes;
        return FileError::None;
    }
    std::string DisplayName(const std::string& path) override {
        return path.substr(path.find_last_of('\\') + 1);
    }
    std::map<std::string, std::vector<uint8_t>> files;
    bool failWrites = false;
};

class RecordingWindow : public SetupWindow {
public:
    void HideMeasurePopup() override { calls.push_back("hide popup"); }
    void Hide() override { calls.push_back("hide"); }
    void Show() override { calls.push_back("show"); }
    void SetCaption(const std::string& title) override {
        caption = title;
        calls.push_back("caption");
    }
    void ResizeToSteps(int n) override { calls.push_back("steps " + std::to_string(n)); }
    void MoveTo(ScreenPoint p) override {
        calls.push_back("move " + std::to_string(p.x) + "," + std::to_string(p.y));
    }
    void ApplySkin(uint32_t colour) override {
        skin = colour;
        calls.push_back("skin");
    }
    void UpdateColumnCount() override { calls.push_back("columns"); }
    ScreenPoint RestoredPosition() override { return position; }
    uint32_t SkinColour() override { return skin; }
    void FocusHandling() override { calls.push_back("focus"); }
    void ShowBusy(Busy busy) override { calls.push_back(busy == Busy::Yes ? "busy" : "ready"); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

    std::vector<std::string> calls;
    std::vector<std::string> messages;
    std::string caption;
    ScreenPoint position{120, 80};
    uint32_t skin = 0x00336699;
};

// Records the load's one call to the panel among the window's calls, so their order shows.
class RecordingPanel : public DocumentView {
public:
    explicit RecordingPanel(std::vector<std::string>& log) : calls(log) {}
    void ShowDocument() override { calls.push_back("document"); }

private:
    std::vector<std::string>& calls;
};

class ScriptedDialogs : public FileDialogs {
public:
    std::optional<std::string> ChooseFileToOpen() override {
        ++opens;
        return openChoice;
    }
    std::optional<std::string> ChooseFileToSave(const std::string& initialName) override {
        saveInitialNames.push_back(initialName);
        return saveChoice;
    }
    std::optional<std::string> ChooseExportFile(const std::string& initialName, ExportFormat) override {
        exportInitialNames.push_back(initialName);
        return exportChoice;
    }
    std::optional<std::string> openChoice;
    std::optional<std::string> saveChoice;
    std::optional<std::string> exportChoice;
    int opens = 0;
    std::vector<std::string> saveInitialNames;
    std::vector<std::string> exportInitialNames;
};

class ScriptedPrompt : public SavePrompt {
public:
    SaveAnswer Ask(const std::string& text) override {
        texts.push_back(text);
        if (whileOpen) whileOpen();
        return answer;
    }
    SaveAnswer answer = SaveAnswer::Cancel;
    std::vector<std::string> texts;
    std::function<void()> whileOpen; // what arrives while the question is shown
};

// Shortcuts and full paths by table; names under "C:\" parse, others do not.
class TableShell : public Shell {
public:
    Shortcut ResolveShortcut(const std::string& path) override {
        const auto found = shortcuts.find(path);
        return found == shortcuts.end() ? Shortcut{} : found->second;
    }
    std::optional<std::string> FullPath(const std::string& path) override {
        fullPathAsked.push_back(path);
        if (path.rfind("C:\\", 0) != 0) return std::nullopt;
        return path;
    }
    std::map<std::string, Shortcut> shortcuts;
    std::vector<std::string> fullPathAsked;
};

class FileCommandsTest : public ::testing::Test {
protected:
    // A stored setup with values that differ from a new document's.
    std::vector<uint8_t> StoredSetup(int steps = 5) {
        SongDocument stored;
        stored.tempo = 140.0;
        stored.tempoDisplay = TempoUnit::SamplesPerMeasure;
        stored.editMeasure = 3;
        stored.stepsPerMeasure = steps;
        stored.mute = 1;
        stored.levelB = 40;
        stored.transpose = -7;
        return EncodeSettings(stored, -32000, 77, 0x00102030);
    }
    void MakeDirty() { doc.dirty = 1; }

    SongDocument doc;
    RecordingWindow window;
    RecordingPanel panel{window.calls};
    MemoryFiles files;
    ScriptedDialogs dialogs;
    ScriptedPrompt prompt;
    TableShell shell;
    FileCommands commands{FileCommandParts{.document = doc,
                                           .panel = panel,
                                           .window = window,
                                           .files = files,
                                           .dialogs = dialogs,
                                           .prompt = prompt,
                                           .shell = shell,
                                           .render = RenderExport}};
};

TEST_F(FileCommandsTest, PromptAsksOnlyWithChangesAndAnswersByTheButtonPressed) {
    EXPECT_TRUE(commands.PromptSave());
    EXPECT_TRUE(prompt.texts.empty());

    MakeDirty();
    prompt.answer = SaveAnswer::Cancel;
    EXPECT_FALSE(commands.PromptSave());
    EXPECT_EQ(prompt.texts.back(), "Save changes to\n\"Untitled Settings.^\xC2\xB6^\"?");
    prompt.answer = SaveAnswer::DontSave;
    EXPECT_TRUE(commands.PromptSave());
    EXPECT_TRUE(files.files.empty());
    EXPECT_EQ(doc.dirty, 1);

    // Save on an untitled setup is Save As; cancelling it cancels the question too.
    prompt.answer = SaveAnswer::Save;
    EXPECT_FALSE(commands.PromptSave());
    EXPECT_EQ(dialogs.saveInitialNames.back(), "Untitled Settings.^\xC2\xB6^");
    EXPECT_EQ(doc.dirty, 1);
    dialogs.saveChoice = "C:\\songs\\new.^\xC2\xB6^";
    EXPECT_TRUE(commands.PromptSave());
    EXPECT_EQ(doc.path, "C:\\songs\\new.^\xC2\xB6^");
    EXPECT_EQ(doc.dirty, 0);
    EXPECT_TRUE(files.files.contains("C:\\songs\\new.^\xC2\xB6^"));
}

TEST_F(FileCommandsTest, AFailedSaveFromThePromptKeepsTheWindowOpen) {
    doc.path = "C:\\songs\\kept.^\xC2\xB6^";
    MakeDirty();
    files.failWrites = true;
    prompt.answer = SaveAnswer::Save;
    EXPECT_FALSE(commands.PromptSave());
    EXPECT_EQ(prompt.texts.back(), "Save changes to\n\"C:\\songs\\kept.^\xC2\xB6^\"?");
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0], "Access to C:\\songs\\kept.^\xC2\xB6^ was denied.");
}

TEST_F(FileCommandsTest, SaveStoresTheRestoredPositionAndTheSkinThePanelWasGiven) {
    doc.path = "C:\\a.^\xC2\xB6^";
    MakeDirty();
    commands.Save();
    ASSERT_TRUE(files.files.contains("C:\\a.^\xC2\xB6^"));
    EXPECT_EQ(files.files["C:\\a.^\xC2\xB6^"], EncodeSettings(doc, 120, 80, 0x00336699));
    EXPECT_EQ(window.caption, std::string(kTitlePrefix) + "a.^\xC2\xB6^");
    EXPECT_EQ(doc.dirty, 0);
    // Save works without changes too.
    files.files.clear();
    commands.Save();
    EXPECT_TRUE(files.files.contains("C:\\a.^\xC2\xB6^"));
}

TEST_F(FileCommandsTest, SaveAsOffersThePresentNameAndACancelWritesNothing) {
    doc.path = "C:\\old.^\xC2\xB6^";
    MakeDirty();
    EXPECT_FALSE(commands.SaveAs());
    EXPECT_EQ(dialogs.saveInitialNames.back(), "C:\\old.^\xC2\xB6^");
    EXPECT_TRUE(files.files.empty());
    EXPECT_EQ(doc.dirty, 1);
    EXPECT_EQ(window.calls.back(), "focus");
}

TEST_F(FileCommandsTest, LoadAppliesThePanelThenTheWindowInOrder) {
    files.files["C:\\s\\song.^\xC2\xB6^"] = StoredSetup();
    MakeDirty();
    prompt.answer = SaveAnswer::DontSave;
    commands.OpenPath("C:\\s\\song.^\xC2\xB6^");
    EXPECT_EQ(window.calls, (std::vector<std::string>{"hide popup", "hide", "caption", "document", "steps 5",
                                                      "move -32000,77", "skin", "show", "columns", "focus"}));
    EXPECT_EQ(doc.tempo, 140.0);
    EXPECT_EQ(doc.editMeasure, 3);
    EXPECT_EQ(window.caption, std::string(kTitlePrefix) + "song.^\xC2\xB6^");
    EXPECT_EQ(window.skin, 0x00102030u);
    EXPECT_EQ(doc.path, "C:\\s\\song.^\xC2\xB6^");
    EXPECT_EQ(doc.dirty, 0);
}

TEST_F(FileCommandsTest, AFailedLoadKeepsThePathSoSaveNeverOverwritesTheBrokenFile) {
    doc.path = "C:\\good.^\xC2\xB6^";
    std::vector<uint8_t> truncated = StoredSetup();
    truncated.resize(900);
    files.files["C:\\broken.^\xC2\xB6^"] = truncated;
    commands.OpenPath("C:\\broken.^\xC2\xB6^");
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0], "An attempt was made to access C:\\broken.^\xC2\xB6^ past its end.");
    EXPECT_EQ(doc.path, "C:\\good.^\xC2\xB6^");
    commands.Save();
    EXPECT_EQ(files.files["C:\\broken.^\xC2\xB6^"], truncated);
    EXPECT_TRUE(files.files.contains("C:\\good.^\xC2\xB6^"));
}

TEST_F(FileCommandsTest, OpenPathAsksFirstThenTakesOnlySettingsFilesAndShortcutsToThem) {
    files.files["C:\\t.^\xC2\xB6^"] = StoredSetup();
    MakeDirty();
    // Cancel: nothing is even looked at.
    prompt.answer = SaveAnswer::Cancel;
    commands.OpenPath("C:\\t.^\xC2\xB6^");
    EXPECT_TRUE(shell.fullPathAsked.empty());
    EXPECT_EQ(doc.dirty, 1);

    // The question comes before the ending check, and Save really saves.
    doc.path = "C:\\mine.^\xC2\xB6^";
    prompt.answer = SaveAnswer::Save;
    commands.OpenPath("C:\\notes.txt");
    EXPECT_EQ(prompt.texts.size(), 2u);
    EXPECT_TRUE(files.files.contains("C:\\mine.^\xC2\xB6^"));
    EXPECT_TRUE(shell.fullPathAsked.empty());
    EXPECT_TRUE(window.messages.empty());

    for (const char* ignored : {"C:\\x.^\xC2\xA7^", "C:\\x.Lnk", "C:\\ab", "C:\\x.^\xC2\xB6^.bak"}) {
        commands.OpenPath(ignored);
    }
    EXPECT_TRUE(shell.fullPathAsked.empty());
    EXPECT_TRUE(window.messages.empty());

    shell.shortcuts["C:\\song.LNK"] = {Shell::Shortcut::Resolved, "C:\\TARGET~1.^_^"};
    shell.shortcuts["C:\\other.lnk"] = {Shell::Shortcut::Resolved, "C:\\other.txt"};
    shell.shortcuts["C:\\empty.lnk"] = {Shell::Shortcut::NoPath, ""};
    files.files["C:\\TARGET~1.^_^"] = StoredSetup(7);
    commands.OpenPath("C:\\other.lnk");
    commands.OpenPath("C:\\broken.lnk"); // not a shortcut the shell can load: silent
    EXPECT_TRUE(window.messages.empty());
    commands.OpenPath("C:\\empty.lnk");
    EXPECT_EQ(window.messages, (std::vector<std::string>{"GetPath failed!"}));
    commands.OpenPath("C:\\song.LNK");
    EXPECT_EQ(doc.path, "C:\\TARGET~1.^_^");
    EXPECT_EQ(doc.stepsPerMeasure, 7);
}

TEST_F(FileCommandsTest, ANameTheShellCannotParseIsReportedAndChangesNothing) {
    commands.OpenPath("Z:\\nowhere\\x.^\xC2\xB6^");
    EXPECT_EQ(window.messages, (std::vector<std::string>{"Path not found.\nZ:\\nowhere\\x.^\xC2\xB6^"}));
    EXPECT_TRUE(window.calls.empty());
    EXPECT_TRUE(doc.path.empty());
}

TEST_F(FileCommandsTest, OpenShowsTheDialogAfterThePromptAndACancelStillGivesBackTheFocus) {
    MakeDirty();
    prompt.answer = SaveAnswer::Cancel;
    commands.Open();
    EXPECT_EQ(dialogs.opens, 0);
    prompt.answer = SaveAnswer::DontSave;
    commands.Open();
    EXPECT_EQ(dialogs.opens, 1);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"hide popup", "focus"}));
    files.files["C:\\chosen.^\xC2\xB6^"] = StoredSetup();
    dialogs.openChoice = "C:\\chosen.^\xC2\xB6^";
    commands.Open(); // still changed, so asked again first
    EXPECT_EQ(doc.path, "C:\\chosen.^\xC2\xB6^");
}

TEST_F(FileCommandsTest, NothingArrivingWhileThePromptIsOpenStartsASecondOne) {
    files.files["C:\\dropped.^\xC2\xB6^"] = StoredSetup();
    MakeDirty();
    bool closeAllowed = true;
    prompt.whileOpen = [&] {
        commands.OpenPath("C:\\dropped.^\xC2\xB6^"); // a drop
        commands.Open();                             // a shortcut key
        closeAllowed = commands.PromptSave();        // a close request
        EXPECT_FALSE(commands.SaveAs());
    };
    prompt.answer = SaveAnswer::Cancel;
    commands.OpenPath("C:\\dropped.^\xC2\xB6^");
    EXPECT_EQ(prompt.texts.size(), 1u);
    EXPECT_FALSE(closeAllowed);
    EXPECT_EQ(dialogs.opens, 0);
    EXPECT_TRUE(dialogs.saveInitialNames.empty());
    EXPECT_TRUE(doc.path.empty());
    // Once answered, the commands work again.
    prompt.whileOpen = nullptr;
    prompt.answer = SaveAnswer::DontSave;
    commands.OpenPath("C:\\dropped.^\xC2\xB6^");
    EXPECT_EQ(doc.path, "C:\\dropped.^\xC2\xB6^");
}

TEST_F(FileCommandsTest, ExportOffersTheSetupsNameWritesTheRenderAndReportsAFailureByName) {
    EXPECT_EQ(ExportName("", ExportFormat::Wav), "Untitled Settings.wav");
    EXPECT_EQ(ExportName("C:\\a.b\\tune", ExportFormat::Midi), "C:\\a.b\\tune.mid");
    doc.path = "C:\\songs\\my.song.^\xC2\xB6^";
    MakeDirty();
    dialogs.exportChoice = "C:\\out\\my.song.wav";
    commands.Export(ExportFormat::Wav);
    EXPECT_EQ(dialogs.exportInitialNames.back(), "C:\\songs\\my.song.wav");
    const std::vector<uint8_t>& written = files.files["C:\\out\\my.song.wav"];
    ASSERT_GT(written.size(), 44u);
    EXPECT_EQ(written, RenderExport(doc, ExportFormat::Wav));
    EXPECT_EQ(doc.dirty, 1); // exporting saves nothing
    EXPECT_EQ(window.calls, (std::vector<std::string>{"busy", "ready", "focus"}));

    files.failWrites = true;
    dialogs.exportChoice = "C:\\out\\my.song.mid";
    commands.Export(ExportFormat::Midi);
    EXPECT_EQ(dialogs.exportInitialNames.back(), "C:\\songs\\my.song.mid");
    EXPECT_EQ(window.messages, (std::vector<std::string>{"Access to C:\\out\\my.song.mid was denied."}));
    dialogs.exportChoice = std::nullopt; // cancelled: nothing rendered, nothing said
    commands.Export(ExportFormat::Wav);
    EXPECT_EQ(window.messages.size(), 1u);
}

} // namespace
