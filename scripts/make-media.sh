#!/usr/bin/env bash
# Makes the clips that the sample run and the tests use: a few seconds each, small
# sizes, known frame counts (25 frames a second, a key frame every second).
# Usage: make-media.sh OUTDIR
set -euo pipefail
out=${1:?usage: make-media.sh OUTDIR}
mkdir -p "$out"
cd "$out"

ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
video() { echo "-f lavfi -i testsrc=size=${1:-320x240}:rate=25:duration=${2:-4}"; }
audio() { echo "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=${1:-4}"; }

make() {  # make NAME ARGS... : builds NAME once, through a temporary name
  local name=$1; shift
  [ -s "$name" ] && return 0
  local tmp=".tmp-$$-${name##*/}"
  tmp="$(dirname "$name")/$tmp.${name##*.}"
  ff "$@" "$tmp"
  mv -f "$tmp" "$name"
}

# shellcheck disable=SC2046
make flv1_mp3.flv      $(video) $(audio) -c:v flv1 -g 25 -b:v 400k -c:a libmp3lame -b:a 64k -ar 44100 -f flv
make h264_aac.flv      $(video) $(audio) -c:v libx264 -preset veryfast -g 25 -pix_fmt yuv420p -c:a aac -b:a 64k -f flv
make mpeg1_mp2.mpg     $(video 352x288) $(audio) -c:v mpeg1video -g 25 -b:v 600k -c:a mp2 -b:a 128k -f mpeg
make mpeg4_mp3.avi     $(video) $(audio) -c:v mpeg4 -g 25 -b:v 400k -c:a libmp3lame -b:a 64k -f avi
make wmv2_wma2.wmv     $(video) $(audio) -c:v wmv2 -g 25 -b:v 400k -c:a wmav2 -b:a 64k -f asf
make h264_aac.mp4      $(video) $(audio) -c:v libx264 -preset veryfast -g 25 -pix_fmt yuv420p -c:a aac -b:a 64k -movflags +faststart -f mp4
make flv1_silent.flv   $(video) -an -c:v flv1 -g 25 -b:v 400k -f flv
make video640.flv      $(video 640x480) $(audio) -c:v flv1 -g 25 -b:v 600k -c:a libmp3lame -b:a 64k -f flv
make tone.mp3          $(audio) -c:a libmp3lame -b:a 64k -f mp3
make tone.wav          $(audio) -c:a pcm_s16le -f wav
make long.flv          $(video 320x240 20) $(audio 20) -c:v flv1 -g 25 -b:v 300k -c:a libmp3lame -b:a 64k -ar 44100 -f flv
mkdir -p "中文 目录"
make "中文 目录/测试 片段.flv" $(video) $(audio) -c:v flv1 -g 25 -b:v 400k -c:a libmp3lame -b:a 64k -f flv
# The sample clip the README's run command plays.
make sample.flv        $(video 640x360 10) -f lavfi -i "sine=frequency=330:sample_rate=44100:duration=10" -c:v libx264 -preset veryfast -g 25 -pix_fmt yuv420p -c:a aac -b:a 96k -f flv
printf 'not a video\r\n' > garbage.flv
# A sound file without a single sample: it opens, and is 0 seconds long.
make zero.wav          -f lavfi -i anullsrc=r=44100:cl=mono -t 0 -c:a pcm_s16le -f wav
touch .stamp
