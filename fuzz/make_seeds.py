#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzz targets (run from anywhere; rewrites corpus/)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def record(parent, first, prev, nxt, level, in_use, name):
    raw = name.encode("cp1252")[:20].ljust(20, b" ")
    return struct.pack("<iiiiBB", parent, first, prev, nxt, level, in_use) + raw


SIGNATURE = record(-480000, -240000, 0, 240000, 0, 0, "QuillMar v2.0 DbFile")


def tree(*nodes):
    return SIGNATURE + b"".join(record(*n) for n in nodes)


# Top item with two children.
VALID = tree((0, 2, 0, 0, 0, 255, "ROOT"),
             (1, 0, 0, 3, 1, 255, "ALPHA"),
             (1, 0, 2, 0, 1, 255, "BETA"))

def flat(names):
    """A top item whose children carry the given names, in this stored order."""
    n = len(names)
    kids = [(1, 0, k - 1 if k > 2 else 0, k + 1 if k < n + 1 else 0, 1, 255, name)
            for k, name in zip(range(2, n + 2), names)]
    return tree((0, 2, 0, 0, 0, 255, "ROOT"), *kids)


DATA = {
    "valid_tree": VALID,
    # A grandchild, a free slot, an item outside the tree and a Level to repair.
    "free_and_orphan": tree((0, 3, 0, 0, 0, 255, "TOP"),
                            (1, 0, 0, 0, 1, 0, "GONE"),
                            (1, 5, 0, 4, 7, 255, "Zeta"),
                            (1, 0, 3, 0, 1, 255, "alpha"),
                            (3, 0, 0, 0, 2, 255, "\u20ac CHILD"),
                            (0, 0, 0, 0, 1, 255, "LOST")),
    # Equal names keep their stored order; upper case sorts before lower case; bytes sort
    # by the characters they stand for (A0h before 8Ah before 80h).
    "equal_names": tree((0, 2, 0, 0, 0, 255, "ROOT"),
                        (1, 0, 0, 3, 1, 255, "delta"),
                        (1, 0, 2, 4, 1, 255, "Alpha"),
                        (1, 6, 3, 5, 1, 255, "beta"),
                        (1, 0, 4, 0, 1, 255, "Alpha"),
                        (4, 0, 0, 7, 2, 255, "\u0160KODA"),
                        (4, 0, 6, 8, 2, 255, "\u20acURO"),
                        (4, 0, 7, 9, 2, 255, "\u00a0URO"),
                        (4, 0, 8, 0, 2, 255, "SKODA")),
    # Enough siblings that sorting them is more than an insertion sort, and enough that
    # they are first spread by their first character.
    "many_equal_names": flat(["SAME" if k % 3 else "OTHER" for k in range(40)]),
    "many_siblings": flat([["SAME", "S\u00e4ME", "\u20acURO", "\u00a0X", "A" * (k % 20 + 1),
                            "Z" + str(k)][k % 6] for k in range(90)]),
    "bad_signature": VALID.replace(b"QuillMar", b"quillMar", 1),
    "truncated": VALID[: 2 * 38 + 17],
    "one_record": SIGNATURE,
    # The second child points back at the first.
    "sibling_loop": tree((0, 2, 0, 0, 0, 255, "ROOT"),
                         (1, 0, 0, 3, 1, 255, "ALPHA"),
                         (1, 0, 2, 2, 1, 255, "BETA")),
    "child_loop": tree((0, 2, 0, 0, 0, 255, "ROOT"),
                       (1, 1, 0, 0, 1, 255, "ALPHA")),
    "link_beyond_end": tree((0, 2, 0, 0, 0, 255, "ROOT"),
                            (1, 0, 0, 99, 1, 255, "ALPHA")),
    "link_to_free": tree((0, 2, 0, 0, 0, 255, "ROOT"),
                         (1, 0, 0, 3, 1, 255, "ALPHA"),
                         (1, 0, 2, 0, 1, 0, "BETA")),
    # Loads with every child out of reach; mending puts them back.
    "top_lists_no_child": tree((0, -1, 0, 0, 0, 255, "ROOT"),
                               (1, 4, 0, 3, 1, 255, "ALPHA"),
                               (1, 0, 2, 0, 1, 255, "BETA"),
                               (2, 0, 0, 0, 2, 255, "GAMMA")),
    # Lost siblings in a ring, an InUse neither 0 nor 255, and bytes after the records.
    "lost_ring": tree((0, 0, 0, 0, 0, 255, "ROOT"),
                      (1, 0, 4, 3, 1, 255, "ALPHA"),
                      (1, 0, 2, 4, 1, 7, "BETA"),
                      (1, 0, 3, 2, 1, 255, "ALPHA")) + b"xyz",
    # The same name twice, and a lost item whose parent is lost too.
    "lost_parent": tree((0, 2, 0, 0, 0, 255, "ROOT"),
                        (1, 0, 0, 3, 1, 255, "SAME"),
                        (1, 0, 2, 0, 1, 255, "SAME"),
                        (5, 0, 0, 0, 2, 255, "CHILD"),
                        (9, 4, 0, 0, 1, 255, "PARENT")),
}


