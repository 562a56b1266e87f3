#!/usr/bin/python3
"""Reads the recordings vidmill_test wrote, with tools that are not ours.

For every line of recordings.jsonl: ffprobe gives codec, size, rate and the
frame count; ffmpeg decodes every frame, which numpy compares with the picture
the test drew (frame_pattern.h), cropped by the clip; the frame numbers must
follow the stamps on a constant rate (gaps repeat the previous frame). A RIFF
walk checks every chunk, both indexes and the header counts. A line with
"tone" also has a PCM stream whose length and pitch are checked."""
import json
import os
import struct
import subprocess
import sys

import numpy as np

failures = []


def fail(name, text):
    failures.append(f"{name}: {text}")


def pattern(width, height, number):
    x = np.arange(width)
    y = np.arange(height)
    img = np.empty((height, width, 3), np.uint8)
    img[:, :, 0] = (x * 255 // (width - 1))[None, :]
    img[:, :, 1] = (y * 255 // (height - 1))[:, None]
    img[:, :, 2] = 128
    band = (y % 64) < 16
    xs = np.arange(min(width, 256))
    bits = ((number >> (xs // 16)) & 1) * 255
    img[np.ix_(band, xs)] = bits[None, :, None].astype(np.uint8)
    return img  # B, G, R rows from the top


def clamp_clip(entry):
    w, h = entry["width"], entry["height"]
    if "clip" not in entry:
        return 0, 0, w, h
    l, t, r, b = entry["clip"]
    l, t, r, b = max(l, 0), max(t, 0), min(r, w), min(b, h)
    if r <= l or b <= t:
        return 0, 0, w, h
    return l, t, r, b


def expected_numbers(frames, fps):
    """Frame k shows the first frame placed at k, or repeats the one before."""
    first = frames[0][1]
    out = []
    for number, stamp in frames:
        place = int(np.floor((stamp - first) * fps / 1000.0 + 0.5))
        if place < len(out):
            continue
        while len(out) < place:
            out.append(out[-1])
        out.append(number)
    return out


def ffprobe(path):
    text = subprocess.run(
        ["ffprobe", "-v", "error", "-count_frames", "-show_streams", "-show_format", "-of", "json", path],
        check=True, capture_output=True, text=True).stdout
    return json.loads(text)


def decode(path, width, height):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:v:0", "-f", "rawvideo",
                          "-pix_fmt", "bgr24", "-"], check=True, capture_output=True).stdout
    return np.frombuffer(raw, np.uint8).reshape(-1, height, width, 3)


def read_number(frame, left, top):
    """The frame number from the first whole band inside the crop."""
    h, w, _ = frame.shape
    for y0 in range(0, top + h, 64):
        if y0 >= top and y0 + 16 <= top + h and left == 0 and w >= 256:
            band = frame[y0 - top:y0 - top + 16, :256].astype(int).mean(axis=(0, 2))
            return sum(1 << k for k in range(16) if band[k * 16 + 4:k * 16 + 12].mean() > 128)
    return None


def riff_walk(name, path, entry, probe_frames):
    size = os.path.getsize(path)
    with open(path, "rb") as f:
        data_at = lambda off, n: (f.seek(off), f.read(n))[1]
        pos = 0
        riffs = []
        while pos < size:
            tag, length, form = struct.unpack("<4sI4s", data_at(pos, 12))
            if tag != b"RIFF":
                return fail(name, f"no RIFF at {pos}")
            riffs.append((pos, form, length))
            pos += 8 + length + (length & 1)
        if pos != size:
            return fail(name, f"RIFF sizes end at {pos}, file has {size}")
        if riffs[0][1] != b"AVI " or any(r[1] != b"AVIX" for r in riffs[1:]):
            return fail(name, f"RIFF forms {[r[1] for r in riffs]}")

        def children(start, end):
            p = start
            while p < end:
                cid, clen = struct.unpack("<4sI", data_at(p, 8))
                if p + 8 + clen > end:
                    raise ValueError(f"chunk {cid} at {p} runs past its parent")
                yield cid, p, clen
                p += 8 + clen + (clen & 1)

        movi = []
        strl = []
        total_frames = None
        idx1 = None
        for i, (rpos, form, rlen) in enumerate(riffs):
            for cid, p, clen in children(rpos + 12, rpos + 8 + rlen):
                kind = data_at(p + 8, 4) if cid == b"LIST" else None
                if kind == b"movi":
                    movi.append((p + 8, p + 8 + clen))
                    for sub, sp, slen in children(p + 12, p + 8 + clen):
                        pass  # every chunk inside lies inside the list
                elif kind == b"hdrl":
                    for sub, sp, slen in children(p + 12, p + 8 + clen):
                        skind = data_at(sp + 8, 4)
                        if sub == b"LIST" and skind == b"strl":
                            strl.append({c: (cp, cl) for c, cp, cl in children(sp + 12, sp + 8 + slen)})
                        if sub == b"LIST" and skind == b"odml":
                            for c, cp, cl in children(sp + 12, sp + 8 + slen):
                                if c == b"dmlh":
                                    total_frames = struct.unpack("<I", data_at(cp + 8, 4))[0]
                elif cid == b"idx1":
                    idx1 = (p + 8, clen)
        if total_frames != probe_frames:
            fail(name, f"dmlh says {total_frames} frames, ffprobe counted {probe_frames}")
        streams = []
        for s in strl:
            strh = data_at(s[b"strh"][0] + 8, 56)
            kind = strh[:4]
            length = struct.unpack("<I", strh[32:36])[0]
            indx = data_at(s[b"indx"][0] + 8, s[b"indx"][1])
            per, sub, itype, used, chunk = struct.unpack("<HBBI4s", indx[:12])
            count = 0
            for k in range(used):
                off, isize, dur = struct.unpack("<QII", indx[24 + 16 * k:40 + 16 * k])
                ix = data_at(off, isize)
                ixid, ixlen, iper, isub, itype2, iused, ichunk, base = struct.unpack("<4sIHBBI4sQ", ix[:28])
                if ixid[:2] != b"ix" or ixlen + 8 != isize or itype2 != 1 or ichunk != chunk:
                    fail(name, f"standard index {k} of {chunk} is wrong: {ixid} {ixlen} {itype2} {ichunk}")
                    break
                for e in range(iused):
                    doff, dsize = struct.unpack("<II", ix[32 + 8 * e:40 + 8 * e])
                    hid, hlen = struct.unpack("<4sI", data_at(base + doff - 8, 8))
                    if hid != chunk or hlen != dsize & 0x7FFFFFFF:
                        fail(name, f"index entry {e} of {ixid} points at {hid} {hlen}")
                        break
                    if not any(a <= base + doff < b for a, b in movi):
                        fail(name, f"index entry {e} of {ixid} outside every movi list")
                        break
                    count += (dsize & 0x7FFFFFFF) if kind == b"auds" else 1
                if kind == b"vids" and dur != iused:
                    fail(name, f"super index entry {k} says {dur} frames, its index holds {iused}")
            if kind == b"auds":
                block = struct.unpack("<H", data_at(s[b"strf"][0] + 8 + 12, 2))[0]
                count //= block
            if count != length:
                fail(name, f"{kind} header length {length}, indexes hold {count}")
            streams.append((kind, chunk, length))
        if idx1 is None:
            return fail(name, "no idx1")
        movi0 = movi[0][0]
        raw = data_at(idx1[0], idx1[1])
        for e in range(idx1[1] // 16):
            cid, flags, off, isize = struct.unpack("<4sIII", raw[16 * e:16 * e + 16])
            hid, hlen = struct.unpack("<4sI", data_at(movi0 + off, 8))
            if hid != cid or hlen != isize:
                return fail(name, f"idx1 entry {e} points at {hid} {hlen}")
        return streams


def check_audio(name, path, entry, probe, video_seconds):
    audio = [s for s in probe["streams"] if s["codec_type"] == "audio"]
    if not audio:
        return fail(name, "no audio stream")
    a = audio[0]
    if a["codec_name"] != "pcm_s16le":
        fail(name, f"audio codec {a['codec_name']}")
    rate = int(a["sample_rate"])
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a:0", "-f", "s16le", "-ac", "1", "-"],
                         check=True, capture_output=True).stdout
    pcm = np.frombuffer(raw, np.int16).astype(float)
    seconds = len(pcm) / rate
    if abs(seconds - video_seconds) > 1.0 / rate + 0.001:
        fail(name, f"sound lasts {seconds:.4f} s, picture {video_seconds:.4f} s")
    loud = (np.abs(pcm) > 100).mean()
    if loud < 0.9:
        fail(name, f"only {loud:.0%} of the sound is the tone, the rest silence")
    spectrum = np.abs(np.fft.rfft(pcm * np.hanning(len(pcm))))
    peak = np.argmax(spectrum[1:]) + 1
    peak_hz = peak * rate / len(pcm)
    if abs(peak_hz - entry["tone"]) > max(2.0, 2 * rate / len(pcm)):
        fail(name, f"sound peaks at {peak_hz:.1f} Hz, the tone is {entry['tone']} Hz")


def check_fake_camera(name, path, entry, probe):
    """A capture test's fake device paints blue x, green y from the top and
    red the frame number (low bytes): every frame upright, in order."""
    video = [s for s in probe["streams"] if s["codec_type"] == "video"][0]
    w, h = entry["width"], entry["height"]
    if (video["width"], video["height"]) != (w, h):
        return fail(name, f"size {video['width']} x {video['height']}, wanted {w} x {h}")
    counted = int(video["nb_read_frames"])
    if counted < entry["min_frames"]:
        return fail(name, f"{counted} frames, at least {entry['min_frames']} were recorded")
    riff_walk(name, path, entry, counted)
    decoded = decode(path, w, h)
    if len(decoded) != counted:
        return fail(name, f"ffmpeg decoded {len(decoded)} frames, ffprobe counted {counted}")
    x = (np.arange(w) & 255)[None, :]
    y = (np.arange(h) & 255)[:, None]
    numbers = []
    for k, got in enumerate(decoded):
        if not (got[:, :, 0] == x).all() or not (got[:, :, 1] == y).all():
            return fail(name, f"frame {k} is not the device's picture upright")
        if (got[:, :, 2] != got[0, 0, 2]).any():
            return fail(name, f"frame {k} mixes two frames")
        numbers.append(int(got[0, 0, 2]))
    steps = np.diff(numbers) % 256
    if (steps > 16).any():
        return fail(name, f"frame numbers out of order: {numbers}")


def check(entry):
    name = entry["file"]
    path = name
    if not os.path.exists(path):
        return fail(name, "missing")
    probe = ffprobe(path)
    if entry.get("fake_camera"):
        return check_fake_camera(name, path, entry, probe)
    video = [s for s in probe["streams"] if s["codec_type"] == "video"][0]
    left, top, right, bottom = clamp_clip(entry)
    w, h = right - left, bottom - top
    if video["codec_name"] != entry["codec"]:
        fail(name, f"codec {video['codec_name']}, wanted {entry['codec']}")
    if (video["width"], video["height"]) != (w, h):
        return fail(name, f"size {video['width']} x {video['height']}, wanted {w} x {h}")
    num, den = map(int, video["r_frame_rate"].split("/"))
    fps = num / den
    frames = entry["frames"]
    steps = np.diff([s for _, s in frames[:8]])
    want_fps = 1000.0 / np.median(steps)
    if abs(fps - want_fps) > 0.01 * want_fps:
        fail(name, f"rate {fps:.3f}, stamps say {want_fps:.3f}")
    counted = int(video["nb_read_frames"])
    duration = float(probe["format"]["duration"])
    if abs(counted - duration * fps) > 1:
        fail(name, f"{counted} frames in {duration} s at {fps:.3f} frames a second")
    numbers = expected_numbers(frames, fps)
    if counted != len(numbers):
        fail(name, f"{counted} frames, the stamps make {len(numbers)}")
    streams = riff_walk(name, path, entry, counted)
    if "tone" in entry:
        check_audio(name, path, entry, probe, counted / fps)
    if entry.get("last_only"):
        # Seeking to the last frame goes through the OpenDML index.
        at = (counted - 1) / fps
        raw = subprocess.run(["ffmpeg", "-v", "error", "-ss", f"{at:.6f}", "-i", path, "-frames:v", "1", "-f",
                              "rawvideo", "-pix_fmt", "bgr24", "-"], check=True, capture_output=True).stdout
        last = np.frombuffer(raw, np.uint8).reshape(-1, h, w, 3)
        want = pattern(entry["width"], entry["height"], numbers[-1])[top:bottom, left:right]
        if len(last) != 1 or not np.array_equal(last[0], want):
            fail(name, f"the frame at {at:.3f} s is not the last frame, number {numbers[-1]}")
        if len(streams or []) and streams[0][2] != counted:
            fail(name, f"video header length {streams[0][2]}, {counted} frames")
        return
    decoded = decode(path, w, h)
    if len(decoded) != len(numbers):
        return fail(name, f"ffmpeg decoded {len(decoded)} frames, wanted {len(numbers)}")
    for k, (got, number) in enumerate(zip(decoded, numbers)):
        want = pattern(entry["width"], entry["height"], number)[top:bottom, left:right]
        if entry["codec"] == "rawvideo":
            if not np.array_equal(got, want):
                diff = np.argwhere(np.any(got != want, axis=2))[0]
                return fail(name, f"frame {k} (number {number}) differs first at row {diff[0]} column {diff[1]}")
        else:
            seen = read_number(got, left, top)
            if seen != number:
                return fail(name, f"frame {k} carries number {seen}, wanted {number}")
            err = np.abs(got.astype(int) - want.astype(int)).mean()
            if err > 6:
                return fail(name, f"frame {k} is {err:.1f} off the picture on average")


def main():
    try:
        lines = open("recordings.jsonl").read().splitlines()
    except FileNotFoundError:
        print("no recordings.jsonl: vidmill_test wrote nothing")
        return 1
    for line in lines:
        entry = json.loads(line)
        try:
            check(entry)
        except Exception as e:  # a checker failure is a test failure, with its reason
            fail(entry["file"], f"{type(e).__name__}: {e}")
        if entry.get("delete"):
            os.remove(entry["file"])
    for f in failures:
        print(f)
    print(f"{len(lines)} recordings checked, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
