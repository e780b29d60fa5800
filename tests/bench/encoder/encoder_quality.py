#!/usr/bin/env python3
"""Speed and quality of the encoder back end beside FFmpeg's MPEG-2 encoder and mpeg2enc.

Makes natural-looking sources with FFmpeg (a blurred Mandelbrot zoom with film grain: PAL progressive with
strong and with light grain, PAL interlaced from a 50 frame/s zoom, NTSC film coded with 3:2 pulldown,
1080 progressive), codes each as a high-quality MPEG-2 stream and indexes it with d2vindex, then encodes
it with every contender at two bitrates: "Fast", "Normal" and "Best" against FFmpeg's default two-pass
and its strongest MPEG-2 settings, both at the back end's GOP, B-frames and maximum rate (with --full
also *NOSMP, FFmpeg's DVD target and mpeg2enc). Each contender reads the same MPEG-2 stream (the back end
through its D2V project), so every run pays the same decoding. Runs are interleaved, one round after
another; a contender's speed is the median of its rounds' whole wall-clock times, beside the median
processor time its processes used; the load is printed with every table. PSNR and SSIM differences are
given against FFmpeg's default two-pass and against its strongest settings. PSNR and SSIM are FFmpeg's psnr
and ssim filters against the decoded source, frames paired by their order.

    python3 tests/bench/encoder/encoder_quality.py BUILD_DIR [--work DIR] [--rounds N] [--hd-rounds N]
                                                   [--only NAME] [--seconds N] [--quick] [--full]
                                                   [--contenders NAME,NAME]

BUILD_DIR is a build folder with bin/Dazuzer_024.exe, bin/DGDecode/DGDecode16.dll and bin/d2vindex.
Needs the ffmpeg command line and, with --full, mpeg2enc (Debian packages ffmpeg and mjpegtools).
"""

import argparse
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import time

SOURCES = {
    # name: (size, rate, seconds, lavfi graph, interlaced, bitrates in kbit/s, pulldown)
    "PAL 25p grainy": ("720x576", 25, 12, "mandelbrot=s=720x576:r=25,gblur=sigma=0.8,noise=alls=8:allf=t", False,
                       (4000, 6000), False),
    "PAL 25p clean": ("720x576", 25, 12, "mandelbrot=s=720x576:r=25,gblur=sigma=0.8,noise=alls=2:allf=t", False,
                      (4000, 6000), False),
    "PAL 25i": ("720x576", 25, 12,
                "mandelbrot=s=720x576:r=50,gblur=sigma=0.8,noise=alls=4:allf=t,tinterlace=mode=interleave_top",
                True, (4000, 6000), False),
    "NTSC film": ("720x480", 24000 / 1001, 12, "mandelbrot=s=720x480:r=24000/1001,gblur=sigma=0.8,noise=alls=4:allf=t",
                  False, (4000, 6000), True),
    "1080 25p": ("1920x1080", 25, 10, "mandelbrot=s=1920x1080:r=25,gblur=sigma=1.2,noise=alls=4:allf=t", False,
                 (6000, 9000), False),
}

def run(command, cwd=None):
    result = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        sys.exit("failed: %s\n%s%s" % (" ".join(command), result.stdout[-2000:], result.stderr[-2000:]))
    return result


def make_source(work, build, name, spec, quick, clip_seconds=None):
    size, rate, seconds, graph, interlaced = spec[:5]
    seconds = 3 if quick else clip_seconds or seconds
    base = os.path.join(work, re.sub(r"\W", "_", name))
    if not os.path.exists(base + ".d2v"):
        field = ["-flags", "+ildct+ilme", "-top", "1"] if interlaced else []
        run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", graph + ",format=yuv420p", "-t", str(seconds),
             "-c:v", "mpeg2video", "-q:v", "2", "-g", "12", "-bf", "2", "-maxrate", "60M", "-bufsize", "8M"] +
            field + [base + ".m2v"])
        run(["ffmpeg", "-v", "error", "-y", "-i", base + ".m2v", "-f", "yuv4mpegpipe", base + ".y4m"])
        run([os.path.join(build, "bin", "d2vindex"), "-q", "-o", base + ".d2v", base + ".m2v"])
    return base


def program_folder(work, build):
    folder = os.path.join(work, "program")
    os.makedirs(os.path.join(folder, "DGDecode"), exist_ok=True)
    shutil.copy(os.path.join(build, "bin", "Dazuzer_024.exe"), folder)
    shutil.copy(os.path.join(build, "bin", "DGDecode", "DGDecode16.dll"), os.path.join(folder, "DGDecode"))
    return folder


