#!/usr/bin/env python3
"""Archives for the updater's benchmark.

    make_install_archive.py small OUT.zip   # 2000 files, 100 MB in all, deflated
    make_install_archive.py large OUT.zip   # 1 GiB stored, in eight files
"""
import os
import random
import sys
import zipfile

kind, out = sys.argv[1], sys.argv[2]
top = "Cuewright_v313/"
rng = random.Random(313)
with zipfile.ZipFile(out, "w") as archive:
    if kind == "small":
        # Program-like content: half incompressible, half text that deflates.
        words = [b"subtitle", b"waveform", b"project", b"align", b"speech", b"burn", b"\n", b" "]
        size = 100 * 1000 * 1000 // 2000
        for i in range(2000):
            if i % 2:
                data = rng.randbytes(size)
            else:
                data = b"".join(rng.choice(words) for _ in range(size // 6))[:size]
            info = zipfile.ZipInfo("%sfolder%02d/file%04d.bin" % (top, i % 40, i), (2024, 1, 1, 0, 0, 0))
            info.external_attr = 0o100644 << 16
            info.create_system = 3
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data)
    else:
        chunk = os.urandom(16 << 20)
        for i in range(8):
            info = zipfile.ZipInfo("%spart%d.bin" % (top, i), (2024, 1, 1, 0, 0, 0))
            info.external_attr = 0o100644 << 16
            info.create_system = 3
            with archive.open(info, "w", force_zip64=True) as entry:
                for _ in range(8):
                    entry.write(chunk)