def cells_input(in_tree_slots, records, slots=8):
    mask = bytearray((slots + 7) // 8)
    for s in in_tree_slots:
        mask[s // 8] |= 1 << (s % 8)
    body = b"".join(struct.pack("<hhiiih", *r) for r in records)
    return struct.pack("<H", slots) + bytes(mask) + body


EMPTY = (-1, -1, 0, 0, 0, 0)
PATH = [(-1, 1, 1, 0, 2, 0), (0, 2, 2, 1, 3, 1), (1, -1, 3, 2, 0, 0)]

CELLS = {
    "valid_cells": cells_input([1, 2, 3], PATH + [EMPTY] * 12),
    "short_file": cells_input([1, 2, 3], PATH[:2]),
    "stale_links": cells_input([1, 2], PATH + [EMPTY] * 12),
    "bad_cell_numbers": cells_input([1, 2, 3], [(-2, 15, 1, 0, 0, 0), (0, 99, 2, 1, 0, 0)] +
                                    [EMPTY] * 13),
    "long_file": cells_input([1, 2, 3], PATH + [EMPTY] * 14),
}


M64 = (1 << 64) - 1
M32 = (1 << 32) - 1
K1 = 0x9E3779B185EBCA87
K2 = 0xC2B2AE3D27D4EB4F


def check(seed, data):
    """The journal's check of a record (or of its header, with seed 0)."""
    def term(w, key):
        return ((w & M32) + (key & M32)) * ((w >> 32) + (key >> 32))
    n = len(data)
    h, key, i = seed ^ ((n * K1) & M64), K2, 0
    while n - i >= 8:
        h = (h + term(int.from_bytes(data[i:i + 8], "little"), key)) & M64
        key = (key + K1) & M64
        i += 8
    h = (h + term(int.from_bytes(data[i:], "little"), key)) & M64
    h ^= h >> 31
    h = (h * K1) & M64
    h ^= h >> 29
    h = (h * K2) & M64
    return (h ^ (h >> 32)) & M32


SALT = 0x1234567890ABCDEF


def journal(path, *records, base_hash=None):
    head = b"QMJRNL02" + struct.pack("<QB7xQI", SALT, base_hash is not None, base_hash or 0,
                                     len(path)) + path
    out = head + struct.pack("<I", check(0, head))
    for kind, payload in records:
        body = struct.pack("<IB", len(payload) + 1, kind) + payload
        out += body + struct.pack("<I", check(SALT, body))
    return out


def change(kind, item, name=b"", extra=b""):
    """A change: its kind and name size in one byte, the item, then what the kind needs."""
    return bytes([kind << 5 | len(name)]) + struct.pack("<i", item) + extra + name


def changes(*entries):
    return (14, b"".join(entries))


def pasted(text, flags):
    """A pasted item: flags (40h has a child, 80h has a next sibling) and size, then the name."""
    return bytes([flags | len(text)]) + text.encode("cp1252")


TIME = (11, struct.pack("<q", 1718000000000))
BASE = (10, VALID)
ADD = change(1, 2, b"NEW", b"\x04")  # below slot 2, taking slot 4
JOURNAL = {
    "adds_and_cells": journal(b"/data/tree.qmd", TIME, BASE,
                              changes(ADD, change(2, 3, b" RENAMED")),
                              (12, bytes(15 * 18)), base_hash=99),
    "delete_undo_paste": journal(b"", TIME, BASE,
                                 changes(change(3, 2), change(4, 2),
                                         change(6, 3, extra=struct.pack("<ii", 4, 2) +
                                                pasted("P", 0x40) + pasted("Q", 0)),
                                         change(5, 4)),
                                 (13, VALID)),
    "cut_off": journal(b"x", TIME, BASE, changes(ADD, ADD))[:-9],
}


def nested(depth):
    return ("<opml version=\"2.0\"><body>\n" +
            "".join("<outline text=\"L%d\">\n" % k for k in range(depth)) +
            "</outline>" * depth + "</body></opml>\n").encode()


OPML_HEAD = '<?xml version="1.0" encoding="UTF-8"?>\n<opml version="2.0">\n'
OPML = {
    "valid": (OPML_HEAD + '<head><title>Notes</title><dateCreated>today</dateCreated></head>\n'
              '<body><outline text="TOP" _note="a note"><outline text="A"/>\n'
              '<outline text="B"><outline text="B1" created="1"></outline></outline>'
              '</outline></body></opml>\n').encode(),
    "several_tops": (OPML_HEAD + '<head><title>R&amp;D</title></head><body>'
                     '<outline text="A"/><outline text="  B  "><outline text="C"/></outline>'
                     '</body></opml>').encode(),
    "entities": ('<?xml version="1.0"?>\n<!DOCTYPE opml [<!ENTITY co "Company">'
                 '<!ENTITY ext SYSTEM "file:///etc/hostname">]>\n<opml><head><title>'
                 '<![CDATA[<T>]]></title></head><body><outline text="&co; &#233;&#9;x">&ext;'
                 '</outline></body></opml>').encode(),
    "windows_1252": ('<?xml version="1.0" encoding="windows-1252"?><opml><body>'
                     '<outline text="Z\u00dcRICH \u20ac"/></body></opml>').encode("cp1252"),
    "utf16": ('\ufeff<?xml version="1.0" encoding="UTF-16"?><opml><body>'
              '<outline text="\u00c9T\u00c9"/></body></opml>').encode("utf-16-le"),
    "long_names": ('<opml><body><outline text="ABCDEFGHIJKLMNOPQRSTUVWXYZ">'
                   '<outline text="0123456789012345678 9"/></outline></body></opml>').encode(),
    "deep": nested(256),
    "malformed": b'<opml><body><outline text="A"></body></opml>',
}


MARKDOWN = {
    "readme": ("# Project\n\nSome *text* that names nothing.\n\n## Install\n\n"
               "1. Get [it](http://x)\n2. Run `make`\n\n## Use\n- one\n  - two\n"
               "    * three\n\n> quoted\n").encode(),
    "loose_tabs": "-   A\n\n-   B\n\n\t-\tB1\n\t\t+ B2 ![alt](i.png)\n".encode(),
    "escapes": ("- TOP \\& \\<CO\\>\n  - 1\\. FIRST\n  - A &#32;B&#9;C\n"
                "  - \\[ \\] \\-\\-x\n  - [ ] task\n  -\n").encode(),
    "scripts": "- \u5317\u4eac\n- \u041c\u043e\u0441\u043a\u0432\u0430 \U0001F389\n".encode(),
    "latin1": "- Z\xdcRICH\n".encode("cp1252"),
    "deep": "".join("  " * k + "- L%d\n" % k for k in range(260)).encode(),
}


def write(folder, files):
    path = os.path.join(HERE, "corpus", folder)
    os.makedirs(path, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(path, name), "wb") as f:
            f.write(data)


write("data_file", DATA)
write("cells_file", CELLS)
write("journal", JOURNAL)
write("opml", OPML)
write("markdown", MARKDOWN)