def ours(folder, profile, extra=()):
    """The back end with a profile; the same matrices and DC precision as the other encoders."""
    def encode(base, kbps, out):
        lines = ["*INFILE           " + base + ".d2v", "*OUTFILE          " + out, "*BITRATE          %d" % kbps,
                 "*MAXBITRATE       9800", "*PROFILE          " + profile, "*MATRIX           mpegstd",
                 "*DC_PREC          8"] + list(extra)
        with open(os.path.join(folder, "Mivo.ini"), "w") as ini:
            ini.write("\r\n".join(lines) + "\r\n")
        run(["./Dazuzer_024.exe"], cwd=folder)
    return encode


def ffmpeg(options, interlaced, gop):
    """FFmpeg's MPEG-2 encoder, two-pass, at the back end's GOP, B-frames and maximum rate."""
    field = ["-flags", "+ildct+ilme", "-top", "1"] if interlaced else []
    def encode(base, kbps, out):
        log = out + ".pass"
        common = (["ffmpeg", "-v", "error", "-y", "-i", base + ".m2v", "-c:v", "mpeg2video", "-b:v", "%dk" % kbps,
                   "-maxrate", "9800k", "-bufsize", "1835k", "-g", str(gop), "-bf", "2", "-passlogfile", log] +
                  field + list(options))
        run(common + ["-pass", "1", "-f", "null", "-"])
        run(common + ["-pass", "2", out])
    return encode


# The strongest MPEG-2 settings FFmpeg's encoder has: rate-distortion macroblock decisions, trellis
# quantisation, SATD comparisons, the larger diamonds and pre-pass, the zero vector tried, quantisers
# from 1 on the non-linear scale.
FFMPEG_STRONGEST = ["-mbd", "rd", "-trellis", "2", "-cmp", "2", "-subcmp", "2", "-dia_size", "2", "-pre_dia_size", "2",
                    "-mepre", "2", "-last_pred", "3", "-mpv_flags", "+mv0", "-qmin", "1", "-qmax", "28",
                    "-non_linear_quant", "1"]


def ffmpeg_pal_dvd(base, kbps, out):
    run(["ffmpeg", "-v", "error", "-y", "-i", base + ".m2v", "-target", "pal-dvd", "-b:v", "%dk" % kbps, "-an",
         "-f", "mpeg2video", out])


def mpeg2enc(profile):
    def encode(base, kbps, out):
        decode = subprocess.Popen(["ffmpeg", "-v", "error", "-i", base + ".m2v", "-f", "yuv4mpegpipe", "-"],
                                  stdout=subprocess.PIPE)
        # Generic MPEG-2 (-f 3) is held to Main Level unless told otherwise.
        loose = ["--no-constraints"] if profile == "3" else []
        result = subprocess.run(["mpeg2enc", "-f", profile, "-b", str(kbps), "-M", "2"] + loose + ["-o", out],
                                stdin=decode.stdout, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        decode.stdout.close()
        decode.wait()
        if result.returncode != 0 or not os.path.exists(out):
            sys.exit("mpeg2enc failed: " + result.stderr.decode()[-2000:])
    return encode


def quality(base, out):
    # Frames paired by their order: a pulldown stream's time stamps follow its repeated fields.
    graph = ("[0]settb=1/25,setpts=N,split[a0][a1];[1]settb=1/25,setpts=N,split[b0][b1];"
             "[a0][b0]psnr;[a1][b1]ssim")
    text = run(["ffmpeg", "-i", out, "-i", base + ".y4m", "-lavfi", graph, "-f", "null", "-"]).stderr
    psnr = float(re.search(r"PSNR .*average:([0-9.inf]+)", text).group(1))
    ssim = float(re.search(r"SSIM .*All:([0-9.]+)", text).group(1))
    frames = int(run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v", "-show_entries",
                      "stream=nb_read_frames", "-of", "csv=p=0", out]).stdout.strip().strip(","))
    return psnr, ssim, frames


