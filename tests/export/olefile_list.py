# Lists every stream of a compound file with its size and a checksum, as Debian's
# olefile reads it, and every defect olefile noted while parsing. The AAF header's
# class id is reported by olefile for every AAF file and is left out.
import sys, zlib, olefile

ole = olefile.OleFileIO(sys.argv[1])
for kind, message in ole.parsing_issues:
    if "CLSID" in str(message):
        continue
    print("DEFECT", kind.__name__, message)
streams = ole.listdir(streams=True, storages=False)
print("COUNTS streams=%d storages=%d" % (len(streams), len(ole.listdir(streams=False, storages=True))))
for path in streams:
    name = "/".join(path)
    data = ole.openstream(path).read()
    print("STREAM %s %d %08x" % (name, len(data), zlib.crc32(data) & 0xFFFFFFFF))
ole.close()
