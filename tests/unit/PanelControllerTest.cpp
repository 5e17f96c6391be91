// The panel controller against a fake panel that behaves like the real controls: cells clamp to
// their ranges, hidden columns stay hidden, and every call is recorded in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/PanelController.h"
#include "common/Random.h"
#include "panel/PanelLayout.h"

namespace {

class FakePanel : public PanelView {
public:
    struct Column {
        int on = 1, note = 63, length = 64;
        bool visible = true, showable = true;
    };

    bool ColumnVisible(int k) override { return columns[k].visible; }
    void SetColumnShowable(int k, Showable flag) override {
        const bool showable = flag == Showable::Yes;
        calls.push_back("showable " + std::to_string(k) + " " + std::to_string(showable));
        columns[k].showable = showable;
    }
    void SetColumnValue(int k, int p, int v) override {
        calls.push_back("set " + std::to_string(k) + " " + std::to_string(p));
        Column& c = columns[k];
        if (p == ParamOn) c.on = v != 0;
        if (p == ParamNote) c.note = std::clamp(v, -59, 67);
        if (p == ParamLength) c.length = std::clamp(v, 0, 127);
    }
    int ColumnValue(int k, int p) override {
        const Column& c = columns[k];
        return p == ParamOn ? c.on : p == ParamNote ? c.note : p == ParamLength ? c.length : 0;
    }
    void ColumnHandleEvent(int k, int id) override { handled.push_back({k, id}); }
    void SelectMeasureButton(int m) override { selected = m; }
    int SelectedMeasure() override { return selected; }
    void SelectMeasureById(int id) override { selected = id - 20001; }
    void ShowMeasurePopup(int m) override { popups.push_back(m); }
    // As the field does: an arrow hands the tempo it steps to on, typed text comes by itself.
    void TempoFieldHandleEvent(int id) override {
        if (id == 1006 || id == 1007) tempoInput->TempoEntered(fieldTempo);
    }
    void ShowTempo(double bpm) override { shownTempo = bpm; }
    void ShowTempoUnit(TempoUnit unit) override { tempoUnit = unit; }
    int LevelEvent(int) override { return level; }
    void ShowLevel(int v) override { level = v; }
    int TransposeEvent(int) override { return transpose; }
    void ShowTranspose(int v) override { transpose = v; }
    bool MuteButtonOn() override { return muteOn; }
    void SetMuteButton(bool on) override { muteOn = on; }
    void SetStatusText(const std::string& text) override { status = text; }
    void OpenToolbarMenu(ToolbarMenu menu) override { menus.push_back(menu); }

