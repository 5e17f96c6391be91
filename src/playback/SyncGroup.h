#pragma once
// The group exchange between running copies: copies of one group number converge on one peer
// value and a common member count. This program only answers; a query comes from elsewhere.
//
//   SEQM_GROUP_QUERY(-, g)      owners of a peer in group g announce their count, then claim
//   SEQM_GROUP_CLAIM(peer, g)   a member of g without a peer adopts it, counts itself, announces
//   SEQM_GROUP_COUNT(count, g)  every member of g takes the announced count
//
// Messages for another group are ignored without reply. Counts travel sign-extended from 16 bits
// in wParam; the group number is compared on the low 32 bits of lParam. UI thread only.
#include <cstdint>

#include "playback/EngineSeams.h"
#include "song/SyncState.h"

class SyncGroup {
public:
    SyncGroup(SyncState& shared, MessagePoster& messages) : state(shared), poster(messages) {}

    static bool IsGroupMessage(unsigned message);

    // Handles SEQM_GROUP_QUERY, SEQM_GROUP_CLAIM and SEQM_GROUP_COUNT; anything else is ignored.
    void HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam);

    static uintptr_t CountToWParam(int16_t count);
    static int16_t CountFromWParam(uintptr_t wParam);

private:
    bool IsOwnGroup(intptr_t lParam) const;
    void AnswerQuery();
    void AdoptClaim(uintptr_t peer);
    void AnnounceCount();

    SyncState& state;
    MessagePoster& poster;
};
