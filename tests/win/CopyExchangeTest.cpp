// Several copies in one process, each a real window with the program's caption and its own
// engine and document, talking only through posted messages and the caption broadcast.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "app/PlayStatePanel.h"
#include "playback/MessagePosterWin32.h"
#include "playback/Messages.h"
#include "playback/SequencerEngine.h"
#include "song/SongDocument.h"

namespace {

// A step timer that never fires: these tests are about messages, not time.
class StillTimer : public StepTimer {
public:
    void Configure(unsigned, Callback, void*) override {}
    void Start() override {}
    void Stop() override {}
    uint32_t NowMs() override { return 0; }
};

class SilentTone : public ToneOutput {
public:
    void PlayNote(int, int) override { ++notes; }
    int notes = 0;
};

class FixedKeys : public KeyState {
public:
    bool ControlHeld() override { return control; }
    bool control = false;
};

const char kClassName[] = "KestrelCopyProbe";

struct Copy {
    Copy();
    ~Copy() {
        engine.Shutdown();
        DestroyWindow(window);
    }
    Copy(const Copy&) = delete;
    Copy& operator=(const Copy&) = delete;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Copy*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self != nullptr && message >= WM_USER) {
            ++self->received;
            self->engine.HandleMessage(message, wParam, lParam);
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    SongDocument document;
    StillTimer timer;
    SilentTone tone;
    MessagePosterWin32 poster;
    PlayStatePanel panel;
    FixedKeys keys;
    SequencerEngine engine;
    HWND window = nullptr;
    int received = 0;
};

Copy::Copy() {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    window = CreateWindowA(kClassName, kCaption, WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    poster.SetWindow(window);
    engine.Initialise(
        {.document = document, .timer = timer, .tone = tone, .poster = poster, .panel = panel, .keys = keys});
}

// Handles every posted message until none is left, as the copies' message loops would.
void Deliver() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

std::vector<std::unique_ptr<Copy>> MakeCopies(int count) {
    std::vector<std::unique_ptr<Copy>> copies;
    for (int i = 0; i < count; ++i)
        copies.push_back(std::make_unique<Copy>());
    Deliver();
    return copies;
}

} // namespace

TEST(CopyExchange, SpaceInOneCopyStartsAndStopsEveryCopyOnce) {
    auto copies = MakeCopies(3);
    copies[1]->document.editMeasure = 2;
    for (auto& copy : copies)
        copy->document.EditMeasure().steps[0].length = 127; // the first step surely sounds
    copies[0]->engine.Toggle();
    Deliver();
    for (auto& copy : copies) {
        EXPECT_TRUE(copy->engine.IsPlaying());
        EXPECT_EQ(copy->tone.notes, 1) << "each copy sounds its first step once, and no echo";
    }
    EXPECT_FALSE(copies[0]->panel.playOn) << "the sender's own start is ignored, button untouched";
    EXPECT_TRUE(copies[1]->panel.playOn);
    EXPECT_EQ(copies[1]->document.playingMeasure, 2) << "a started copy plays its edit measure";
    EXPECT_EQ(copies[1]->panel.playingMark, 2);

    copies[2]->engine.Toggle();
    Deliver();
    for (auto& copy : copies) {
        EXPECT_FALSE(copy->engine.IsPlaying());
        EXPECT_EQ(copy->panel.playingMark, -1);
    }
    EXPECT_FALSE(copies[1]->panel.playOn);
}

TEST(CopyExchange, ControlKeepsTheStartToOneCopy) {
    auto copies = MakeCopies(2);
    copies[0]->keys.control = true;
    copies[0]->engine.Toggle();
    Deliver();
    EXPECT_TRUE(copies[0]->engine.IsPlaying());
    EXPECT_FALSE(copies[1]->engine.IsPlaying());
    EXPECT_EQ(copies[1]->received, 0);
}

TEST(CopyExchange, GroupMembersConvergeOnOnePeerAndCount) {
    auto copies = MakeCopies(4);
    copies[0]->document.syncState.syncGroup = 3;
    copies[1]->document.syncState.syncGroup = 3;
    copies[3]->document.syncState.syncGroup = 4; // copies[2] joins group 3 later

    // A claim from elsewhere reaches two members without a peer: both adopt it and count 1.
    ::BroadcastToCopies(nullptr, SEQM_GROUP_CLAIM, 5, 3);
    Deliver();
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(copies[i]->document.syncState.syncPeer, 5u) << i;
        EXPECT_EQ(copies[i]->document.syncState.syncCount, 1) << i;
    }
    EXPECT_EQ(copies[3]->document.syncState.syncPeer, 0u) << "another group ignores it";
    EXPECT_EQ(copies[3]->document.syncState.syncCount, 0);

    // A newcomer is counted in when a query makes the members answer.
    copies[2]->document.syncState.syncGroup = 3;
    ::BroadcastToCopies(nullptr, SEQM_GROUP_QUERY, 0, 3);
    Deliver();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(copies[i]->document.syncState.syncPeer, 5u) << i;
        EXPECT_EQ(copies[i]->document.syncState.syncCount, 2) << i;
    }
    EXPECT_EQ(copies[3]->document.syncState.syncCount, 0);
}

TEST(CopyExchange, AQueryNobodyCanAnswerGetsNoReply) {
    auto copies = MakeCopies(2);
    for (auto& copy : copies)
        copy->document.syncState.syncGroup = 3;
    ::BroadcastToCopies(nullptr, SEQM_GROUP_QUERY, 0, 3);
    Deliver();
    for (auto& copy : copies) {
        EXPECT_EQ(copy->received, 1) << "only the query itself";
        EXPECT_EQ(copy->document.syncState.syncCount, 0);
    }
}
