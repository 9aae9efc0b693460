#!/usr/bin/env python3
"""The soundtrack's measures, from the module and its renders.

Used by scripts/music-report.sh; standard library only.

  music-measures.py MODULE RENDER.wav EBUR128.log [PEAKS...]

RENDER.wav is a 32-bit float stereo render of MODULE, EBUR128.log the output
of ffmpeg's ebur128 filter (framelog=verbose, peak=sample) on it, and each of
PEAKS is "label=file.wav", another float render whose sample peak is listed.
"""
import array
import cmath
import math
import struct
import sys

ORDERS = 32
ROWS = 64
ROW_SECONDS = 0.12  # speed 6 at 125 BPM
ORDER_SECONDS = ROWS * ROW_SECONDS
STALE_NEW_SHARE = 0.05

# The show's beat table: the rows its pictures pulse on, by order.
GROOVE = [1, 3, 9, 17, 21, 25, 33, 35, 41, 49, 51, 57]
ORDER10 = [9, 17, 21, 25, 33, 35, 42, 50, 52, 57]
STRAIGHT = [0, 3, 9, 17, 21, 25, 33, 35, 41, 49, 51, 57]
ORDER15 = [9, 17, 21, 25, 33, 35, 41, 49, 51, 57]


def beat_rows(order):
    if 7 <= order <= 9:
        return GROOVE
    if order == 10:
        return ORDER10
    if order == 15:
        return ORDER15
    if 11 <= order <= 17 or 23 <= order <= 30:
        return STRAIGHT
    return []


# Sections as the arrangement lays them out (first and last order).
GROOVE_ORDERS = (7, 13)
CLIMAX_ORDERS = (23, 30)


def read_module(path):
    """Returns (orders, patterns, instrument names); a pattern is a list of
    rows, a row a list of (note, instrument, volume, effect, parameter)."""
    data = open(path, "rb").read()
    if data[:17] != b"Extended Module: ":
        sys.exit(path + ": not an extended module")
    header_size = struct.unpack_from("<I", data, 60)[0]
    order_count, _, channels, pattern_count, instrument_count = struct.unpack_from("<5H", data, 64)
    orders = list(data[80 : 80 + order_count])
    position = 60 + header_size
    patterns = []
    for _ in range(pattern_count):
        size, _, rows, packed = struct.unpack_from("<IBHH", data, position)
        position += size
        end = position + packed
        pattern = []
        for _ in range(rows):
            row = []
            for _ in range(channels):
                first = data[position]
                if first & 0x80:
                    position += 1
                    cell = []
                    for bit in range(5):
                        if first & (1 << bit):
                            cell.append(data[position])
                            position += 1
                        else:
                            cell.append(0)
                    row.append(tuple(cell))
                else:
                    row.append(tuple(data[position : position + 5]))
                    position += 5
            pattern.append(row)
        if position != end:
            sys.exit(path + ": pattern data size disagrees with its cells")
        patterns.append(pattern)
    names = []
    for _ in range(instrument_count):
        size = struct.unpack_from("<I", data, position)[0]
        names.append(data[position + 4 : position + 26].split(b"\0")[0].decode("latin-1"))
        samples = struct.unpack_from("<H", data, position + 27)[0]
        sample_header = struct.unpack_from("<I", data, position + 29)[0] if samples else 0
        lengths = [struct.unpack_from("<I", data, position + size + s * sample_header)[0] for s in range(samples)]
        position += size + samples * sample_header + sum(lengths)
    return orders, patterns, names


def new_shares(orders, patterns):
    """Per order, the share of its non-empty cells (channel, row and content)
    that no earlier order holds."""
    seen = set()
    shares = []
    for order in orders:
        cells = set()
        for row_index, row in enumerate(patterns[order]):
            for channel, cell in enumerate(row):
                if any(cell):
                    cells.add((channel, row_index) + cell)
        shares.append(len(cells - seen) / len(cells) if cells else 0.0)
        seen |= cells
    return shares


