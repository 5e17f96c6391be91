#include "playback/SyncGroup.h"

#include "playback/Messages.h"

bool SyncGroup::IsGroupMessage(unsigned message) {
    return message == SEQM_GROUP_QUERY || message == SEQM_GROUP_CLAIM || message == SEQM_GROUP_COUNT;
}

void SyncGroup::HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (!IsGroupMessage(message) || !IsOwnGroup(lParam)) return;
    switch (message) {
    case SEQM_GROUP_QUERY: AnswerQuery(); break;
    case SEQM_GROUP_CLAIM: AdoptClaim(wParam); break;
    case SEQM_GROUP_COUNT: state.syncCount = CountFromWParam(wParam); break;
    default: break;
    }
}

uintptr_t SyncGroup::CountToWParam(int16_t count) {
    return static_cast<uintptr_t>(static_cast<intptr_t>(count));
}

int16_t SyncGroup::CountFromWParam(uintptr_t wParam) {
    return static_cast<int16_t>(static_cast<uint16_t>(wParam & 0xFFFFu));
}

bool SyncGroup::IsOwnGroup(intptr_t lParam) const {
    // Senders of either word size put the group in the low 32 bits.
    return static_cast<int32_t>(static_cast<uint32_t>(lParam)) == state.syncGroup;
}

void SyncGroup::AnswerQuery() {
    if (state.syncPeer == 0) return;
    AnnounceCount();
    poster.BroadcastToCopies(SEQM_GROUP_CLAIM, state.syncPeer, state.syncGroup);
}

void SyncGroup::AdoptClaim(uintptr_t peer) {
    // The first claim handled wins; a copy that has a peer (the claimant itself) ignores it. A
    // claim of 0 names no peer, so adopting it would leave the copy open to count itself again.
    if (state.syncPeer != 0 || static_cast<uint32_t>(peer) == 0) return;
    state.syncPeer = static_cast<uint32_t>(peer);
    state.syncCount = static_cast<int16_t>(state.syncCount + 1);
    AnnounceCount();
}

void SyncGroup::AnnounceCount() {
    poster.BroadcastToCopies(SEQM_GROUP_COUNT, CountToWParam(state.syncCount), state.syncGroup);
}
