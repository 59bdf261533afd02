#!/usr/bin/env python3
"""The injector on byte-flipped copies of real FLV files: how many results fail
`flvmeta --check`, and how many ffprobe, ffmpeg or libmpv read worse than the copy the
injector was given. Prints figures and asserts nothing.

Usage: damage_survey.py INJECTOR MEDIA_DIR [COPIES] [SEED]
"""
import ctypes
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile

CLIPS = ["h264_aac.flv", "sample.flv", "flv1_mp3.flv", "long.flv", "video640.flv", "flv1_silent.flv"]


def run(args):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)


def ffprobe_view(path):
    """Streams as ffprobe sees them: (type, codec, width, height); None when it cannot open."""
    r = run(["ffprobe", "-v", "error", "-of", "json", "-show_entries",
             "stream=codec_type,codec_name,width,height", path])
    if r.returncode != 0:
        return None
    streams = json.loads(r.stdout or b"{}").get("streams", [])
    return sorted((s.get("codec_type") or "", s.get("codec_name") or "", s.get("width", 0), s.get("height", 0)) for s in streams)


def decoded_frames(path):
    """Frames ffmpeg decodes per stream type; errors are counted, not fatal."""
    r = run(["ffmpeg", "-v", "quiet", "-nostdin", "-i", path, "-f", "null", "-progress", "pipe:1", "-"])
    frames = 0
    for line in r.stdout.decode(errors="replace").splitlines():
        if line.startswith("frame="):
            frames = int(line.split("=")[1] or 0)
    return frames


class Mpv:
    """libmpv without output: does it load the file, and with which tracks."""

    def __init__(self):
        self.lib = ctypes.CDLL("libmpv.so.2")
        self.lib.mpv_create.restype = ctypes.c_void_p
        self.lib.mpv_wait_event.restype = ctypes.POINTER(ctypes.c_int)
        self.lib.mpv_wait_event.argtypes = [ctypes.c_void_p, ctypes.c_double]
        self.lib.mpv_get_property_string.restype = ctypes.c_void_p
        self.lib.mpv_get_property_string.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
        self.lib.mpv_free.argtypes = [ctypes.c_void_p]
        self.lib.mpv_set_option_string.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p]
        self.lib.mpv_initialize.argtypes = [ctypes.c_void_p]
        self.lib.mpv_command.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p)]
        self.lib.mpv_terminate_destroy.argtypes = [ctypes.c_void_p]

    def tracks(self, path):
        h = self.lib.mpv_create()
        for k, v in (("vo", "null"), ("ao", "null"), ("pause", "yes"), ("terminal", "no")):
            self.lib.mpv_set_option_string(h, k.encode(), v.encode())
        self.lib.mpv_initialize(h)
        cmd = (ctypes.c_char_p * 3)(b"loadfile", path.encode(), None)
        self.lib.mpv_command(h, cmd)
        result = None
        for _ in range(200):
            ev = self.lib.mpv_wait_event(h, 0.1)
            eid = ev.contents.value
            if eid == 8:  # file loaded
                p = self.lib.mpv_get_property_string(h, b"track-list")
                tl = json.loads(ctypes.string_at(p).decode()) if p else []
                if p:
                    self.lib.mpv_free(p)
                result = sorted((t.get("type") or "", t.get("codec") or "", t.get("demux-w", 0), t.get("demux-h", 0)) for t in tl)
                break
            if eid == 7:  # end of file before it loaded: not opened
                break
        self.lib.mpv_terminate_destroy(h)
        return result


def tag_offsets(data):
    offs, at = [], 13
    while at + 11 <= len(data):
        offs.append(at)
        at += 11 + int.from_bytes(data[at + 1:at + 4], "big") + 4
    return offs


def flip(data, rng, count):
    """A few bytes flipped past the file header. Flips inside a payload rarely matter to
    a container tool, so half of them hit a tag header or the first bytes of a tag's data
    (codec flags, AVC packet type, sequence headers), where readers trip."""
    b = bytearray(data)
    tags = tag_offsets(data)
    for _ in range(count):
        if rng.random() < 0.5:
            at = min(rng.choice(tags[:8] if rng.random() < 0.3 else tags) + rng.randrange(16), len(b) - 1)
        else:
            at = rng.randrange(13, len(b))
        b[at] ^= 1 << rng.randrange(8) if rng.random() < 0.5 else 0xFF
    return bytes(b)


def readability(path, mpv):
    return {"probe": ffprobe_view(path), "mpv": mpv.tracks(path), "frames": decoded_frames(path)}


def worse(before, after):
    """What a reader loses: a file it opened and no longer opens, an audio or video
    stream or a picture size it saw and no longer sees, or fewer decoded frames."""
    why = []
    for reader in ("probe", "mpv"):
        b, a = before[reader], after[reader]
        # What counts is audio at all, and video with its picture size: streams of script
        # data (a damaged onMetaData read as text) are not media, and a second stream of
        # a kind that one damaged flags byte made up is not one the file holds.
        def kinds(streams):
            return {(s[0], s[2], s[3]) for s in streams or [] if s[0] in ("video", "audio") and s[1] not in ("", "unknown")}
        def kept(kind, out):  # a size the input did not give is no loss
            return any(o[0] == kind[0] and (kind[1] == 0 or o[1:] == kind[1:]) for o in out)
        if b is not None and (a is None or not all(kept(k, kinds(a)) for k in kinds(b))):
            why.append(reader)
    if after["frames"] < before["frames"]:
        why.append("frames %d<%d" % (after["frames"], before["frames"]))
    return why


def main():
    injector, media = sys.argv[1], sys.argv[2]
    copies = int(sys.argv[3]) if len(sys.argv) > 3 else 60
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 11)
    mpv = Mpv()
    work = tempfile.mkdtemp(prefix="fmd-survey-")
    totals = {"written": 0, "refused": 0, "check_fail": 0, "check_fail_input": 0, "worse": 0}
    for i in range(copies):
        clip = CLIPS[i % len(CLIPS)]
        data = flip(open(os.path.join(media, clip), "rb").read(), rng, rng.randint(1, 4))
        path = os.path.join(work, "c%02d.flv" % i)
        open(path, "wb").write(data)
        keep = path + ".in"
        shutil.copyfile(path, keep)
        before = readability(keep, mpv)
        rc = run([injector, path]).returncode
        same = open(path, "rb").read() == data
        totals["written" if rc == 0 else "refused"] += 1
        check_in = run(["flvmeta", "--check", "-q", keep]).returncode == 0
        check = run(["flvmeta", "--check", "-q", path]).returncode == 0
        totals["check_fail_input"] += not check_in
        totals["check_fail"] += not check
        after = readability(path, mpv)
        lost = worse(before, after)
        totals["worse"] += bool(lost)
        print("%2d %-16s rc=%d %s check in/out %s/%s %s" % (
            i, clip, rc, "unchanged" if same else "rewritten", "ok" if check_in else "FAIL",
            "ok" if check else "FAIL", ("WORSE: " + ", ".join(lost)) if lost else ""))
        if rc != 0 and not same:
            print("   refused but the file changed!")
    if os.environ.get("FMD_SURVEY_KEEP"):
        print("copies kept in", work)
    else:
        shutil.rmtree(work)
    print("\n%d copies: %d rewritten, %d refused; flvmeta --check fails on %d inputs, %d results; "
          "%d results read worse than their input" % (copies, totals["written"], totals["refused"],
                                                      totals["check_fail_input"], totals["check_fail"], totals["worse"]))


if __name__ == "__main__":
    main()
