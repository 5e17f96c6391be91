"""Records what parec writes to its standard output: the samples go to RECORDING, and for every
chunk read one line "<seconds> <frames so far> <monotonic seconds>" goes to TIMES, the seconds on
the clock the program's performance counter counts (the host's raw monotonic clock), and on the
monotonic clock the sound server's log counts. A chunk arrives after its
samples were played, so the earliest arrivals tell how fast the sink's clock really ran.

    parec ... | record.py RECORDING TIMES FRAME_BYTES"""
import os
import sys
import time


def main():
    recording, times, frame_bytes = sys.argv[1], sys.argv[2], int(sys.argv[3])
    total = 0
    with open(recording, "wb") as samples, open(times, "w") as stamps:
        while True:
            chunk = os.read(0, 4096)
            if not chunk:
                break
            now = time.clock_gettime(time.CLOCK_MONOTONIC_RAW)
            monotonic = time.clock_gettime(time.CLOCK_MONOTONIC)
            samples.write(chunk)
            total += len(chunk)
            stamps.write("%.6f %d %.6f\n" % (now, total // frame_bytes, monotonic))


if __name__ == "__main__":
    main()
