"""Checks a recording of the program against its tone log: every audible tone is heard, at its
due time on the step clock (relative to the first), at the speaker's pitch.

    check_recording.py RECORDING.raw TONES.log RATE

RECORDING is 16-bit mono little-endian samples; each log line is "<ms> <note> <length> <run>
<due>" as the test build writes it. Prints the onset figures, then runs the checks."""
import array
import math
import struct
import sys
import unittest

TIMER_CLOCK_HZ = 1193181.6666666667
THRESHOLD = 1000  # tones are +-8000, silence 0
GAP_S = 0.005     # tones are at least 10 ms apart


def speaker_frequency(note):
    """The speaker's frequency for a note: nearest whole Hz, then the timer's whole divisor."""
    hz = struct.unpack("f", struct.pack("f", 36.7081))[0] * 1.0594630943592953 ** note
    whole = int(hz)
    whole += 1 if hz - whole >= 0.5 else 0
    return TIMER_CLOCK_HZ / int(TIMER_CLOCK_HZ / whole + 0.5)


def read_tones(path):
    tones = []
    with open(path) as log:
        for line in log:
            fields = line.split()
            if len(fields) == 5:
                tones.append({"note": int(fields[1]), "length_ms": 2 * int(fields[2]),
                              "run": int(fields[3]), "due_ms": float(fields[4])})
    return tones


def onsets_of(samples, rate):
    gap = int(GAP_S * rate)
    onsets, silent = [], gap
    for i, value in enumerate(samples):
        if abs(value) > THRESHOLD:
            if silent >= gap:
                onsets.append(i)
            silent = 0
        else:
            silent += 1
    return onsets


def measured_frequency(samples, start, length, rate):
    rising = [i for i in range(start + 1, start + length)
              if samples[i] > THRESHOLD and samples[i - 1] < -THRESHOLD]
    if len(rising) < 4:
        return None
    return (len(rising) - 1) * rate / (rising[-1] - rising[0])


def percentile(values, p):
    ordered = sorted(values)
    return ordered[max(0, math.ceil(p * len(ordered)) - 1)]


def match_onsets(onsets, tones, rate):
    """Pairs each tone with the onset nearest its place on the schedule, measured from the first
    tone. A dropout in the sound server (silence inserted, everything after it later) shows as a
    jump; the schedule is then taken up again from that tone, and the jump is counted."""
    base = onsets[0] - tones[0]["due_ms"] * rate / 1000.0
    gaps = [b["due_ms"] - a["due_ms"] for a, b in zip(tones, tones[1:])]
    reach_ms = 0.45 * min(gaps) if gaps else 30.0  # nearer to its own place than to a neighbour's
    errors, jumps, missing = [], 0, 0
    for tone in tones:
        predicted = base + tone["due_ms"] * rate / 1000.0
        nearest = min(onsets, key=lambda o: abs(o - predicted))
        error_ms = (nearest - predicted) * 1000.0 / rate
        if abs(error_ms) > reach_ms:
            missing += 1
            continue
        if abs(error_ms) > 0.1:
            jumps += 1
            base += error_ms * rate / 1000.0
            continue
        errors.append(error_ms)
    return errors, jumps, missing


class Recording(unittest.TestCase):
    samples = None
    tones = None
    rate = 44100

    @classmethod
    def setUpClass(cls):
        cls.audible = [t for t in cls.tones
                       if 2 * speaker_frequency(t["note"]) < cls.rate and t["length_ms"] * cls.rate >= 1000]
        cls.onsets = onsets_of(cls.samples, cls.rate)
        cls.errors_ms, cls.jumps, cls.missing = [], 0, len(cls.audible)
        if cls.audible and cls.onsets:
            cls.errors_ms, cls.jumps, cls.missing = match_onsets(cls.onsets, cls.audible, cls.rate)
            magnitudes = [abs(e) for e in cls.errors_ms] or [0.0]
            print("onset error against the schedule: %d tones, median %.4f ms, p99 %.4f ms, max %.4f ms; "
                  "%d dropouts, %d tones not heard"
                  % (len(cls.audible), percentile(magnitudes, 0.5), percentile(magnitudes, 0.99),
                     max(magnitudes), cls.jumps, cls.missing))

    # On a machine loaded far beyond its processors, the timer thread can report a step later than
    # the voice's latency (the tone then starts late, and is counted), and the sound server can
    # drop out; so the checks ask for most tones, not all. A wrong schedule, a wrong pitch or
    # silence fails every tone.

    def test_every_audible_tone_is_heard(self):
        self.assertGreaterEqual(len(self.audible), 8, "too few audible tones were logged")
        self.assertLessEqual(self.missing, 0.2 * len(self.audible), "tones with no onset near their place")

    def test_onsets_keep_the_engines_schedule(self):
        # To the sample: a tone lands exactly its due time after the one before.
        self.assertGreaterEqual(len(self.errors_ms), 0.6 * len(self.audible),
                                "%d of %d tones off the schedule" % (self.jumps, len(self.audible)))
        self.assertLessEqual(max([abs(e) for e in self.errors_ms] or [0.0]), 0.1)

    def test_pitches_are_the_speakers(self):
        checked = 0
        for tone in self.audible:
            predicted = min(self.onsets, key=lambda o: abs(o - self.onsets[0] - (tone["due_ms"] - self.audible[0]["due_ms"]) * self.rate / 1000.0))
            length = int(tone["length_ms"] * self.rate / 1000)
            heard = measured_frequency(self.samples, predicted, min(length, len(self.samples) - predicted), self.rate)
            if heard is None:
                continue  # fewer than four cycles, or a dropout: too little to tell a pitch
            expected = speaker_frequency(tone["note"])
            if abs(heard - expected) <= expected * 0.005:
                checked += 1
        self.assertGreaterEqual(checked, 0.6 * sum(1 for t in self.audible
                                                   if t["length_ms"] * speaker_frequency(t["note"]) >= 5000))


def main():
    recording, log, rate = sys.argv[1], sys.argv[2], int(sys.argv[3])
    samples = array.array("h")
    with open(recording, "rb") as raw:
        samples.frombytes(raw.read())
    if sys.byteorder != "little":
        samples.byteswap()
    Recording.samples, Recording.tones, Recording.rate = samples, read_tones(log), rate
    unittest.main(argv=[sys.argv[0], "-v"])


if __name__ == "__main__":
    main()
