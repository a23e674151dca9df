"""Checks a capture of the Windows program playing a pure tone, then a volume change, then
Stop, against samples computed here independently of the program.

Usage: check_tone_capture.py CAPTURE HZ AMPLITUDE NEW_AMPLITUDE PLAY_AT VOLUME_AT STOP_AT
(the last three: capture frames when Play, the slider and Stop were clicked)."""
import array
import math
import sys

RATE = 44100
PHASE_STEP = 0.00014247585730565955


def block(hz, amplitude):
    """One second of the tone as the program must play it: 0.5 x A x sin(n k F), truncated."""
    return array.array("h", (int(0.5 * amplitude * math.sin((n * PHASE_STEP) * hz))
                             for n in range(RATE)))


def fail(message):
    sys.exit("FAIL: " + message)


def find_block(left, expected, start):
    """Where the whole block starts in the channel at or after `start`, or -1."""
    needle = expected.tobytes()
    haystack = left.tobytes()
    at = haystack.find(needle, start * 2)
    while at >= 0 and at % 2 != 0:
        at = haystack.find(needle, at + 1)
    return at // 2 if at >= 0 else -1


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

    before = block(hz, amp)
    first = find_block(left, before, play_at)
    if first < 0 or first > volume_at:
        fail(f"no whole second of the {hz} Hz tone at amplitude {amp} after Play")
    if first + 2 * RATE <= volume_at and left[first + RATE:first + 2 * RATE] != before:
        fail("the second block does not continue the tone")

    after = block(hz, new_amp)
    flushed = find_block(left, after, first + RATE)
    if flushed < 0 or flushed > stop_at:
        fail(f"no block at the new amplitude {new_amp} after the slider moved")
    # One block, then the pause: the rest of the 2 s with nothing queued.
    gap_end = flushed + RATE
    while gap_end < len(left) and left[gap_end] == 0:
        gap_end += 1
    gap = (gap_end - flushed - RATE) / RATE
    if not 0.5 <= gap <= 1.5:
        fail(f"after the first new block {gap:.2f} s of silence, not about 1 s")
    if find_block(left, after, gap_end - 1) != gap_end - 1:
        fail("the tone does not resume at the new amplitude after the pause")
    silent_from = stop_at + RATE // 2
    if len(left) - silent_from < RATE // 2 or any(left[silent_from:]):
        fail("not silent after Stop")
    print(f"tone from frame {first}, volume block at {flushed}, pause {gap:.3f} s, "
          f"silent after Stop")


main()
