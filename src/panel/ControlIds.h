#pragma once
// Control ids of the panel.
namespace control {
inline constexpr int kStatusLine = 3;
inline constexpr int kPlay = 1000;
inline constexpr int kMute = 1001;
inline constexpr int kFileMenu = 1002;
inline constexpr int kEditMenu = 1003;
inline constexpr int kMidiMenu = 1004;
inline constexpr int kTempo = 1005;
inline constexpr int kTempoLast = 1010;
inline constexpr int kLevel = 1050;
inline constexpr int kLevelLast = 1055;
inline constexpr int kTranspose = 1060;
inline constexpr int kTransposeLast = 1065;
inline constexpr int kFirstColumn = 10000;
inline constexpr int kColumnsEnd = 11600; // one past the last column id
inline constexpr int kColumnSpan = 100;
inline constexpr int kMeasureGroup = 20000;
inline constexpr int kFirstMeasureButton = 20001;
inline constexpr int kLastMeasureButton = 20008;

inline constexpr bool InRange(int id, int first, int last) { return id >= first && id <= last; }
// Base id of step column k (0-based).
inline constexpr int ColumnBase(int k) { return kFirstColumn + kColumnSpan * k; }
} // namespace control
