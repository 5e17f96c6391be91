#include "widgets/InvalidationBatch.h"

#include <vector>

namespace {

struct Pending {
    HWND window = nullptr;
    HRGN plain = nullptr; // repaint without erasing
    HRGN erase = nullptr; // repaint over the erased background
};

// UI thread only, like the widgets themselves.
int depth = 0;
std::vector<Pending> pending;
HRGN scratch = nullptr;
long requests = 0;

HRGN EmptyRegion() { return CreateRectRgn(0, 0, 0, 0); }

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
    if (scratch == nullptr) scratch = EmptyRegion();
    SetRectRgn(scratch, r.left, r.top, r.right, r.bottom);
    Pending& p = PendingFor(window);
    HRGN target = eraseFlag ? p.erase : p.plain;
    CombineRgn(target, target, scratch, RGN_OR);
}

void FlushInvalidations() {
    // Taken first: a window may ask for more while it is told (it never does today).
    std::vector<Pending> taken;
    taken.swap(pending);
    for (Pending& p : taken) {
        if (IsWindow(p.window)) {
            // One request where one kind is pending; the erase flag belongs to the whole window's
            // update region, so two kinds still need the two requests to mean what they meant.
            if (!IsEmpty(p.plain)) Request(p.window, p.plain, FALSE);
            if (!IsEmpty(p.erase)) Request(p.window, p.erase, TRUE);
        }
        DeleteObject(p.plain);
        DeleteObject(p.erase);
    }
}

InvalidationScope::InvalidationScope() { ++depth; }

InvalidationScope::~InvalidationScope() {
    if (--depth == 0) FlushInvalidations();
}

ModalLoopScope::ModalLoopScope() : outerDepth_(depth) {
    FlushInvalidations();
    depth = 0;
}

ModalLoopScope::~ModalLoopScope() {
    FlushInvalidations();
    depth = outerDepth_;
}

long InvalidationRequests() { return requests; }
