#pragma once
// The one tempo rule: every tempo the document holds lies in kMinBpm .. kMaxBpm beats per minute.
// It is applied where a tempo enters (a settings file, typed text, the arrows); everything that
// reads a tempo after that asserts it instead of holding it once more.
namespace tempo {

inline constexpr double kDefaultBpm = 126.0;
inline constexpr double kMinBpm = 0.5;
inline constexpr double kMaxBpm = 10000000.0;

// Any tempo held to kMinBpm..kMaxBpm; NaN counts as the default tempo.
double HoldTempo(double bpm);

// True for a held tempo (never for NaN).
constexpr bool IsHeld(double bpm) { return bpm >= kMinBpm && bpm <= kMaxBpm; }

} // namespace tempo
