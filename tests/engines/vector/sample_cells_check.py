#!/usr/bin/env python3
"""The sample cells as this system reads them against GDAL's own reading.

For each sample cell: `vchart geojson` (imported, stored as .b, read back)
against `ogr2ogr -f GeoJSON` of every layer with the same driver options and
against `ogrinfo -al -so`: counts by class, attributes, and coordinates within
1e-7 degree.
Usage: sample_cells_check.py <vchart> <sample-cells folder>
"""
import json
import os
import subprocess
import sys
import tempfile

OPTIONS = ["-oo", "SPLIT_MULTIPOINT=ON", "-oo", "ADD_SOUNDG_DEPTH=ON", "-oo", "LIST_AS_STRING=ON",
           "-oo", "RETURN_PRIMITIVES=OFF", "-oo", "RETURN_LINKAGES=OFF"]


def ogr_counts(cell, extra=()):
    out = subprocess.run(["ogrinfo", "-ro", "-al", "-so", *OPTIONS, *extra, cell], check=True,
                         capture_output=True, text=True).stdout
    counts, layer = {}, None
    for line in out.splitlines():
        if line.startswith("Layer name: "):
            layer = line.split(": ", 1)[1]
        elif line.startswith("Feature Count: ") and layer:
            counts[layer] = int(line.split(": ", 1)[1])
    counts.pop("DSID", None)
    # The spatial-record layers GDAL lists are empty with primitives off.
    return {k: v for k, v in counts.items() if v}


def ogr_layer(cell, layer, folder):
    path = os.path.join(folder, layer + ".json")
    subprocess.run(["ogr2ogr", "-f", "GeoJSON", "-lco", "COORDINATE_PRECISION=9", *OPTIONS,
                    path, cell, layer], check=True, capture_output=True)
    with open(path) as f:
        return json.load(f)["features"]


def flat_coords(geometry):
    """All positions of a geometry in order (polygon rings outer first)."""
    if geometry is None:
        return []
    t, c = geometry["type"], geometry["coordinates"]
    if t == "Point":
        return [c[:2]]
    if t in ("LineString", "MultiPoint"):
        return [p[:2] for p in c]
    if t in ("Polygon", "MultiLineString"):
        return [p[:2] for ring in c for p in ring]
    if t == "MultiPolygon":
        return [p[:2] for poly in c for ring in poly for p in ring]
    raise ValueError(t)


def same_value(ours, theirs):
    if theirs is None:
        return ours is None
    if isinstance(theirs, bool):
        return ours in ("1", "0") and (ours == "1") == theirs
    if isinstance(theirs, (int, float)):
        try:
            return abs(float(ours) - float(theirs)) <= 1e-6 * max(1.0, abs(float(theirs)))
        except (TypeError, ValueError):
            return False
    return ours == str(theirs)


def check_cell(vchart, cell, folder):
    problems = []
    ours = json.loads(subprocess.run([vchart, "geojson", cell], check=True, capture_output=True,
                                     text=True).stdout)["features"]
    by_class = {}
    for f in ours:
        by_class.setdefault(f["properties"]["class"], []).append(f)
    counts = ogr_counts(cell)
    our_counts = {k: len(v) for k, v in by_class.items()}
    if our_counts != counts:
        problems.append(f"counts: ours {our_counts}, ogrinfo {counts}")
    worst = 0.0
    for layer in counts:
        theirs = ogr_layer(cell, layer, folder)
        mine = by_class.get(layer, [])
        if len(theirs) != len(mine):
            problems.append(f"{layer}: {len(mine)} features, ogr2ogr {len(theirs)}")
            continue
        for i, (a, b) in enumerate(zip(mine, theirs)):
            for key, value in b["properties"].items():
                if value is None:
                    continue
                if not same_value(a["properties"].get(key), value):
                    problems.append(f"{layer}[{i}].{key}: ours {a['properties'].get(key)!r}, "
                                    f"GDAL {value!r}")
            pa, pb = flat_coords(a["geometry"]), flat_coords(b["geometry"])
            if len(pa) != len(pb):
                problems.append(f"{layer}[{i}]: {len(pa)} points, GDAL {len(pb)}")
                continue
            for p, q in zip(pa, pb):
                worst = max(worst, abs(p[0] - q[0]), abs(p[1] - q[1]))
    if worst > 1.0000001e-7:
        problems.append(f"coordinates differ by up to {worst:.3e} degree")
    name = os.path.basename(cell)
    if os.path.exists(cell[:-4] + ".001"):
        # With updates off both read the base alone, and the update changed it.
        base = json.loads(subprocess.run([vchart, "geojson", cell, "--no-updates"], check=True,
                                         capture_output=True, text=True).stdout)["features"]
        base_counts = {}
        for f in base:
            base_counts[f["properties"]["class"]] = base_counts.get(f["properties"]["class"], 0) + 1
        theirs = ogr_counts(cell, ["-oo", "UPDATES=IGNORE"])
        if base_counts != theirs:
            problems.append(f"without updates: ours {base_counts}, ogrinfo {theirs}")
        if base == ours:
            problems.append("the update changed nothing")
        print(f"{name}: without its updates {sum(base_counts.values())} features")
    print(f"{name}: {sum(our_counts.values())} features in {len(our_counts)} classes, "
          f"largest coordinate difference {worst:.2e} degree")
    return [f"{name}: {p}" for p in problems]


def main():
    vchart, folder = sys.argv[1], sys.argv[2]
    cells = sorted(os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".000"))
    if not cells:
        print("no sample cells in " + folder)
        return 1
    problems = []
    with tempfile.TemporaryDirectory() as tmp:
        for cell in cells:
            problems += check_cell(vchart, cell, tmp)
    for p in problems[:40]:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
