"""Compound files and BIFF record streams for the .xls test workbooks: read
the record stream out of a real .xls, change records, and pack streams into a
compound file again (with small streams in the mini stream, as real writers
store them)."""
import struct

END, FREE, FATSECT, DIFSECT = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD, 0xFFFFFFFC
MAGIC = bytes([0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1])


def read_stream(data, name="Workbook"):
    """A top-level stream of a version-3 compound file whose allocation table
    fits the header (files of up to 7 MB), from the mini stream if small."""
    nfat, dir_start = struct.unpack_from("<I I", data, 44)
    sector = lambda s: data[512 * (s + 1): 512 * (s + 2)]
    fat = []
    for s in struct.unpack_from("<%dI" % nfat, data, 76):
        fat += struct.unpack("<128I", sector(s))

    def chain(s):
        out = b""
        while s != END:
            out += sector(s)
            s = fat[s]
        return out

    d = chain(dir_start)
    for at in range(0, len(d), 128):
        n = struct.unpack_from("<H", d, at + 64)[0]
        if d[at: at + n - 2].decode("utf-16-le") == name:
            start, size = struct.unpack_from("<I I", d, at + 116)
            if size >= 4096:
                return chain(start)[:size]
            # In the mini stream: 64-byte pieces of the root entry's stream.
            container = chain(struct.unpack_from("<I", d, 116)[0])
            minifat = chain(struct.unpack_from("<I", data, 60)[0])
            out = b""
            while start != END:
                out += container[64 * start: 64 * start + 64]
                start = struct.unpack_from("<I", minifat, 4 * start)[0]
            return out[:size]
    raise KeyError(name)


def records(stream):
    """[(type, data)] up to the end of the stream (padding dropped)."""
    out, at = [], 0
    while at + 4 <= len(stream):
        t, n = struct.unpack_from("<HH", stream, at)
        if t == 0 and n == 0:
            break
        out.append((t, stream[at + 4: at + 4 + n]))
        at += 4 + n
    return out


def join(recs):
    """The record stream again, with each BOUNDSHEET pointing at the BOF of
    its sheet (the n-th BOF after the globals), wherever records moved."""
    offsets, at, bofs = [], 0, []
    for t, d in recs:
        if t == 0x0809:
            bofs.append(at)
        offsets.append(at)
        at += 4 + len(d)
    out, sheet = b"", 0
    for t, d in recs:
        if t == 0x0085:
            sheet += 1
            d = struct.pack("<I", bofs[sheet]) + d[4:]
        out += struct.pack("<HH", t, len(d)) + d
    return out


def pack(streams, sector_shift=9):
    """A compound file holding the (name, bytes) streams at the top level.
    Returns the file and, per stream name, its first sector (big streams) or
    mini sector (small ones); the allocation table follows the data."""
    size = 1 << sector_shift
    content, fat, starts = bytearray(), [], {}

    def alloc(data):
        n = (len(data) + size - 1) // size
        if n == 0:
            return END
        start = len(fat)
        fat.extend(list(range(start + 1, start + n)) + [END])
        content.extend(data + bytes(n * size - len(data)))
        return start

    mini, minifat = bytearray(), []
    for name, data in streams:
        if len(data) < 4096:
            n = (len(data) + 63) // 64
            starts[name] = len(minifat) if n else END
            minifat.extend(list(range(len(minifat) + 1, len(minifat) + n))[:n - 1] + ([END] if n else []))
            mini.extend(data + bytes(n * 64 - len(data)))
    entries = [("Root Entry", 5, alloc(bytes(mini)), len(mini))]
    for name, data in streams:
        if len(data) >= 4096:
            starts[name] = alloc(data)
        entries.append((name, 2, starts[name], len(data)))
    minifat_start = alloc(struct.pack("<%dI" % len(minifat), *minifat)) if minifat else END
    d = b""
    for i, (name, kind, start, length) in enumerate(entries):
        u = name.encode("utf-16-le")
        child = 1 if i == 0 and len(entries) > 1 else FREE
        right = i + 1 if 0 < i < len(entries) - 1 else FREE
        d += (u + bytes(64 - len(u)) + struct.pack("<HBB3I", len(u) + 2, kind, 1, FREE, right, child)
              + bytes(36) + struct.pack("<IQ", start, length))
    d += bytes(-len(d) % size)
    dir_start = alloc(d)
    # The allocation table follows the data; past 109 of its sectors, the
    # DIFAT sectors after it list the rest.
    per = size // 4
    nfat, ndifat = 1, 0
    while nfat * per < len(fat) + nfat + ndifat:
        nfat += 1
        ndifat = max(0, -(-(nfat - 109) // (per - 1)))
    first_fat = len(fat)
    fat += [FATSECT] * nfat + [DIFSECT] * ndifat
    fat += [FREE] * (nfat * per - len(fat))
    ids = list(range(first_fat, first_fat + nfat))
    difat = b""
    for k in range(ndifat):
        part = ids[109 + k * (per - 1): 109 + (k + 1) * (per - 1)]
        nxt = first_fat + nfat + k + 1 if k + 1 < ndifat else END
        difat += struct.pack("<%dI" % per, *(part + [FREE] * (per - 1 - len(part)) + [nxt]))
    header = MAGIC + bytes(16) + struct.pack(
        "<HHHHH6xIIIIIIIII", 0x3E, 3 if size == 512 else 4, 0xFFFE, sector_shift, 6, 0, nfat, dir_start, 0,
        4096, minifat_start, (len(minifat) * 4 + size - 1) // size, first_fat + nfat if ndifat else END,
        ndifat) + struct.pack("<109I", *(ids[:109] + [FREE] * (109 - len(ids[:109]))))
    header += bytes(size - len(header))
    return header + bytes(content) + struct.pack("<%dI" % len(fat), *fat) + difat, starts
