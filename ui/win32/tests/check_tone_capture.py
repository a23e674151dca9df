"""Checks a capture of the Windows program playing a pure tone, then a volume change, then
Stop, against samples computed here independently of the program.

Usage: check_tone_capture.py CAPTURE HZ AMPLITUDE NEW_AMPLITUDE PLAY_AT VOLUME_AT STOP_AT
(the last three: capture frames when Play, the slider and Stop were clicked).

On a busy machine Wine now and then misses its turn to feed the sound server, which then
plays a few milliseconds of silence. So exactness is checked on whole blocks that came
through untouched, and the volume change's pattern only on stretches of silence far longer
than such a gap."""
import array
import math
import sys

RATE = 44100
PHASE_STEP = 0.00014247585730565955
LONG_SILENCE = RATE * 3 // 10  # 0.3 s: no missed turn of Wine's is anywhere near as long


def block(hz, amplitude):
    """One second of the tone as the program must play it: 0.5 x A x sin(n k F), truncated."""
    return array.array("h", (int(0.5 * amplitude * math.sin((n * PHASE_STEP) * hz))
                             for n in range(RATE)))


def fail(message):
    sys.exit("FAIL: " + message)


def find_block(channel, expected, start, end):
    """Where a whole block starts in channel[start:end], or -1."""
    at = channel[start:end].tobytes().find(expected.tobytes())
    while at >= 0 and at % 2 != 0:
        at = channel[start:end].tobytes().find(expected.tobytes(), at + 1)
    return start + at // 2 if at >= 0 else -1


def block_start(channel, expected, start, end):
    """Where the block first begins in channel[start:end], or -1. A tone of whole tens of Hz
    repeats every 0.1 s, so its first 10 ms mark each 0.1 s step; should a gap of silence have
    cut into the block's first, this finds the next step."""
    return find_block(channel, expected[:RATE // 100], start, end)


def silence_from(channel, start):
    """The first stretch of at least LONG_SILENCE zeros at or after start: (begin, end)."""
    i = start
    while i < len(channel):
        if channel[i] != 0:
            i += 1
            continue
        j = i
        while j < len(channel) and channel[j] == 0:
            j += 1
        if j - i >= LONG_SILENCE:
            return i, j
        i = j
    return -1, -1


def main():
    path, hz, amp, new_amp, play_at, volume_at, stop_at = sys.argv[1:]
    hz, amp, new_amp = int(hz), int(amp), int(new_amp)
    play_at, volume_at, stop_at = int(play_at), int(volume_at), int(stop_at)
    frames = array.array("h")
    with open(path, "rb") as f:
        frames.frombytes(f.read())
    left, right = frames[0::2], frames[1::2]
    if left != right:
        fail("left and right differ")

    before, after = block(hz, amp), block(hz, new_amp)
    if find_block(left, before, play_at, volume_at + RATE) < 0:
        fail(f"no whole second of the {hz} Hz tone at amplitude {amp} after Play")
    if find_block(left, after, volume_at, stop_at + RATE) < 0:
        fail(f"no whole second of the tone at the new amplitude {new_amp}")

    # The flush, then one block at the new amplitude, then a pause of about the rest of the
    # 2 s with nothing queued, then the tone again.
    # The click's frame count is read a moment after the click: the block may come before it.
    first = block_start(left, after, max(play_at, volume_at - RATE // 2), stop_at)
    if first < 0:
        fail("the new amplitude never starts")
    gap_begin, gap_end = silence_from(left, first)
    if gap_begin < 0 or gap_begin > stop_at:
        fail("no pause after the volume change")
    played = (gap_begin - first) / RATE
    gap = (gap_end - gap_begin) / RATE
    if not 0.8 <= played <= 1.2:
        fail(f"{played:.2f} s at the new amplitude before the pause, not one block")
    if not 0.5 <= gap <= 1.5:
        fail(f"a pause of {gap:.2f} s after the first new block, not about 1 s")
    if block_start(left, after, gap_end - 1, gap_end + RATE) < 0:
        fail("the tone does not resume at the new amplitude after the pause")

    silent_from = stop_at + RATE // 2
    if len(left) - silent_from < RATE // 2 or any(left[silent_from:]):
        fail("not silent after Stop")
    print(f"new amplitude from frame {first}: {played:.3f} s, then {gap:.3f} s silent; "
          "silent after Stop")


main()