    Column columns[16];
    std::vector<std::string> calls;
    std::vector<std::pair<int, int>> handled;
    std::vector<int> popups;
    std::vector<ToolbarMenu> menus;
    int selected = 0;
    TempoInput* tempoInput = nullptr;
    double fieldTempo = 126.0, shownTempo = 0.0;
    TempoUnit tempoUnit = TempoUnit::BeatsPerMinute;
    int level = 100, transpose = 67;
    bool muteOn = true;
    std::string status;
};

class Keys : public EditKeys {
public:
    bool ShiftHeld() override { return shift; }
    bool AltHeld() override { return alt; }
    bool shift = false, alt = false;
};

struct Rig {
    Rig() {
        controller.Setup(panel, doc);
        controller.Attach(nullptr, &keys);
        panel.tempoInput = &controller;
        panel.calls.clear();
        doc.dirty = 0;
    }
    // Puts the step values into the edit measure and the columns, as a loaded measure has them.
    void Steps(int param, const std::vector<int>& values) {
        for (size_t k = 0; k < values.size(); ++k)
            doc.EditMeasure().steps[k].SetParam(param, values[k]);
        controller.LoadMeasure(doc.editMeasure);
    }
    std::vector<int> Stored(int param, int count) {
        std::vector<int> v;
        for (int k = 0; k < count; ++k)
            v.push_back(doc.EditMeasure().steps[k].GetParam(param));
        return v;
    }
    // The user changes column k's cell for param to value; the cell reports its id.
    void Edit(int k, int param, int value) {
        panel.SetColumnValue(k, param, value);
        controller.ControlChanged(control::ColumnBase(k) + param + (param == ParamLength ? 4 : 0));
    }
    SongDocument doc;
    FakePanel panel;
    Keys keys;
    PanelController controller;
};

TEST(PanelLayout, WidthGivesTheColumnCountAtEveryBoundary) {
    const std::pair<int, int> cases[] = {{133, 1},  {169, 1},  {170, 2},  {207, 2},  {208, 3}, {251, 4},
                                         {663, 14}, {664, 15}, {701, 15}, {702, 16}, {707, 16}};
    for (auto [width, count] : cases)
        EXPECT_EQ(layout::ColumnCountForWidth(width), count) << width;
    // A minimised window reports width 0; nothing outside the sixteen columns comes of it.
    EXPECT_EQ(layout::ColumnCountForWidth(0), 1);
    EXPECT_EQ(layout::ColumnCountForWidth(-30), 1);
    EXPECT_EQ(layout::ColumnCountForWidth(5000), 16);
    for (int n = 1; n <= 16; ++n)
        EXPECT_EQ(layout::ColumnCountForWidth(layout::ClientWidthForSteps(n)), n);
    EXPECT_EQ(layout::ClientWidthForSteps(4), 251);
    EXPECT_EQ(layout::ClientWidthForSteps(16), 707);
    EXPECT_EQ(layout::ClientWidthForSteps(0), 137);
    EXPECT_EQ(layout::ClientWidthForSteps(-2), 137);
    EXPECT_EQ(layout::ColumnX(16), 664);
}

TEST(PanelController, LoadMeasureFillsHiddenColumnsWithoutShowingThem) {
    Rig rig;
    rig.panel.columns[3].visible = false;
    rig.doc.measures[5].steps[3].note = -60;
    rig.doc.measures[5].steps[3].on = 0;
    rig.controller.LoadMeasure(5);
    const std::vector<std::string> column3(rig.panel.calls.begin() + 3 * 7 + 0,
                                           rig.panel.calls.begin() + 3 * 7 + 8);
    // Visible columns get six values and showable; a hidden one is made unshowable first.
    EXPECT_EQ(rig.panel.calls[0], "set 0 10");
    EXPECT_EQ(column3, (std::vector<std::string>{"showable 3 0", "set 3 10", "set 3 20", "set 3 30",
                                                 "set 3 40", "set 3 50", "set 3 60", "showable 3 1"}));
    EXPECT_EQ(rig.panel.columns[3].note, -59); // the cell holds -59 at the lowest
    EXPECT_EQ(rig.panel.columns[3].on, 0);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(rig.panel.columns[k].length, rig.doc.measures[5].steps[k].length);

    // An index that names no measure loads nothing.
    rig.panel.calls.clear();
    rig.controller.LoadMeasure(8);
    rig.controller.LoadMeasure(-1);
    EXPECT_TRUE(rig.panel.calls.empty());
}

TEST(PanelController, FreshSetupLinksEveryMeasureToItselfWithNewSteps) {
    Rig rig;
    for (int i = 0; i < 8; ++i) {
        rig.doc.measures[i].next = 3;
        rig.doc.measures[i].repeat = 9;
        rig.doc.measures[i].steps[0].on = 0;
    }
    rig.doc.editMeasure = 6;
    SeedRandom(7);
    SongDocument expected = rig.doc;
    SeedRandom(7);
    for (int i = 0; i < 8; ++i)
        expected.RandomizeSteps(i);
    SeedRandom(7);
    rig.panel.calls.clear();
    rig.controller.FreshSetup();
    // The editor shows one measure: it is loaded once (16 columns, 6 values), not once per measure.
    EXPECT_EQ(std::count_if(rig.panel.calls.begin(), rig.panel.calls.end(),
                            [](const std::string& call) { return call.rfind("set ", 0) == 0; }),
              16 * 6);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(rig.doc.measures[i].next, i);
        EXPECT_EQ(rig.doc.measures[i].repeat, 1);
        EXPECT_EQ(rig.doc.measures[i].steps[0].on, 0); // flags are the user's
        for (int k = 0; k < 16; ++k) {
            EXPECT_EQ(rig.doc.measures[i].steps[k].note, expected.measures[i].steps[k].note);
            EXPECT_EQ(rig.doc.measures[i].steps[k].length, expected.measures[i].steps[k].length);
        }
    }
    // The edit measure is what the columns show at the end.
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(rig.panel.columns[k].length, rig.doc.measures[6].steps[k].length);
}

TEST(PanelController, TempoReachesTheDocumentAndTheFieldAndOnlyAChangeMarksTheSetup) {
    Rig rig;
    for (double held : {0.5, 1e7, 300.0}) {
        rig.controller.SetTempo(held);
        EXPECT_EQ(rig.doc.tempo, held);
        EXPECT_EQ(rig.panel.shownTempo, held);
    }
    // A typed value reaches the document as the field hands it on; a stepped one by the arrow.
    rig.doc.dirty = 0;
    rig.controller.TempoEntered(300.0);
    EXPECT_EQ(rig.doc.dirty, 0); // the tempo did not change
    rig.panel.fieldTempo = 1e7;
    rig.controller.ControlChanged(1006);
    EXPECT_EQ(rig.doc.tempo, 1e7);
    EXPECT_EQ(rig.doc.dirty, 1);
}

TEST(PanelController, ALoadedDocumentIsShownAsItStands) {
    Rig rig;
    rig.doc.tempoDisplay = TempoUnit::SamplesPerMeasure;
    rig.doc.tempo = 140.0;
    rig.doc.levelB = 40;
    rig.doc.transpose = -7;
    rig.doc.mute = 1;
    rig.doc.editMeasure = 3;
    rig.doc.measures[3].steps[2].length = 11;
    rig.controller.ShowDocument();
    EXPECT_EQ(rig.panel.tempoUnit, TempoUnit::SamplesPerMeasure);
    EXPECT_EQ(rig.panel.shownTempo, 140.0);
    EXPECT_EQ(rig.panel.level, 40);
    EXPECT_EQ(rig.panel.transpose, -7);
    EXPECT_FALSE(rig.panel.muteOn);
    EXPECT_EQ(rig.panel.selected, 3);
    EXPECT_EQ(rig.panel.columns[2].length, 11);
    EXPECT_EQ(rig.doc.dirty, 0);
}

