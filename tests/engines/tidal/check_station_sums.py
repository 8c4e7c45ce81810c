#!/usr/bin/env python3
"""Compares the sample tidal model, through the tidal-model library, with
sums of the stations' own harmonic constants from Debian's harmonic database.

The database is read through restore_tide_db (libtcd's dump); each sum uses
the database's speeds, equilibrium arguments, node factors and the station's
zone offset; nothing of ours goes into it.

1. Four stations at the centre of their cells, hour by hour for a year across
   1 January 2030 (and across both of the Pacific clock changes, which a UTC
   model must not notice).
2. Every station the model holds at the station's own position, for 30 days
   of December 2026: streams hour by hour within 0.05 kn, towards the
   station's flood or ebb direction within 5 degrees above 0.5 kn, every
   slack within 5 minutes and no slack of the model's own; heights within
   1 cm. Each station's position lies inside the model's area, and every
   station the model leaves out says why in stations.txt.

    check_station_sums.py LIBRARY MODEL_FOLDER [DATABASE]
"""
import ctypes
import datetime
import math
import os
import subprocess
import sys
import tempfile

KNOT = 1852.0 / 3600.0
FOOT = 0.3048
STATIONS = {
    "Admiralty Inlet (off Bush Point) (Depth 29ft), Washington Current": "current",
    "Bush Point Light, 0.5 mile NW of (Depth 43.9ft), Admiralty Inlet, Washington Current": "current",
    "Port Townsend (Point Hudson), Admiralty Inlet, Washington": "height",
    "Seattle, Puget Sound, Washington": "height",
}