def read_float_wav(path):
    data = open(path, "rb").read()
    position = 12
    rate = 0
    while position + 8 <= len(data):
        tag = data[position : position + 4]
        size = struct.unpack_from("<I", data, position + 4)[0]
        if tag == b"fmt ":
            form, channels, rate = struct.unpack_from("<HHI", data, position + 8)
            bits = struct.unpack_from("<H", data, position + 22)[0]
            if form != 3 or channels != 2 or bits != 32:
                sys.exit(path + ": expected a stereo 32-bit float WAV")
        if tag == b"data":
            samples = array.array("f")
            samples.frombytes(data[position + 8 : position + 8 + min(size, len(data) - position - 8) // 4 * 4])
            return rate, samples
        position += 8 + size + (size & 1)
    sys.exit(path + ": no sample data")


def fft(values):
    """Radix-2 transform of a list whose length is a power of two."""
    n = len(values)
    result = [complex(v) for v in values]
    j = 0
    for i in range(1, n):
        bit = n >> 1
        while j & bit:
            j ^= bit
            bit >>= 1
        j |= bit
        if i < j:
            result[i], result[j] = result[j], result[i]
    length = 2
    while length <= n:
        step = cmath.exp(-2j * math.pi / length)
        half = length // 2
        twiddles = [step**k for k in range(half)]
        for start in range(0, n, length):
            for k in range(half):
                a = result[start + k]
                b = result[start + k + half] * twiddles[k]
                result[start + k] = a + b
                result[start + k + half] = a - b
        length *= 2
    return result


FRAME = 1024  # about 21 ms at 48 kHz
HANN = [0.5 - 0.5 * math.cos(2 * math.pi * i / FRAME) for i in range(FRAME)]
# Magnitudes as they are, and compressed as log(1 + 100 |X|), which weighs
# quiet high partials (hats, plucks) about as much as the low end.
COMPRESSIONS = (0.0, 100.0)


def magnitudes(stereo, start):
    mono = [0.0] * FRAME
    for i in range(FRAME):
        frame = start + i
        if 0 <= frame and 2 * frame + 1 < len(stereo):
            mono[i] = 0.5 * (stereo[2 * frame] + stereo[2 * frame + 1]) * HANN[i]
    spectrum = fft(mono)
    scale = 2.0 / (FRAME / 2)
    return [abs(spectrum[k]) * scale for k in range(1, FRAME // 2)]


def onset_strengths(stereo, rate, order, row):
    """Spectral flux across the row's start, one per compression: the spectrum
    of the frame after it against the frame before it, increases only."""
    start = round((order * ROWS + row) * ROW_SECONDS * rate)
    before = magnitudes(stereo, start - FRAME)
    after = magnitudes(stereo, start)
    strengths = []
    for gamma in COMPRESSIONS:
        if gamma == 0.0:
            strengths.append(sum(max(0.0, a - b) for a, b in zip(after, before)))
        else:
            strengths.append(sum(max(0.0, math.log1p(gamma * a) - math.log1p(gamma * b)) for a, b in zip(after, before)))
    return strengths


def kick_accents(orders, patterns, names, stereo, rate):
    """Per compression, kick beat rows whose onset is stronger than every
    unmarked row of their bar: (count, of how many, the rows that fall short)."""
    kick = names.index("kick") + 1 if "kick" in names else -1
    results = [[0, 0, []] for _ in COMPRESSIONS]
    for order in range(len(orders)):
        marked = beat_rows(order)
        if not marked:
            continue
        pattern = patterns[orders[order]]
        strengths = {row: onset_strengths(stereo, rate, order, row) for row in range(ROWS)}
        for row in marked:
            if not any(cell[1] == kick and 1 <= cell[0] <= 96 for cell in pattern[row]):
                continue
            bar = row // 16 * 16
            for i, result in enumerate(results):
                others = [strengths[r][i] for r in range(bar, bar + 16) if r not in marked]
                result[1] += 1
                if strengths[row][i] > max(others):
                    result[0] += 1
                else:
                    result[2].append("%d:%d" % (order, row))
    return results


def read_loudness(path):
    """(integrated LUFS, sample peak dBFS, [(time, short-term LUFS)])."""
    integrated = peak = None
    short_term = []
    in_summary = False
    for line in open(path, errors="replace"):
        if "Summary:" in line:
            in_summary = True
        if not in_summary and " t: " in line and " S: " in line:
            fields = line.split()
            time = float(fields[fields.index("t:") + 1])
            short_term.append((time, float(fields[fields.index("S:") + 1])))
        elif in_summary and line.strip().startswith("I:"):
            integrated = float(line.split()[1])
        elif in_summary and line.strip().startswith("Peak:"):
            peak = float(line.split()[1])
    if integrated is None or peak is None:
        sys.exit(path + ": no loudness summary")
    return integrated, peak, short_term


def section_loudness(short_term, first, last):
    """Power mean of the short-term loudness whose three-second windows lie
    wholly within the orders."""
    begin = first * ORDER_SECONDS + 3.0
    end = (last + 1) * ORDER_SECONDS
    values = [s for t, s in short_term if begin <= t <= end and s > -70]
    return 10 * math.log10(sum(10 ** (s / 10) for s in values) / len(values))


def wav_peak(path):
    _, samples = read_float_wav(path)
    return max(max(samples), -min(samples))


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    module_path, render_path, loudness_path = sys.argv[1:4]
    orders, patterns, names = read_module(module_path)
    shares = new_shares(orders, patterns)
    stale = [share < STALE_NEW_SHARE for share in shares]
    longest, run, run_start, longest_from = 0, 0, 0, 0
    for order, is_stale in enumerate(stale):
        run = run + 1 if is_stale else 0
        if run == 1:
            run_start = order
        if run > longest:
            longest, longest_from = run, run_start
    integrated, peak_db, short_term = read_loudness(loudness_path)
    groove = section_loudness(short_term, *GROOVE_ORDERS)
    climax = section_loudness(short_term, *CLIMAX_ORDERS)
    rate, stereo = read_float_wav(render_path)
    accents = kick_accents(orders, patterns, names, stereo, rate)

    print("| measure | value |")
    print("|---|---|")
    print("| integrated loudness | %.1f LUFS |" % integrated)
    print("| sample peak | %.1f dBFS (%.2f) |" % (peak_db, 10 ** (peak_db / 20)))
    print("| stale time (orders under 5%% new cells) | %d%% (%d of %d orders) |"
          % (round(100 * sum(stale) / len(stale)), sum(stale), len(stale)))
    run_text = "orders %d-%d" % (longest_from, longest_from + longest - 1) if longest else "none"
    print("| longest stale run | %.0f s (%s) |" % (longest * ORDER_SECONDS, run_text))
    print("| climax over groove (short-term) | %+.1f LU (%.1f vs %.1f LUFS) |" % (climax - groove, climax, groove))
    for gamma, (passed, total, _) in zip(COMPRESSIONS, accents):
        flux = "log-magnitude flux" if gamma else "magnitude flux"
        print("| kick beat rows stronger than every unmarked row of their bar (%s) | %d%% (%d of %d) |"
              % (flux, round(100 * passed / max(1, total)), passed, total))
    for label_file in sys.argv[4:]:
        label, path = label_file.split("=", 1)
        print("| sample peak, %s | %.3f |" % (label, wav_peak(path)))
    print()
    print("new cells by order: " + " ".join("%d:%d%%" % (o, round(100 * s)) for o, s in enumerate(shares)))
    for gamma, (_, _, short) in zip(COMPRESSIONS, accents):
        if short:
            flux = "log-magnitude" if gamma else "magnitude"
            print("kick rows short by %s flux (order:row): %s" % (flux, " ".join(short)))


if __name__ == "__main__":
    main()
