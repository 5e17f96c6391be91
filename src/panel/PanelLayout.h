#pragma once
// Where things sit on the panel and how many step columns a width holds. Pure arithmetic.

namespace layout {

inline constexpr int kColumnCount = 16;
inline constexpr int kColumnLeft = 94;  // x of column 1
inline constexpr int kColumnPitch = 38; // columns are 37 wide with 1 pixel between
inline constexpr int kColumnTop = 2;
inline constexpr int kColumnWidth = 37;
inline constexpr int kColumnHeight = 106;
inline constexpr int kClientHeight = 111;
inline constexpr int kMinClientWidth = 133; // one column
inline constexpr int kMaxClientWidth = 707; // sixteen columns

// The number of columns a client width holds, (width - 94) / 38, held to 1..16 so that a
// minimised window (width 0) or any other odd size never yields a count outside the columns.
int ColumnCountForWidth(int clientWidth);

// The client width that shows n columns: 99 + 38 x n, with n held to 1..16.
int ClientWidthForSteps(int n);

// Left edge of column k (1..16).
inline constexpr int ColumnX(int k) { return kColumnLeft + kColumnPitch * (k - 1); }

// Top edge of the button of measure index i (0..7): measure 1 at the bottom.
inline constexpr int MeasureButtonY(int i) { return 98 - 14 * i; }
inline constexpr int kMeasureButtonX = 70;

} // namespace layout