def read_database(path):
    with tempfile.TemporaryDirectory() as work:
        subprocess.run(["restore_tide_db", path, os.path.join(work, "db")], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(os.path.join(work, "db.txt"), encoding="latin-1") as f:
            lines = f.read().split("\n")
    body = [l for l in lines if not l.startswith("#")]
    tokens = iter(" ".join(body[:body.index("*END*", body.index("*END*") + 1) + 1]).split())
    count = int(next(tokens))
    names, speeds = [], []
    for _ in range(count):
        names.append(next(tokens))
        speeds.append(float(next(tokens)))
    first_year = int(next(tokens))
    years = int(next(tokens))
    equilibrium = [[float(next(tokens)) for _ in range(years)] for _ in range(count)
                   if next(tokens)]
    assert next(tokens) == "*END*"
    assert int(next(tokens)) == years
    factors = [[float(next(tokens)) for _ in range(years)] for _ in range(count) if next(tokens)]
    assert next(tokens) == "*END*"

    # Each reference station: its hot comments, then name, zone, datum and
    # one line per constituent.
    stations = {}
    comments = {}
    for i, line in enumerate(lines):
        if line.startswith("# BEGIN HOT COMMENTS"):
            comments = {}
        elif line.startswith("# ") and ":" in line:
            key, value = line[2:].split(":", 1)
            comments[key.strip().lstrip("!")] = value.strip()
        elif "latitude" in comments and line and not line.startswith("#"):
            meridian = lines[i + 1].split()[0]
            sign = -1 if meridian.startswith("-") else 1
            hh, mm = meridian.lstrip("+-").split(":")
            zone = sign * (int(hh) + int(mm) / 60.0)
            datum, units = lines[i + 2].split()[:2]
            constants = []
            for k in range(count):
                words = lines[i + 3 + k].split()
                constants.append((float(words[1]), float(words[2])))

            def direction(key):
                return float(comments[key]) if key in comments else None
            stations[line] = dict(zone=zone, datum=float(datum), units=units,
                                  lat=float(comments["latitude"]),
                                  lon=float(comments["longitude"]),
                                  flood=direction("max_direction"),
                                  ebb=direction("min_direction"), constants=constants)
            comments = {}
    return dict(speeds=speeds, first_year=first_year, equilibrium=equilibrium, factors=factors,
                stations=stations)


def station_sum(db, station, when):
    """The station's value at a UTC datetime: signed knots or feet/metres."""
    year = when.year
    y = year - db["first_year"]
    hours = (when - datetime.datetime(year, 1, 1)).total_seconds() / 3600.0
    total = station["datum"] if station["units"] == "knots" else 0.0
    for k, (amplitude, epoch) in enumerate(station["constants"]):
        if amplitude == 0:
            continue
        arg = db["speeds"][k] * (hours + station["zone"]) + db["equilibrium"][k][y] - epoch
        total += amplitude * db["factors"][k][y] * math.cos(math.radians(arg))
    return total


class Library:
    def __init__(self, path, folder):
        self.lib = ctypes.CDLL(path)
        for f in (self.lib.SetPath, self.lib.SetDataFileName, self.lib.DoPrediction):
            f.restype = ctypes.c_int16
        assert self.lib.SetPath((folder + "/").encode()) == 0
        assert self.lib.SetDataFileName(b"PugetSound.tid", b"PugetSound.dat") == 0
        self.words = [ctypes.c_int16() for _ in range(5)]

    def predict(self, lat, lon, when):
        """(code, height m, rate kn, direction deg) at a UTC datetime."""
        la = ctypes.c_int32(int(lat * 1e7))
        lo = ctypes.c_int32(int(lon * 1e7))
        w = self.words
        code = self.lib.DoPrediction(1, ctypes.byref(la), ctypes.byref(lo), when.day, when.month,
                                     when.year, when.hour, when.minute, when.second, 0,
                                     *[ctypes.byref(x) for x in w])
        return code, w[0].value / 1000.0, w[3].value / 1000.0 / KNOT, w[4].value / 10.0


def gap(a, b):
    return abs((a - b + 180.0) % 360.0 - 180.0)


def compare(worst, station, kind, value, prediction, flood, ebb, above):
    """One hour's prediction against the station's sum `value`: worst holds the
    largest height (m), rate (kn) and direction (deg, above `above` kn) gaps."""
    height, rate, direction = prediction
    if kind == "height":
        metres = value * (FOOT if station["units"] == "feet" else 1.0)
        worst[0] = max(worst[0], abs(height - metres))
    else:
        worst[1] = max(worst[1], abs(rate - abs(value)))
        if abs(value) > above:
            worst[2] = max(worst[2], gap(direction, flood if value > 0 else ebb))


def crossings(signed, start, end, step):
    """Times where signed(t) changes sign, each found to a second."""
    out = []
    t, before = start, signed(start)
    while t < end:
        u = t + step
        after = signed(u)
        if (before > 0) != (after > 0):
            lo, hi = t, u
            while (hi - lo).total_seconds() > 1:
                mid = lo + (hi - lo) / 2
                mid = mid.replace(microsecond=0)
                if mid <= lo:
                    break
                if (signed(mid) > 0) == (before > 0):
                    lo = mid
                else:
                    hi = mid
            out.append(hi)
        t, before = u, after
    return out


def year_at_cells(db, lib, north, west, lon_step, lat_step, cells):
    """The four stations at the centre of their cells for a year."""
    failures = 0
    for name, kind in STATIONS.items():
        station = db["stations"][name]
        if name not in cells:
            print("FAIL: %s has no cell of its own in the model" % name)
            failures += 1
            continue
        row, column = cells[name]
        lat, lon = north - row * lat_step, west + column * lon_step
        worst = [0.0, 0.0, 0.0]
        start = datetime.datetime(2029, 6, 1)
        for hour in range(0, 365 * 24):
            when = start + datetime.timedelta(hours=hour)
            code, *prediction = lib.predict(lat, lon, when)
            if code not in (0, -1, -2):
                print("FAIL: %s at %s: code %d" % (name, when, code))
                failures += 1
                break
            compare(worst, station, kind, station_sum(db, station, when), prediction,
                    station["flood"], station["ebb"], 0.4)
        worst_height, worst_rate, worst_direction = worst
        if kind == "height":
            ok = worst_height <= 0.005
            print("%s %s: worst height %.4f m" % ("ok" if ok else "FAIL", name, worst_height))
        else:
            ok = worst_rate <= 0.02 and worst_direction <= 1.0
            print("%s %s: worst rate %.3f kn, worst direction %.2f deg"
                  % ("ok" if ok else "FAIL", name, worst_rate, worst_direction))
        failures += 0 if ok else 1
    return failures


def month_at_stations(db, lib, held, area):
    """Every station the model holds, at its own position, for 30 days."""
    failures = 0
    start = datetime.datetime(2026, 12, 1)
    end = start + datetime.timedelta(days=30)
    for name, (kind, flood, ebb) in sorted(held.items()):
        station = db["stations"][name]
        lat, lon = station["lat"], station["lon"]
        north, south, west, east = area
        problems = []
        if not (south <= lat <= north and west <= lon <= east):
            problems.append("outside the model's area")
        if station["flood"] is not None:
            flood, ebb = station["flood"], station["ebb"]
        worst = [0.0, 0.0, 0.0]
        # A stream at a stream station's own position is the station's
        # (code 0); a tide station may lie far from any stream (-3), but its
        # height is still given.
        bad_code = None
        for hour in range(30 * 24):
            when = start + datetime.timedelta(hours=hour)
            code, *prediction = lib.predict(lat, lon, when)
            if code not in (0, -1, -2, -3):
                bad_code = code
                break
            if kind == "current" and code != 0 and bad_code is None:
                problems.append("code %d at its own position" % code)
                bad_code = code
            compare(worst, station, kind, station_sum(db, station, when), prediction, flood, ebb,
                    0.5)
        worst_height, worst_rate, worst_direction = worst
        if bad_code is not None and bad_code > 0:
            problems.append("code %d at its own position" % bad_code)
            print("FAIL %s: %s" % (name, "; ".join(problems)))
            failures += 1
            continue
        if kind == "height":
            if worst_height > 0.01:
                problems.append("height off by %.1f cm" % (worst_height * 100))
            print("%s %s: worst height %.2f cm%s" % ("FAIL" if problems else "ok", name,
                  worst_height * 100, "; " + "; ".join(problems) if problems else ""))
            failures += 1 if problems else 0
            continue

        # The direction (from the unrounded stream) gives the sign even where
        # the rate rounds to 0 mm/s in a slow slack.
        def model_signed(when):
            _, _, rate, direction = lib.predict(lat, lon, when)
            return rate + 1e-9 if gap(direction, flood) <= gap(direction, ebb) else -rate - 1e-9
        ten = datetime.timedelta(minutes=10)
        truth = crossings(lambda t: station_sum(db, station, t), start, end, ten)
        ours = crossings(model_signed, start, end, ten)
        worst_slack = 0.0
        for t in truth:
            nearest = min((abs((o - t).total_seconds()) for o in ours), default=1e9)
            worst_slack = max(worst_slack, nearest / 60.0)
        extra = len(ours) - len(truth)
        if worst_rate > 0.05:
            problems.append("rate off by %.2f kn" % worst_rate)
        if worst_direction > 5.0:
            problems.append("direction off by %.0f deg" % worst_direction)
        if worst_slack > 5.0:
            problems.append("a slack %.0f min off" % worst_slack)
        if extra != 0:
            problems.append("%+d slacks" % extra)
        print("%s %s: worst rate %.3f kn, direction %.1f deg, slack %.1f min, %d slacks%s"
              % ("FAIL" if problems else "ok", name, worst_rate, worst_direction, worst_slack,
                 len(truth), "; " + "; ".join(problems) if problems else ""))
        failures += 1 if problems else 0
    return failures


def main():
    library, folder = sys.argv[1], sys.argv[2]
    database = sys.argv[3] if len(sys.argv) > 3 else "/usr/share/xtide/harmonics-dwf-20191229-free.tcd"
    if not os.path.exists(database):
        print("SKIP: xtide-data is not installed (no %s)" % database)
        return 77
    db = read_database(database)
    lib = Library(library, folder)
    header = open(os.path.join(folder, "PugetSound.tid")).read().split("\n")
    rows, columns = (int(x) for x in header[0].split()[1:3])
    lon_step, lat_step, west, north = (float(x) for x in header[1].split())
    # The area the program gives the model: two rows and columns short of the grid.
    area = (north, north - (rows - 2) * lat_step, west, west + (columns - 2) * lon_step)
    cells, held = {}, {}
    failures = 0
    for line in open(os.path.join(folder, "stations.txt")):
        fields = line.rstrip("\n").split("\t")
        kind, row, column, name = fields[0], int(fields[1]), int(fields[2]), fields[3]
        flood = ebb = None
        if len(fields) >= 9:
            name, note = fields[7], fields[8]
            flood, ebb = float(fields[5]), float(fields[6])
            if row < 0 and not note.startswith("left out: "):
                print("FAIL: %s is left out of the model without a reason" % name)
                failures += 1
        if row >= 0:
            cells[name] = (row, column)
            held[name] = (kind, flood, ebb)

    failures += year_at_cells(db, lib, north, west, lon_step, lat_step, cells)
    failures += month_at_stations(db, lib, held, area)
    print("%d failure(s)" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
