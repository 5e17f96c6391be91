#pragma once
// How this copy keeps its transport together with other running copies, and the engine's
// position within the playing measure. Only the UI thread touches the group fields; `stepIndex`
// is also advanced by the timer thread, hence Shared.
#include <cstdint>

#include "common/Shared.h"

class SyncState {
public:
    virtual ~SyncState() = default;

    uint32_t syncPeer = 0;    // peer value adopted from a group claim; 0 = none yet
    int32_t syncGroup = 0;    // group number; saved in the settings file
    int16_t syncSelector = 1; // saved next to syncGroup; the exchange does not use it
    int16_t syncCount = 0;    // member count, as last announced
    Shared<int16_t> stepIndex{0}; // next step to play in the playing measure; 0 while stopped
};
