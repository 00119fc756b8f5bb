# Walks an AAF file with pyaaf2 (an independent reader) and prints what a test
# compares: the top-level composition, its slots, every clip with its timing, the
# file its source mobs locate, gain, markers; and any object missing a required
# property or any warning the reader raised.
import sys, os, warnings, aaf2
from aaf2 import properties as P

warnings.simplefilter("always")
caught = []
warnings.showwarning = lambda m, *a, **k: caught.append(str(m))

def check_required(root):
    count, missing = 0, []
    stack = [root]
    while stack:
        o = stack.pop()
        count += 1
        try:
            o.validate()
        except Exception as e:
            missing.append(str(e).splitlines()[0])
        for p in o.properties():
            if isinstance(p, P.StrongRefProperty):
                stack.append(p.value)
            elif isinstance(p, (P.StrongRefVectorProperty, P.StrongRefSetProperty)):
                stack.extend(p.value)
            elif isinstance(p, P.WeakRefProperty) and p.value is None:
                missing.append("unresolved weak reference %s" % p.name)
    return count, missing

def file_of(clip):
    master = clip.mob
    inner = master.slot_at(clip.slot_id) if hasattr(master, "slot_at") else master.slots[clip.slot_id - 1]
    filemob = inner.segment.mob
    url = filemob.descriptor["Locator"][0]["URLString"].value
    path = url[len("file://"):]
    from urllib.parse import unquote
    path = unquote(path)
    return type(master).__name__, type(filemob).__name__, filemob.descriptor.name, path, os.path.exists(path)

def check_types(f):
    """Every type the file's class definitions name is defined in the file itself, and
    every part of every defined type resolves."""
    meta = f.metadict
    declared = {}
    for t in meta["TypeDefinitions"].values():
        declared[t.auid] = t
    problems = []
    for c in meta["ClassDefinitions"].values():
        for p in c["Properties"].values():
            if p.typedef_id not in declared:
                problems.append("UNDECLARED %s.%s %s" % (c.class_name, p.property_name, p.typedef_id))
    for t in declared.values():
        kind = type(t).__name__
        try:
            if kind in ("TypeDefStrongRef", "TypeDefWeakRef"):
                assert t.ref_classdef is not None
                if kind == "TypeDefWeakRef":
                    assert len(t["TargetSet"].value) >= 1
            elif kind == "TypeDefRecord":
                members = t["MemberTypes"].value
                assert len(members) == len(t["MemberNames"].value) >= 1
                for member in members:
                    assert member is not None and member.auid in declared
            elif kind == "TypeDefRename":
                assert t.renamed_typedef.auid in declared
            elif hasattr(t, "element_typedef") and kind != "TypeDefExtEnum":
                assert t.element_typedef.auid in declared
            if kind == "TypeDefInt":
                assert t.size in (1, 2, 4, 8)
            if kind == "TypeDefEnum":
                assert len(t.elements) >= 1
        except Exception as e:
            problems.append("UNRESOLVED %s %s %s" % (t.type_name, kind, e))
    return len(declared), problems

with aaf2.open(sys.argv[1], "r") as f:
    ntypes, type_problems = check_types(f)
    print("TYPES", ntypes)
    for p in type_problems:
        print(p)
    ident = f.header["IdentificationList"][0]
    print("IDENT", ident["CompanyName"].value, ident["ProductName"].value, ident["Platform"].value,
          "toolkit" if "ToolkitVersion" in ident else "-", "version" if "ProductVersion" in ident else "-")
    tops = list(f.content.toplevel())
    print("TOPLEVEL", len(tops), "ESSENCEDATA", len(list(f.content.essencedata)))
    count, missing = check_required(f.header)
    print("OBJECTS", count)
    for m in missing:
        print("MISSING", m)
    comp = tops[0]
    print("COMP", comp.name)
    for slot in comp.slots:
        seg = slot.segment
        kind = type(seg).__name__
        if kind == "Timecode":
            print("TIMECODE", slot.edit_rate, seg.start, seg.fps)
            continue
        if type(slot).__name__ == "EventMobSlot":
            for m in seg.components:
                print("MARKER", m["Position"].value, m["Comment"].value)
            continue
        print("SLOT", slot.slot_id, slot.name, slot.edit_rate, slot["PhysicalTrackNumber"].value, seg.length)
        pos = 0
        for c in seg.components:
            name = type(c).__name__
            if name == "Transition":
                pos -= c.length  # a transition overlaps the clips on both sides
                group = c["OperationGroup"].value
                level = list(group.parameters)[0]
                points = ",".join("%.4f@%.4f" % (float(p.value), float(p.time)) for p in level["PointList"])
                print("DISSOLVE", pos, c.length, c["CutPoint"].value, group.operation.name, level.parameterdef.name,
                      level.interpolationdef.name, points)
                continue
            gain = "-"
            if name == "OperationGroup" and c.operation.name == "Mono Audio Gain":
                param = list(c.parameters)[0]
                if type(param).__name__ == "ConstantValue":
                    gain = "%.6f" % float(param.value)
                else:
                    gain = "curve:" + ",".join("%.4f@%.4f" % (float(p.value), float(p.time)) for p in param["PointList"])
                c = c.segments[0]
                name = type(c).__name__
            if name == "OperationGroup":  # a channel combiner
                clips = list(c.segments)
                print("CLIP", pos, c.length, clips[0].start, gain, "channels=%d" % len(clips),
                      *file_of(clips[0]))
            elif name == "SourceClip":
                print("CLIP", pos, c.length, c.start, gain, "channels=1", *file_of(c))
            pos += c.length
for w in caught:
    print("WARNING", w)
