"""Soak of the save road: posts of a 1000 x 1000 drawing with an animation
part, one after another, each replacing the last (overwrite question off).
Prints the program's resident memory and open descriptors along the way and
the median time from the last body byte to the reply's status line; fails
when memory or descriptors keep growing or a post is not saved.

Usage: soak_save.py path/to/sketchhaven [posts]"""

import os
import statistics
import sys
import time

import road


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def open_descriptors(pid):
    return len(os.listdir("/proc/%d/fd" % pid))


def main():
    road.PROGRAM = os.path.abspath(sys.argv[1])
    posts = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    picture = road.many_coloured_picture(1000, 1000)
    body = road.record_body(b"P", picture, road.animation_record(200000))
    program = road.Program(OptionFlag=22, SaveFile="000")
    try:
        pid = program.process.pid
        times, samples = [], []
        for i in range(posts):
            status, _, reply, seconds = program.post(body)
            if status != 200 or road.saved_lines(reply) != [road.expected_line(program.saved, n)
                                                             for n in ("000.png", "000.pch")]:
                print("post %d not saved: %r" % (i, reply[:200]))
                return 1
            times.append(seconds)
            if i % 20 == 0 or i == posts - 1:
                time.sleep(0.2)  # lets the server close the connection it has just answered
                samples.append((i + 1, resident_kib(pid), open_descriptors(pid)))
        print("body %d bytes (picture %d, animation 200000), %d posts" % (len(body), len(picture), posts))
        for n, rss, fds in samples:
            print("after %3d posts: RSS %6d KiB, open descriptors %d" % (n, rss, fds))
        print("last body byte to reply: median %.1f ms, min %.1f ms, max %.1f ms"
              % (statistics.median(times) * 1000, min(times) * 1000, max(times) * 1000))
        # The first sample holds the allocator's first high-water mark;
        # steadiness is judged after it.
        settled = samples[1:]
        growth = max(s[1] for s in settled) - min(s[1] for s in settled) if settled else 0
        descriptors = sorted({s[2] for s in settled})
        print("after the first sample: RSS spread %d KiB, descriptor counts %s" % (growth, descriptors))
        return 0 if growth < 8 * 1024 and len(descriptors) <= 1 else 1
    finally:
        program.stop()


if __name__ == "__main__":
    sys.exit(main())