TEST(PanelController, ShiftSpreadsAnEditOverTheShownStepsOnly) {
    Rig rig;
    rig.doc.stepsPerMeasure = 4;
    rig.keys.shift = true;

    // Flags: clicking step 0 of 1 0 1 1 inverts every other shown flag.
    rig.Steps(ParamOn, {1, 0, 1, 1, 1});
    rig.Edit(0, ParamOn, 0);
    EXPECT_EQ(rig.Stored(ParamOn, 5), (std::vector<int>{0, 1, 0, 0, 1}));

    // Lengths move by the same amount, each held by its cell; step 4 is not shown.
    rig.Steps(ParamLength, {50, 120, 10, 60, 70});
    rig.Edit(2, ParamLength, 25);
    EXPECT_EQ(rig.Stored(ParamLength, 5), (std::vector<int>{65, 127, 25, 75, 70}));
    EXPECT_EQ(rig.panel.columns[1].length, 127);
    EXPECT_EQ(rig.panel.status, "25");

    // With Alt too, every shown step takes the value.
    rig.keys.alt = true;
    rig.Steps(ParamNote, {1, 2, 3, 4, 5});
    rig.Edit(1, ParamNote, -7);
    EXPECT_EQ(rig.Stored(ParamNote, 5), (std::vector<int>{-7, -7, -7, -7, 5}));
    EXPECT_EQ(rig.panel.columns[3].note, -7);

    // Without Shift only the edited step changes.
    rig.keys = Keys{};
    rig.Edit(3, ParamNote, 40);
    EXPECT_EQ(rig.Stored(ParamNote, 5), (std::vector<int>{-7, -7, -7, 40, 5}));
    EXPECT_EQ(rig.doc.dirty, 1);
    // The column that reported the event handled it first.
    EXPECT_EQ(rig.panel.handled.back(), (std::pair<int, int>{3, control::ColumnBase(3) + ParamNote}));
}

TEST(PanelController, MeasureButtonsSelectButTheGroupIdNever) {
    Rig rig;
    rig.controller.ControlChanged(control::kMeasureGroup);
    EXPECT_EQ(rig.doc.editMeasure, 0);
    EXPECT_EQ(rig.panel.selected, 0);
    rig.controller.RightClick(control::kMeasureGroup);
    EXPECT_TRUE(rig.panel.popups.empty());

    rig.controller.ControlChanged(20001); // the measure already shown
    EXPECT_EQ(rig.doc.dirty, 0);
    rig.controller.ControlChanged(20003);
    EXPECT_EQ(rig.doc.editMeasure, 2);
    EXPECT_EQ(rig.doc.dirty, 1);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(rig.panel.columns[k].length, rig.doc.measures[2].steps[k].length);
    rig.controller.RightClick(20008);
    EXPECT_EQ(rig.panel.popups, std::vector<int>{7});
}

TEST(PanelController, PressesTakeAnUndoPointExceptOnMenusAndMeasureButtons) {
    Rig rig;
    for (int id : {0, 1002, 1003, 1004, 20000, 20004, 20008})
        rig.controller.Press(id);
    EXPECT_EQ(rig.doc.undoMeasure, -1);
    EXPECT_EQ(rig.doc.dirty, 0);
    rig.doc.editMeasure = 3;
    rig.controller.Press(control::ColumnBase(2) + 21);
    EXPECT_EQ(rig.doc.undoMeasure, 3);
    EXPECT_EQ(rig.doc.dirty, 1);
}

TEST(PanelController, RightClicksResetLevelAndTransposeUndoably) {
    Rig rig;
    rig.controller.SetTranspose(12);
    rig.controller.SetLevelB(33);
    rig.controller.RightClick(1064);
    EXPECT_EQ(rig.doc.transpose, 0);
    EXPECT_EQ(rig.panel.transpose, 0);
    EXPECT_EQ(rig.doc.undoTranspose, 12);
    rig.controller.RightClick(1050);
    EXPECT_EQ(rig.doc.levelB, 80);
    EXPECT_EQ(rig.panel.level, 80);
    EXPECT_EQ(rig.doc.undoLevelB, 33);
    Undo(rig.doc, rig.controller);
    EXPECT_EQ(rig.doc.levelB, 33);
    EXPECT_EQ(rig.panel.level, 33);
}

TEST(PanelController, MuteFollowsTheButtonAndMenusOpenFromTheirButtons) {
    Rig rig;
    rig.panel.muteOn = false;
    rig.controller.ControlChanged(control::kMute);
    EXPECT_EQ(rig.doc.mute, 1);
    rig.panel.muteOn = true;
    rig.controller.ControlChanged(control::kMute);
    EXPECT_EQ(rig.doc.mute, 0);
    rig.controller.ControlChanged(1003);
    EXPECT_EQ(rig.panel.menus, std::vector<ToolbarMenu>{ToolbarMenu::Edit});
}

} // namespace
