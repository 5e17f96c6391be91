"""Runs kestrelbox-render on crafted settings files and reads what it wrote with readers of its
own: Python's wave module and mido, an independent MIDI reader.

    check_render.py PATH/TO/kestrelbox-render"""
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import wave

import mido

RENDER = None
STEP_MS = 1000.0 / (126.0 * struct.unpack("f", struct.pack("f", 0.06666667))[0])


def settings_file(path, tempo=126.0, steps=4, mute=0, transpose=0, measures=None, edit=0):
    """A format 2.001 settings file. measures: {index: (next, repeat, [(note, length, on), ...])};
    unnamed measures loop by themselves with every step off."""
    out = struct.pack("<fhdihhiI", 2.001, 0, tempo, 0, 1, edit, mute, 0)
    for m in range(8):
        nxt, repeat, cells = (measures or {}).get(m, (m, 1, []))
        out += struct.pack("<hh", nxt, repeat)
        for k in range(16):
            note, length, on = cells[k] if k < len(cells) else (0, 64, 0)
            out += struct.pack("<6h", note, 0, 0, 0, length, on)
    out += struct.pack("<iiiihh", 0, 0, steps, 0, 80, transpose)
    assert len(out) == 1618
    with open(path, "wb") as f:
        f.write(out)


def run(*args):
    return subprocess.run([RENDER, *args], capture_output=True, text=True)


class Render(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.setup = os.path.join(self.dir.name, "song.kb")
        self.wav = os.path.join(self.dir.name, "out.wav")
        self.mid = os.path.join(self.dir.name, "out.mid")

    def tearDown(self):
        self.dir.cleanup()

    def test_midi_read_back_by_an_independent_reader(self):
        # Measure 0 (two passes) then 1, then back to 0: one pass is 0, 0, 1.
        cells0 = [(0, 64, 1), (7, 127, 1), (0, 64, 0), (90, 10, 1)]
        cells1 = [(-12, 32, 1), (2, 64, 1), (3, 64, 1), (4, 64, 1)]
        settings_file(self.setup, transpose=2, measures={0: (1, 2, cells0), 1: (0, 1, cells1)})
        result = run(self.setup, "--midi", self.mid)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(result.stderr.endswith(" notes, 1 pass\n"), result.stderr)
        midi = mido.MidiFile(self.mid)
        self.assertEqual(midi.type, 0)
        self.assertEqual(len(midi.tracks), 1)
        tempos = [m.tempo for m in midi.tracks[0] if m.type == "set_tempo"]
        self.assertEqual(tempos, [round(60e6 / 126.0)])
        seconds, ons = 0.0, []
        for message in midi:  # times in seconds, by the file's own tempo
            seconds += message.time
            if message.type == "note_on" and message.velocity > 0:
                ons.append((round(seconds * 1000.0, 1), message.note, message.velocity))
        # Engine note = offset + transpose + 60, clamped; MIDI key = note + 26, folded by octaves.
        expected_keys = [88, 95, 117] * 2 + [76, 90, 91, 92]
        self.assertEqual([k for _, k, _ in ons], expected_keys)
        self.assertEqual([v for _, _, v in ons][:3], [96, 127, 69])
        steps = [0, 1, 3, 4, 5, 7, 8, 9, 10, 11]
        for (ms, _, _), k in zip(ons, steps):
            self.assertAlmostEqual(ms, k * STEP_MS, delta=0.6)  # one tick is 0.25 ms

    def test_wav_holds_the_schedule_to_the_sample(self):
        cells = [(0, 64, 1), (0, 64, 1), (0, 64, 0), (12, 127, 1)]
        settings_file(self.setup, measures={0: (0, 1, cells)})
        result = run(self.setup, self.wav, "--passes", "2", "--rate", "48000")
        self.assertEqual(result.returncode, 0, result.stderr)
        with wave.open(self.wav) as w:
            self.assertEqual((w.getnchannels(), w.getsampwidth(), w.getframerate()), (1, 2, 48000))
            frames = w.readframes(w.getnframes())
            self.assertEqual(w.getnframes(), round(8 * STEP_MS * 48))
        samples = struct.unpack("<%dh" % (len(frames) // 2), frames)
        for k in (0, 1, 3, 4, 5, 7):
            start = round(k * STEP_MS * 48)
            self.assertEqual(samples[start - 1], 0, "step %d" % k)
            self.assertEqual(samples[start], 8000, "step %d" % k)
        self.assertEqual(max(samples[round(2 * STEP_MS * 48):round(3 * STEP_MS * 48)]), 0, "an off step")

    def test_bad_inputs_fail_clearly_and_leave_no_file(self):
        missing = run(os.path.join(self.dir.name, "none.kb"), self.wav)
        self.assertEqual(missing.returncode, 1)
        self.assertIn("was not found", missing.stderr)
        settings_file(self.setup)
        with open(self.setup, "rb") as f:
            whole = f.read()
        with open(self.setup, "wb") as f:
            f.write(whole[:900])
        cut = run(self.setup, self.wav)
        self.assertEqual(cut.returncode, 1)
        self.assertIn("cut short", cut.stderr)
        with open(self.setup, "wb") as f:
            f.write(b"RIFF" + bytes(2000))
        foreign = run(self.setup, self.wav, "--midi", self.mid)
        self.assertEqual(foreign.returncode, 1)
        self.assertIn("not a settings file", foreign.stderr)
        usage = run(self.setup, self.wav, "--rate", "5")
        self.assertEqual(usage.returncode, 2)
        self.assertIn("usage:", usage.stderr)
        asked = run("--help")  # the usage alone, on the standard output, and no error
        self.assertEqual((asked.returncode, asked.stderr), (0, ""))
        self.assertTrue(asked.stdout.startswith("usage: kestrelbox-render SETUP"), asked.stdout)
        self.assertEqual(os.listdir(self.dir.name), ["song.kb"])

    def test_a_chain_that_never_ends_stops_at_the_limit(self):
        settings_file(self.setup, steps=16, tempo=60.0, measures={0: (0, 1, [(0, 64, 1)] * 16)})
        result = run(self.setup, self.wav, "--seconds", "3")
        self.assertEqual(result.returncode, 0, result.stderr)
        with wave.open(self.wav) as w:
            self.assertEqual(w.getnframes(), 3 * 44100)


if __name__ == "__main__":
    RENDER = sys.argv[1]
    unittest.main(argv=[sys.argv[0], "-v"])
