#include "tone/ToneOutputSwitch.h"

void ToneOutputSwitch::Use(ToneOutput& output) {
    ToneOutput* before = current.exchange(&output, std::memory_order_acq_rel);
    // Only silenced, not ended: switching back while the run goes on must sound its next step.
    if (before != &output) before->Silence();
}
