#include "playback/SyncGroup.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "EngineRig.h"
#include "playback/Messages.h"

namespace {

// Several running copies, each with its own sync state, joined by one bus. Pump hands every
// queued message to its copy until all queues are empty, as the copies' message loops would.
class GroupOfCopies {
public:
    explicit GroupOfCopies(int count) {
        for (int i = 0; i < count; ++i) {
            copies.push_back(std::make_unique<Copy>(clock));
            bus.Join(&copies.back()->queue);
            copies.back()->queue.bus = &bus;
        }
    }
    SyncState& State(int i) { return copies[i]->state; }
    PostQueue& Queue(int i) { return copies[i]->queue; }
    // A message from outside, reaching every copy.
    void Broadcast(unsigned message, uintptr_t wParam, intptr_t lParam) {
        for (auto& copy : copies)
            copy->queue.Deliver({message, wParam, lParam, 0});
        Pump();
    }
    void Pump() {
        for (bool any = true; any;) {
            any = false;
            for (auto& copy : copies) {
                while (auto m = copy->queue.Take()) {
                    SyncGroup(copy->state, copy->queue).HandleMessage(m->message, m->wParam, m->lParam);
                    any = true;
                }
            }
        }
    }
    size_t BroadcastsSent() const {
        size_t total = 0;
        for (const auto& copy : copies)
            total += copy->queue.Broadcasts().size();
        return total;
    }

private:
    struct Copy {
        explicit Copy(VirtualClock& clock) : queue(clock) {}
        SyncState state;
        PostQueue queue;
    };
    VirtualClock clock;
    CopyBus bus;
    std::vector<std::unique_ptr<Copy>> copies;
};

TEST(SyncGroupTest, ClaimIsAdoptedCountedAndAnnouncedToTheGroup) {
    GroupOfCopies group(3);
    group.State(0).syncGroup = 3;
    group.State(1).syncGroup = 3;
    group.State(2).syncGroup = 4;
    group.Broadcast(SEQM_GROUP_CLAIM, 5, 3);

    EXPECT_EQ(group.State(0).syncPeer, 5u);
    EXPECT_EQ(group.State(1).syncPeer, 5u);
    EXPECT_EQ(group.State(2).syncPeer, 0u); // another group: ignored
    EXPECT_EQ(group.State(2).syncCount, 0);
    // Both members counted themselves from 0 to 1 and announced it; everyone in group 3 ends at 1.
    EXPECT_EQ(group.State(0).syncCount, 1);
    EXPECT_EQ(group.State(1).syncCount, 1);
    const std::vector<Posted> sent = group.Queue(0).Broadcasts();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].message, SEQM_GROUP_COUNT);
    EXPECT_EQ(sent[0].wParam, 1u);
    EXPECT_EQ(sent[0].lParam, 3);
    EXPECT_TRUE(group.Queue(2).Broadcasts().empty());

    // A later claim leaves copies that already have a peer alone.
    group.Broadcast(SEQM_GROUP_CLAIM, 9, 3);
    EXPECT_EQ(group.State(0).syncPeer, 5u);
    EXPECT_EQ(group.State(0).syncCount, 1);
}

TEST(SyncGroupTest, QueryIsAnsweredOnlyByMembersWithAPeer) {
    GroupOfCopies group(3);
    for (int i = 0; i < 3; ++i)
        group.State(i).syncGroup = 3;
    group.Broadcast(SEQM_GROUP_QUERY, 0, 3);
    EXPECT_EQ(group.BroadcastsSent(), 0u); // nobody has a peer yet: no reply at all

    // One member holds peer 7 with count 2; the query brings the others in.
    group.State(0).syncPeer = 7;
    group.State(0).syncCount = 2;
    group.Broadcast(SEQM_GROUP_QUERY, 0, 4); // wrong group
    EXPECT_EQ(group.BroadcastsSent(), 0u);
    group.Broadcast(SEQM_GROUP_QUERY, 0, 3);
    const std::vector<Posted> answer = group.Queue(0).Broadcasts();
    ASSERT_GE(answer.size(), 2u);
    EXPECT_EQ(answer[0].message, SEQM_GROUP_COUNT);
    EXPECT_EQ(answer[0].wParam, 2u);
    EXPECT_EQ(answer[1].message, SEQM_GROUP_CLAIM);
    EXPECT_EQ(answer[1].wParam, 7u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(group.State(i).syncPeer, 7u) << i;
        EXPECT_EQ(group.State(i).syncCount, group.State(0).syncCount) << i; // converged
    }
    EXPECT_EQ(group.State(0).syncCount, 3);
}

TEST(SyncGroupTest, CountsTravelAsSixteenBitSignedValues) {
    EXPECT_EQ(SyncGroup::CountToWParam(-2), static_cast<uintptr_t>(-2));
    EXPECT_EQ(SyncGroup::CountFromWParam(static_cast<uintptr_t>(-2)), -2);
    EXPECT_EQ(SyncGroup::CountFromWParam(0x12340005u), 5);
    EXPECT_EQ(SyncGroup::CountFromWParam(0xFFFFu), -1);

    VirtualClock clock;
    PostQueue poster(clock);
    SyncState state;
    state.syncGroup = -1;
    SyncGroup sync(state, poster);
    sync.HandleMessage(SEQM_GROUP_COUNT, 0xABCD8000u, -1);
    EXPECT_EQ(state.syncCount, -32768);
    // The group is compared on the low 32 bits of lParam.
    sync.HandleMessage(SEQM_GROUP_COUNT, 4, static_cast<intptr_t>(0xFFFFFFFFu));
    EXPECT_EQ(state.syncCount, 4);
}

TEST(SyncGroupTest, ClaimOfNoPeerIsIgnored) {
    VirtualClock clock;
    PostQueue poster(clock);
    SyncState state;
    SyncGroup sync(state, poster);
    sync.HandleMessage(SEQM_GROUP_CLAIM, 0, 0);
    sync.HandleMessage(SEQM_GROUP_CLAIM, 0, 0);
    EXPECT_EQ(state.syncPeer, 0u);
    EXPECT_EQ(state.syncCount, 0);
    EXPECT_TRUE(poster.Broadcasts().empty());
}

TEST(SyncGroupTest, EngineHandsGroupMessagesToTheExchange) {
    VirtualClock clock;
    EngineRig rig(clock);
    rig.doc.syncState.syncGroup = 3;
    rig.engine.HandleMessage(SEQM_GROUP_CLAIM, 5, 3);
    EXPECT_EQ(rig.doc.syncState.syncPeer, 5u);
    EXPECT_EQ(rig.doc.syncState.syncCount, 1);
    rig.Pump(); // its own announcement comes back and changes nothing
    EXPECT_EQ(rig.doc.syncState.syncCount, 1);
    EXPECT_FALSE(rig.engine.IsPlaying());
}

} // namespace
