#include "panel/PanelLayout.h"

#include <algorithm>

namespace layout {

int ColumnCountForWidth(int clientWidth) {
    return std::clamp((clientWidth - kColumnLeft) / kColumnPitch, 1, kColumnCount);
}

int ClientWidthForSteps(int n) { return 99 + kColumnPitch * std::clamp(n, 1, kColumnCount); }

} // namespace layout
