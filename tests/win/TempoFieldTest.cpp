// The tempo field on a real owner window: the panel's layout, arrow clicks routed through the
// owner's widget dispatch, Control read from the input at the moment of the click, typed text
// taken only when the field loses the focus and handed on after the owner heard of it, and
// unusable typed text held or given back.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "WidgetTestSupport.h"
#include "panel/TempoField.h"

using namespace widget_test;

namespace {

// Each tempo the field hands on, with how many events its owner had heard by then.
class EnteredTempos : public TempoInput {
public:
    struct Entry {
        double bpm;
        size_t ownerEvents;
    };
    explicit EnteredTempos(const TestOwner& watched) : owner(watched) {}
    void TempoEntered(double bpm) override { entries.push_back({bpm, owner.events.size()}); }

    const TestOwner& owner;
    std::vector<Entry> entries;
};

struct TempoFieldFixture : testing::Test {
    TempoFieldFixture() {
        field.Create(PanelTempoSettings(owner.hwnd), entered);
        field.SetTransparent(DialBody::Opaque);
        field.SetLiveTyping(LiveTyping::Off);
    }
    ~TempoFieldFixture() override { SetCapturedWidget(nullptr); }

    std::string Text() { return field.Field().GetText(); }

    // A click on an arrow as the owner's mouse handling sees it; the owner hands the id back.
    void Click(MBmpButton& arrow) {
        const RECT r = arrow.GetRect();
        SendMessageA(owner.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 1, r.top + 1));
        SendMessageA(owner.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(r.left + 1, r.top + 1));
        ASSERT_FALSE(owner.dispatched.empty());
        field.OnPartEvent(owner.dispatched.back());
    }

    // Types into the field and moves the focus away, as a user would.
    void TypeAndLeave(const char* text) {
        HWND edit = field.Field().Handle();
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        for (const char* c = text; *c; ++c)
            SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(*c), 0);
        SetFocus(owner.hwnd);
    }

    TestOwner owner{0, 0, 200, 120};
    FakeInput input;
    EnteredTempos entered{owner};
    TempoField field;
};

TEST_F(TempoFieldFixture, StartsAt126WithItsPartsWhereThePanelPutsThem) {
    EXPECT_EQ(Text(), "126");
    EXPECT_EQ(field.Bpm(), 126.0);
    EXPECT_EQ(field.UpArrow().GetId(), 1006);
    EXPECT_EQ(field.DownArrow().GetId(), 1007);
    EXPECT_EQ(field.Field().GetId(), 1008);
    EXPECT_EQ(field.UpArrow().GetRect().top, 91);
    EXPECT_EQ(field.DownArrow().GetRect().top, 100);
    EXPECT_EQ(field.Field().GetRect().left, 16);
    EXPECT_FALSE(field.Field().IsModified());
}

TEST_F(TempoFieldFixture, ArrowClicksStepBySemitonesAndOctavesWithControl) {
    Click(field.UpArrow());
    EXPECT_EQ(owner.dispatched.back(), 1006);
    EXPECT_DOUBLE_EQ(field.Bpm(), 133.4923498892712);
    EXPECT_EQ(Text(), "133.492");
    Click(field.DownArrow());
    EXPECT_EQ(Text(), "126");

    field.SetBpm(126.0); // the semitone down gave 125.99999999999999
    input.control = true;
    Click(field.UpArrow());
    EXPECT_EQ(field.Bpm(), 252.0);
    EXPECT_EQ(Text(), "252");
    input.control = false;

    field.SetBpm(6000000.0);
    input.control = true;
    Click(field.UpArrow());
    EXPECT_EQ(field.Bpm(), 10000000.0);
    EXPECT_EQ(Text(), "10000000");

    // Each of the four steps is handed on; a tempo set by the program is not.
    ASSERT_EQ(entered.entries.size(), 4u);
    EXPECT_DOUBLE_EQ(entered.entries[0].bpm, 133.4923498892712);
    EXPECT_EQ(entered.entries[2].bpm, 252.0);
    EXPECT_EQ(entered.entries[3].bpm, 10000000.0);
}

TEST_F(TempoFieldFixture, TypedSamplesAreTakenOnlyWhenTheFieldLosesTheFocus) {
    field.SetUnit(tempo::TempoUnit::SamplesPerMeasure);
    EXPECT_EQ(Text(), "42000");
    HWND edit = field.Field().Handle();
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    for (const char c : std::string("21000"))
        SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
    EXPECT_EQ(field.Bpm(), 126.0); // typing alone changes nothing
    EXPECT_TRUE(owner.events.empty());
    EXPECT_TRUE(entered.entries.empty());
    SetFocus(owner.hwnd);
    EXPECT_EQ(field.Bpm(), 252.0);
    EXPECT_EQ(Text(), "21000"); // kept as typed
    ASSERT_FALSE(owner.events.empty());
    EXPECT_EQ(owner.events.back().type, WidgetEvent::ValueCommitted);
    EXPECT_EQ(owner.events.back().id, 1008);
    // Handed on once, after the owner heard of the commit: its undo point holds the old tempo.
    ASSERT_EQ(entered.entries.size(), 1u);
    EXPECT_EQ(entered.entries[0].bpm, 252.0);
    EXPECT_EQ(entered.entries[0].ownerEvents, owner.events.size());
}

TEST_F(TempoFieldFixture, UnusableTempoIsHeldOrGivenBack) {
    TypeAndLeave("0");
    EXPECT_EQ(field.Bpm(), 0.5);
    EXPECT_EQ(Text(), "0.500");
    field.SetBpm(126.0);
    TypeAndLeave("abc");
    EXPECT_EQ(field.Bpm(), 126.0);
    EXPECT_EQ(Text(), "126");

    field.SetUnit(tempo::TempoUnit::SamplesPerMeasure);
    TypeAndLeave("0"); // 0 samples per measure would be an infinite tempo
    EXPECT_EQ(field.Bpm(), 10000000.0);
    EXPECT_EQ(Text(), "0.529");
    field.SetBpm(tempo::HoldTempo(std::numeric_limits<double>::quiet_NaN())); // a damaged file's tempo
    EXPECT_EQ(field.Bpm(), 126.0);
    EXPECT_EQ(Text(), "42000");
    EXPECT_FALSE(field.Field().IsModified());
}

} // namespace
