// The menu item rules, the document commands and the measure clipboard's record, against the
// document alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ResourceIds.h"
#include "panel/CommandRules.h"
#include "song/MeasureRecord.h"

namespace {

class NullView : public EditView {
public:
    void LoadMeasure(int m) override { loads.push_back(m); }
    void SetTempo(double) override {}
    void SetLevelB(int) override {}
    void SetTranspose(int) override {}
    void SetMuteButton(bool soundOn) override { muteButton.push_back(soundOn); }
    void SetTempoMode(TempoUnit unit) override { modes.push_back(unit); }
    std::vector<int> loads;
    std::vector<TempoUnit> modes;
    std::vector<bool> muteButton;
};

MenuItemState StateOf(const SongDocument& doc, int id, bool clipboard = false, bool soundCard = false) {
    MenuFacts facts;
    facts.clipboardHasMeasure = clipboard;
    facts.soundCardInUse = soundCard;
    for (const MenuItemState& s : MenuItemStates(doc, facts))
        if (s.id == id) return s;
    ADD_FAILURE() << "no rule for " << id;
    return {};
}

TEST(MenuRules, ItemsFollowTheSetup) {
    SongDocument doc;
    // Fresh: nothing to undo, nothing to paste, nothing to save, beats per minute, sound on.
    EXPECT_TRUE(StateOf(doc, IDC_CMD_UNDO).grayed);
    EXPECT_TRUE(StateOf(doc, IDC_CMD_PASTE).grayed);
    EXPECT_FALSE(StateOf(doc, IDC_CMD_PASTE, true).grayed);
    EXPECT_TRUE(StateOf(doc, IDC_CMD_SAVE).grayed);
    EXPECT_EQ(StateOf(doc, IDC_CMD_BEATS_PER_MINUTE).mark, ItemMark::Radio);
    EXPECT_EQ(StateOf(doc, IDC_CMD_SAMPLES_PER_MEASURE).mark, ItemMark::None);
    EXPECT_EQ(StateOf(doc, IDC_CMD_MUTE).mark, ItemMark::None);
    EXPECT_EQ(StateOf(doc, IDC_CMD_HIGH_RES_TIMER).mark, ItemMark::Check);
    EXPECT_EQ(StateOf(doc, IDC_CMD_SOUND_CARD).mark, ItemMark::None);
    EXPECT_EQ(StateOf(doc, IDC_CMD_SOUND_CARD, false, true).mark, ItemMark::Check);

    // An undo point for the shown measure enables Undo until another measure is shown.
    TakeUndoSnapshot(doc);
    EXPECT_FALSE(StateOf(doc, IDC_CMD_UNDO).grayed);
    EXPECT_FALSE(StateOf(doc, IDC_CMD_SAVE).grayed);
    doc.editMeasure = 4;
    EXPECT_TRUE(StateOf(doc, IDC_CMD_UNDO).grayed);

    doc.tempoDisplay = TempoUnit::SamplesPerMeasure;
    doc.mute = 1;
    doc.highResTimer = 0;
    EXPECT_EQ(StateOf(doc, IDC_CMD_SAMPLES_PER_MEASURE).mark, ItemMark::Radio);
    EXPECT_EQ(StateOf(doc, IDC_CMD_BEATS_PER_MINUTE).mark, ItemMark::None);
    EXPECT_EQ(StateOf(doc, IDC_CMD_MUTE).mark, ItemMark::Check);
    EXPECT_EQ(StateOf(doc, IDC_CMD_HIGH_RES_TIMER).mark, ItemMark::None);
}

TEST(DocumentCommands, ShortcutsThatChangeLittleOrNothing) {
    SongDocument doc;
    NullView view;
    const SongDocument before = doc;
    EXPECT_TRUE(RunDocumentCommand(IDC_CMD_NOTHING, doc, view)); // Ctrl+K
    EXPECT_EQ(doc.dirty, 0);
    EXPECT_TRUE(RunDocumentCommand(IDC_CMD_BEATS_PER_MINUTE, doc, view)); // already so
    EXPECT_EQ(doc.dirty, 0);
    EXPECT_TRUE(view.modes.empty());
    EXPECT_TRUE(RunDocumentCommand(IDC_CMD_OPTION_FLAG, doc, view)); // Ctrl+P: only the file keeps it
    EXPECT_EQ(doc.optionFlag, 1);
    EXPECT_EQ(doc.dirty, 1);
    EXPECT_TRUE(RunDocumentCommand(IDC_CMD_MUTE, doc, view));
    EXPECT_EQ(doc.mute, 1);
    EXPECT_EQ(view.muteButton, std::vector<bool>{false});
    // Commands that need the window are not the document's.
    for (int id : {IDC_CMD_COPY, IDC_CMD_PASTE, IDC_CMD_OPEN, IDC_CMD_SAVE, IDC_CMD_EXIT, IDC_CMD_ABOUT,
                   IDC_CMD_CHANGE_COLOR, IDC_CMD_HIGH_RES_TIMER})
        EXPECT_FALSE(RunDocumentCommand(id, doc, view)) << id;
    EXPECT_EQ(doc.measures[0].steps[0].note, before.measures[0].steps[0].note);
}

TEST(MeasureRecord, SixteenRecordsWithTheFlagFirstInLittleEndian) {
    Measure m;
    for (int k = 0; k < 16; ++k) {
        m.steps[k].on = static_cast<int16_t>(k % 2);
        m.steps[k].note = static_cast<int16_t>(k - 8);
        m.steps[k].value30 = 300;
        m.steps[k].value40 = -2;
        m.steps[k].value50 = static_cast<int16_t>(k);
        m.steps[k].length = static_cast<int16_t>(100 + k);
    }
    const auto block = EncodeMeasureRecords(m);
    ASSERT_EQ(block.size(), 192u);
    const std::vector<uint8_t> step3(block.begin() + 36, block.begin() + 48);
    EXPECT_EQ(step3, (std::vector<uint8_t>{1, 0, 0xFB, 0xFF, 0x2C, 0x01, 0xFE, 0xFF, 3, 0, 103, 0}));

    Measure back;
    ASSERT_TRUE(DecodeMeasureRecords(block.data(), block.size(), back));
    for (int k = 0; k < 16; ++k) {
        for (int p : {ParamOn, ParamNote, ParamValue30, ParamValue40, ParamValue50, ParamLength})
            EXPECT_EQ(back.steps[k].GetParam(p), m.steps[k].GetParam(p)) << k << " " << p;
    }
}

TEST(MeasureRecord, ForeignBlocksAreCheckedWhereTheyEnter) {
    std::vector<uint8_t> block(4096, 0);
    // Step 0: on 7, note 500, length -3, values kept as they come.
    const uint8_t wild[] = {7, 0, 0xF4, 0x01, 0x39, 0x30, 0, 0x80, 9, 0, 0xFD, 0xFF};
    std::copy(std::begin(wild), std::end(wild), block.begin());
    block[12 + 2] = 0x00; // step 1 note -256
    block[12 + 3] = 0xFF;
    Measure m;
    ASSERT_TRUE(DecodeMeasureRecords(block.data(), block.size(), m)); // longer blocks are fine
    EXPECT_EQ(m.steps[0].on, 1);
    EXPECT_EQ(m.steps[0].note, 67);
    EXPECT_EQ(m.steps[0].value30, 12345);
    EXPECT_EQ(m.steps[0].value40, -32768);
    EXPECT_EQ(m.steps[0].length, 0);
    EXPECT_EQ(m.steps[1].note, -60);

    Measure untouched;
    untouched.steps[15].note = 5;
    EXPECT_FALSE(DecodeMeasureRecords(block.data(), 191, untouched));
    EXPECT_FALSE(DecodeMeasureRecords(nullptr, 192, untouched));
    EXPECT_EQ(untouched.steps[15].note, 5);
}

} // namespace
