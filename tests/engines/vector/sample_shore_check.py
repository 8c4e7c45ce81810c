#!/usr/bin/env python3
"""The sample cells' land and sea against GMT's own reading of the shorelines.

Positions on a lattice over each Puget Sound cell, as this system reads the
cell (`vchart geojson`): each must lie in exactly one land area or depth area
(no gap, no overlap), and land exactly where `gmt select` says land at the
GSHHG resolution the cell was made from; and the world cell's sea over Puget
Sound not in its drying areas, and no shoreline of a lake along a river in the
world cell (a fraction of a pixel wide there, such a lake draws as a dark
stroke across the land).
Usage: sample_shore_check.py <vchart> <sample-cells folder>
"""
import json
import os
import subprocess
import sys
import tempfile

# Cell, GSHHG resolution it was made from.
CELLS = {"US2WA01M": "h", "US4WA02M": "f", "US5WA03M": "f"}
LATTICE = 48


def rings_of(geometry):
    t, c = geometry["type"], geometry["coordinates"]
    polygons = [c] if t == "Polygon" else c if t == "MultiPolygon" else []
    return [rings for rings in polygons]


def inside_ring(x, y, ring):
    hit = False
    for (x1, y1), (x2, y2) in zip(ring, ring[1:]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            hit = not hit
    return hit


class Areas:
    """Polygons with their bounding boxes, for point tests."""

    def __init__(self, features):
        self.polygons = []
        for f in features:
            for rings in rings_of(f["geometry"]):
                rings = [[p[:2] for p in r] for r in rings]
                xs = [p[0] for p in rings[0]]
                ys = [p[1] for p in rings[0]]
                self.polygons.append(((min(xs), min(ys), max(xs), max(ys)), rings))

    def count_containing(self, x, y):
        n = 0
        for (x0, y0, x1, y1), rings in self.polygons:
            if x0 <= x <= x1 and y0 <= y <= y1 and inside_ring(x, y, rings[0]) and \
                    not any(inside_ring(x, y, hole) for hole in rings[1:]):
                n += 1
        return n


def gmt_land(points, region, resolution, scratch):
    text = "".join(f"{x:.9f} {y:.9f} {i}\n" for i, (x, y) in enumerate(points))
    out = subprocess.run(["gmt", "select", "-R" + "/".join(f"{v:.7f}" for v in region),
                          "-D" + resolution, "-Ns/k/s/k/s"], input=text, check=True,
                         capture_output=True, text=True, cwd=scratch).stdout
    return {int(float(line.split()[-1])) for line in out.splitlines()
            if line and not line.startswith(">")}


def check_cell(vchart, cell, resolution, scratch):
    features = json.loads(subprocess.run([vchart, "geojson", cell], check=True,
                                         capture_output=True, text=True).stdout)["features"]
    by_class = {}
    for f in features:
        by_class.setdefault(f["properties"]["class"], []).append(f)
    cover = by_class["M_COVR"][0]["geometry"]["coordinates"][0][0]
    west, east = min(p[0] for p in cover), max(p[0] for p in cover)
    south, north = min(p[1] for p in cover), max(p[1] for p in cover)
    land, depth = Areas(by_class.get("LNDARE", [])), Areas(by_class.get("DEPARE", []))
    # Cell centres of a lattice, off any rounded position a shoreline could hold.
    points = [(west + (east - west) * (i + 0.5137) / LATTICE,
               south + (north - south) * (j + 0.4871) / LATTICE)
              for j in range(LATTICE) for i in range(LATTICE)]
    theirs = gmt_land(points, (west, east, south, north), resolution, scratch)
    gaps, overlaps, differ = [], [], []
    for i, (x, y) in enumerate(points):
        on_land, in_depth = land.count_containing(x, y), depth.count_containing(x, y)
        if on_land + in_depth == 0:
            gaps.append((x, y))
        elif on_land + in_depth > 1:
            overlaps.append((x, y))
        elif (on_land == 1) != (i in theirs):
            differ.append((x, y))
    name = os.path.basename(cell)
    print(f"{name}: {len(points)} positions, {len(theirs)} on land by GMT; {len(gaps)} in no "
          f"area, {len(overlaps)} in two, {len(differ)} land or sea unlike GMT")
    problems = []
    for label, where in (("in no area", gaps), ("in two areas", overlaps),
                         ("land or sea unlike GMT", differ)):
        if where:
            problems.append(f"{name}: {len(where)} positions {label}, first at "
                            f"{where[0][0]:.5f} {where[0][1]:.5f}")
    return problems


def check_world_sound(vchart, cell):
    """The world cell over Puget Sound: its sea there is not taken for drying
    ground (as a band step of the world cell's coarseness would make it)."""
    features = json.loads(subprocess.run([vchart, "geojson", cell], check=True,
                                         capture_output=True, text=True).stdout)["features"]
    drying = Areas([f for f in features if f["properties"]["class"] == "DEPARE" and
                    float(f["properties"].get("DRVAL1", "0")) < 0])
    sea = Areas([f for f in features if f["properties"]["class"] == "DEPARE"])
    west, east, south, north = -123.2, -122.0, 47.0, 48.3
    points = [(west + (east - west) * (i + 0.5137) / LATTICE,
               south + (north - south) * (j + 0.4871) / LATTICE)
              for j in range(LATTICE) for i in range(LATTICE)]
    wet = [(x, y) for x, y in points if sea.count_containing(x, y)]
    dry = [(x, y) for x, y in wet if drying.count_containing(x, y)]
    print(f"{os.path.basename(cell)} over Puget Sound: {len(wet)} sea positions, "
          f"{len(dry)} of them in drying areas")
    if wet and len(dry) * 10 > len(wet):
        return [f"{os.path.basename(cell)}: {len(dry)} of {len(wet)} sea positions of Puget "
                f"Sound lie in drying areas, first at {dry[0][0]:.5f} {dry[0][1]:.5f}"]
    return []


def coast_vertices(options, scratch):
    out = subprocess.run(["gmt", "coast", "-R-180/180/-80/84", "-Dc", "-M", "-W"] + options,
                         check=True, capture_output=True, text=True, cwd=scratch).stdout
    return {(round(float(w[0]), 4), round(float(w[1]), 4))
            for w in (line.split() for line in out.splitlines() if not line.startswith(">"))
            if len(w) >= 2}


def check_world_river_lakes(vchart, cell, scratch):
    """The world cell's coastlines hold no vertex that only a river lake has."""
    features = json.loads(subprocess.run([vchart, "geojson", cell], check=True,
                                         capture_output=True, text=True).stdout)["features"]
    river_only = coast_vertices(["-A0+r"], scratch) - coast_vertices(["-A0+l"], scratch)
    found = [(round(p[0], 4), round(p[1], 4)) for f in features
             if f["properties"]["class"] == "COALNE"
             for p in f["geometry"]["coordinates"]]
    hits = [p for p in found if p in river_only]
    print(f"{os.path.basename(cell)}: {len(found)} coastline vertices, {len(hits)} of the "
          f"{len(river_only)} that only river lakes have")
    if not river_only:
        return ["GMT gave no river lake shoreline to compare with"]
    if hits:
        return [f"{os.path.basename(cell)}: {len(hits)} coastline vertices of lakes along "
                f"rivers, first at {hits[0][0]:.4f} {hits[0][1]:.4f}"]
    return []


def main():
    vchart, folder = sys.argv[1], sys.argv[2]
    problems = []
    # GMT leaves a history file where it runs: a folder of its own.
    with tempfile.TemporaryDirectory() as scratch:
        for name, resolution in CELLS.items():
            cell = os.path.join(folder, name + ".000")
            if not os.path.exists(cell):
                problems.append(f"{cell} is missing")
                continue
            problems += check_cell(vchart, cell, resolution, scratch)
        world = os.path.join(folder, "LCWORLD.000")
        if os.path.exists(world):
            problems += check_world_sound(vchart, world)
            problems += check_world_river_lakes(vchart, world, scratch)
        else:
            problems.append(f"{world} is missing")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
