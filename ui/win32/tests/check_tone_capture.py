"""Checks a capture of the Windows program playing a pure tone, then a volume change, then
Stop, against samples computed here independently of the program.

Usage: check_tone_capture.py CAPTURE HZ AMPLITUDE NEW_AMPLITUDE PLAY_AT VOLUME_AT STOP_AT
(the last three: capture frames when Play, the slider and Stop were clicked).

On a busy machine Wine now and then misses its turn to feed the sound server, which then
plays a few milliseconds of silence, so exactness is checked on whole blocks that came
through untouched."""
import array
import math
import sys

RATE = 44100
PHASE_STEP = 0.00014247585730565955


def block(hz, amplitude):
    """One second of the tone as the program must play it: 0.5 x A x sin(n k F), truncated."""
    return array.array("h", (int(0.5 * amplitude * math.sin((n * PHASE_STEP) * hz))
                             for n in range(RATE))).tobytes()


def find(channel, expected, start, end):
    """The frame where expected starts in channel[start:end], or -1."""
    data = channel[max(start, 0):end].tobytes()
    at = data.find(expected)
    while at >= 0 and at % 2 != 0:
        at = data.find(expected, at + 1)
    return max(start, 0) + at // 2 if at >= 0 else -1


def main():
    path = sys.argv[1]
    hz, amp, new_amp, play_at, volume_at, stop_at = map(int, sys.argv[2:])
    frames = array.array("h")
    with open(path, "rb") as f:
        frames.frombytes(f.read())
    left = frames[0::2]
    errors = []
    if left != frames[1::2]:
        errors.append("left and right differ")
    if find(left, block(hz, amp), play_at, volume_at + RATE) < 0:
        errors.append(f"no whole second of the {hz} Hz tone at amplitude {amp} after Play")
    after = block(hz, new_amp)
    if find(left, after, volume_at, stop_at + RATE) < 0:
        errors.append(f"no whole second of the tone at the new amplitude {new_amp}")
    # The slider flushes what was queued: the new amplitude starts at once, not after the two
    # blocks the device held. A tone of whole tens of Hz repeats every 0.1 s, so its first
    # 10 ms mark a block's start. The click's frame count is read a moment after the click.
    first = find(left, after[:RATE // 50], volume_at - RATE // 2, volume_at + RATE * 7 // 10)
    if first < 0:
        errors.append("the new amplitude did not start within 0.7 s of the slider's click")
    silent_from = stop_at + RATE // 2
    if len(left) - silent_from < RATE // 2 or any(left[silent_from:]):
        errors.append("not silent after Stop")
    if errors:
        sys.exit("FAIL: " + "; ".join(errors))
    print(f"tone exact; new amplitude {(first - volume_at) / RATE:+.2f} s from the click; "
          "silent after Stop")


main()
