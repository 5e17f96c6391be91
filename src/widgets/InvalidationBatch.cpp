#include "widgets/InvalidationBatch.h"

#include <vector>

#include "widgets/GdiHandles.h"

namespace {

struct Pending {
    HWND window = nullptr;
    GdiRegion plain; // repaint without erasing
    GdiRegion erase; // repaint over the erased background
};

// UI thread only, like the widgets themselves.
int depth = 0;
std::vector<Pending> pending;
GdiRegion scratch;
long requests = 0;

GdiRegion EmptyRegion() { return GdiRegion(CreateRectRgn(0, 0, 0, 0)); }

bool IsEmpty(HRGN region) {
    RECT box{};
    return GetRgnBox(region, &box) == NULLREGION;
}

Pending& PendingFor(HWND window) {
    for (Pending& p : pending)
        if (p.window == window) return p;
    pending.push_back(Pending{window, EmptyRegion(), EmptyRegion()});
    return pending.back();
}

void Request(HWND window, HRGN region, BOOL erase) {
    ++requests;
    InvalidateRgn(window, region, erase);
}

} // namespace

void InvalidateLater(HWND window, const RECT* area, EraseBackground erase) {
    if (window == nullptr) return;
    const BOOL eraseFlag = erase == EraseBackground::Yes ? TRUE : FALSE;
    if (depth == 0) {
        ++requests;
        InvalidateRect(window, area, eraseFlag);
        return;
    }
    RECT r{};
    if (area != nullptr)
        r = *area;
    else
        GetClientRect(window, &r);
    if (r.right <= r.left || r.bottom <= r.top) return;
    if (!scratch) scratch = EmptyRegion();
    SetRectRgn(scratch.Get(), r.left, r.top, r.right, r.bottom);
    Pending& p = PendingFor(window);
    HRGN target = (eraseFlag ? p.erase : p.plain).Get();
    CombineRgn(target, target, scratch.Get(), RGN_OR);
}

void FlushInvalidations() {
    // Taken first: a window may ask for more while it is told (it never does today). The regions
    // go with `taken`.
    std::vector<Pending> taken;
    taken.swap(pending);
    for (const Pending& p : taken) {
        if (!IsWindow(p.window)) continue;
        // One request where one kind is pending; the erase flag belongs to the whole window's
        // update region, so two kinds still need the two requests to mean what they meant.
        if (!IsEmpty(p.plain.Get())) Request(p.window, p.plain.Get(), FALSE);
        if (!IsEmpty(p.erase.Get())) Request(p.window, p.erase.Get(), TRUE);
    }
}

InvalidationScope::InvalidationScope() { ++depth; }

InvalidationScope::~InvalidationScope() {
    if (--depth == 0) FlushInvalidations();
}

ModalLoopScope::ModalLoopScope() : outerDepth(depth) {
    FlushInvalidations();
    depth = 0;
}

ModalLoopScope::~ModalLoopScope() {
    FlushInvalidations();
    depth = outerDepth;
}

long InvalidationRequests() { return requests; }