def contenders(folder, spec, full):
    interlaced, pulldown = spec[4], spec[6]
    scan = ["*INTERLACED"] if interlaced else ["*PROGRESSIVE"]
    extra = scan + (["*PULLDOWN"] if pulldown else [])
    # The back end's GOP: 15 at 25 frames a second, 14 coded frames with pulldown.
    gop = 14 if pulldown else 15
    table = [
        ("Fast", ours(folder, "fast", extra)),
        ("Normal", ours(folder, "normal", extra)),
        ("Best", ours(folder, "best", extra)),
        ("FFmpeg two-pass", ffmpeg([], interlaced, gop)),
        ("FFmpeg strongest", ffmpeg(FFMPEG_STRONGEST, interlaced, gop)),
    ]
    if full:
        table.append(("Best, *NOSMP", ours(folder, "best", extra + ["*NOSMP"])))
        if spec[0] == "720x576":
            table.append(("FFmpeg -target pal-dvd", ffmpeg_pal_dvd))
        table.append(("mpeg2enc -f 8" if spec[0] == "720x576" else "mpeg2enc -f 3",
                      mpeg2enc("8" if spec[0] == "720x576" else "3")))
    return table


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def measure(work, base, kbps, table, rounds, rate):
    times = {name: [] for name, _ in table}
    cpu = {name: [] for name, _ in table}
    outs = {name: os.path.join(work, "%s_%d_%s.m2v" % (os.path.basename(base), kbps, re.sub(r"\W", "", name)))
            for name, _ in table}
    for round in range(rounds):
        for name, encode in table:
            # mpeg2enc runs at a tenth of the others' speed: one run tells that, and repeating it would
            # make the benchmark take hours.
            if round > 0 and name.startswith("mpeg2enc"):
                continue
            start, start_cpu = time.monotonic(), children_cpu()
            encode(base, kbps, outs[name])
            times[name].append(time.monotonic() - start)
            cpu[name].append(children_cpu() - start_cpu)
    rows = []
    for name, _ in table:
        psnr, ssim, frames = quality(base, outs[name])
        seconds = statistics.median(times[name])
        kbits = os.path.getsize(outs[name]) * 8 / 1000 / (frames / rate)
        rows.append((name, frames / seconds, kbits, psnr, ssim, frames / statistics.median(cpu[name])))
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("--work", default="/tmp/mivo-encoder-quality")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--hd-rounds", type=int, help="rounds for the 1080 source (default: --rounds)")
    parser.add_argument("--only", help="run only the sources whose name contains this text")
    parser.add_argument("--seconds", type=int, help="clip length in seconds instead of each source's own")
    parser.add_argument("--quick", action="store_true", help="3-second clips, one round: a check, not figures")
    parser.add_argument("--full", action="store_true", help="also *NOSMP, FFmpeg's DVD target and mpeg2enc")
    parser.add_argument("--contenders", help="comma-separated names of the contenders to run; FFmpeg's "
                        "default two-pass is always run, the differences are taken against it")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    os.makedirs(args.work, exist_ok=True)
    folder = program_folder(args.work, build)
    rounds = 1 if args.quick else args.rounds
    print("Medians of %d interleaved rounds; ratios against FFmpeg's default two-pass of the same run; load %s." %
          (rounds, " ".join("%.2f" % l for l in os.getloadavg())))
    for name, spec in SOURCES.items():
        if args.only and args.only not in name:
            continue
        hd = spec[0] == "1920x1080"
        base = make_source(args.work, build, name, spec, args.quick, args.seconds)
        table = contenders(folder, spec, args.full)
        if args.contenders:
            wanted = {n.strip() for n in args.contenders.split(",")} | {"FFmpeg two-pass"}
            table = [c for c in table if c[0] in wanted]
        for kbps in spec[5]:
            source_rounds = args.hd_rounds if hd and args.hd_rounds and not args.quick else rounds
            rows = measure(args.work, base, kbps, table, source_rounds, spec[1])
            ref = next(r for r in rows if r[0] == "FFmpeg two-pass")
            strongest = next((r for r in rows if r[0] == "FFmpeg strongest"), None)
            print("\n%s at %d kbit/s (load %.2f)" % (name, kbps, os.getloadavg()[0]))
            print("| encoder | fps | speed | fps per processor | speed per processor | kbit/s | PSNR dB | dPSNR |"
                  " dPSNR strongest | SSIM | dSSIM | dSSIM strongest |")
            print("|---|---|---|---|---|---|---|---|---|---|---|---|")
            for row in rows:
                against = (("%+.2f" % (row[3] - strongest[3]), "%+.4f" % (row[4] - strongest[4])) if strongest
                           else ("", ""))
                print("| %s | %.1f | %.2f x | %.1f | %.2f x | %.0f | %.2f | %+.2f | %s | %.4f | %+.4f | %s |" %
                      (row[0], row[1], row[1] / ref[1], row[5], row[5] / ref[5], row[2], row[3], row[3] - ref[3],
                       against[0], row[4], row[4] - ref[4], against[1]))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
