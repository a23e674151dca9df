# Checks a capture of the Windows program playing a pure tone, then a volume change, then
# Stop, against samples computed here independently of the program.
#
# Usage: check_tone_capture.py CAPTURE HZ AMPLITUDE NEW_AMPLITUDE PLAY_AT VOLUME_AT STOP_AT
#            HEARD CAPTURE_AFTER_OUTAGE
# (PLAY_AT, VOLUME_AT, STOP_AT: capture frames when Play, the slider and Stop were clicked;
# HEARD: the seconds the program's status said it played; the last: what a second playback
# played once the sound server had come back).
#
# On a busy machine Wine now and then misses its turn to feed the sound server, which then
# plays a few milliseconds of silence, so exactness is checked on stretches that came through
# untouched.
import array
import math
import sys

RATE = 44100
PHASE_STEP = 0.00014247585730565955


# A block's first frames as the program must play them, 0.5 x A x sin(n k F) truncated, as
# 16-bit stereo with both channels alike.
def tone(hz, amplitude, frames):
    return array.array("h", (int(0.5 * amplitude * math.sin((n * PHASE_STEP) * hz))
                             for n in range(frames) for _channel in (0, 1))).tobytes()


# The frame where expected starts within frames [start, end) of the capture, or -1. A match
# off the frames' grid is taken too: for a tone of that many samples it never happens.
def find(capture, expected, start, end):
    return capture.find(expected, max(start, 0) * 4, end * 4) // 4


hz, amp, new_amp, play_at, volume_at, stop_at, heard = map(int, sys.argv[2:9])
capture, after_outage = (open(name, "rb").read() for name in (sys.argv[1], sys.argv[9]))
# The slider flushes what was queued: the new amplitude starts at once, not after the two
# blocks the device held. A tone of whole tens of Hz repeats every 0.1 s, so its first 20 ms
# mark a block's start. The click's frame count is read a moment after the click.
first = find(capture, tone(hz, new_amp, RATE // 50), volume_at - RATE // 2, volume_at + RATE * 7 // 10)
silence = capture[(stop_at + RATE // 2) * 4:]
# The tally counts what reached the output, never sound flushed by the slider or cut by Stop:
# the server's sounding 10-ms stretches, with the status's rounding down.
step = RATE // 100
sounding = sum(any(capture[n * 4:(n + step) * 4]) for n in range(play_at, len(capture) // 4, step))
errors = [message for failed, message in [
    (find(capture, tone(hz, amp, RATE), play_at, volume_at + RATE) < 0,
     f"no whole second of the {hz} Hz tone at amplitude {amp} after Play"),
    (first < 0, f"the amplitude {new_amp} did not start within 0.7 s of the slider's click"),
    (len(silence) < RATE // 2 * 4 or any(silence), "not silent after Stop"),
    (heard > sounding / 100 + 0.5, f"the status says {heard} s played, the server got {sounding / 100:.1f} s"),
    (find(after_outage, tone(hz, new_amp, RATE), 0, len(after_outage) // 4) < 0,
     f"no whole second of the tone at amplitude {new_amp} after the outage")] if failed]
if errors:
    sys.exit("FAIL: " + "; ".join(errors))
print(f"new amplitude {(first - volume_at) / RATE:+.2f} s from the click; {heard} s played")
