#!/usr/bin/env python3
"""Compares the sample tidal model, through the tidal-model library, with
sums of the stations' own harmonic constants from Debian's harmonic database.

The database is read through restore_tide_db (libtcd's dump); each sum uses
the database's speeds, equilibrium arguments, node factors and the station's
zone offset; nothing of ours goes into it. The library is asked at the centre
of each station's cell, hour by hour for a year across 1 January 2030 (and
across both of the Pacific clock changes, which a UTC model must not notice).

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

    stations = {}
    i = 0
    while i < len(lines):
        if lines[i] in STATIONS:
            meridian = lines[i + 1].split()[0]
            sign = -1 if meridian.startswith("-") else 1
            hh, mm = meridian.lstrip("+-").split(":")
            zone = sign * (int(hh) + int(mm) / 60.0)
            datum, units = lines[i + 2].split()[:2]
            direction = None
            for back in range(i - 1, max(i - 20, 0), -1):
                if lines[back].startswith("# max_direction:"):
                    direction = float(lines[back].split(":")[1])
                    break
            constants = []
            for k in range(count):
                words = lines[i + 3 + k].split()
                constants.append((float(words[1]), float(words[2])))
            stations[lines[i]] = dict(zone=zone, datum=float(datum), units=units,
                                      flood=direction, constants=constants)
        i += 1
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


def main():
    library, folder = sys.argv[1], sys.argv[2]
    database = sys.argv[3] if len(sys.argv) > 3 else "/usr/share/xtide/harmonics-dwf-20191229-free.tcd"
    if not os.path.exists(database):
        print("SKIP: xtide-data is not installed (no %s)" % database)
        return 77
    db = read_database(database)
    lib = ctypes.CDLL(library)
    lib.SetPath.restype = ctypes.c_int16
    lib.SetDataFileName.restype = ctypes.c_int16
    lib.DoPrediction.restype = ctypes.c_int16
    assert lib.SetPath((folder + "/").encode()) == 0
    assert lib.SetDataFileName(b"PugetSound.tid", b"PugetSound.dat") == 0
    header = open(os.path.join(folder, "PugetSound.tid")).read().split("\n")
    lon_step, lat_step, west, north = (float(x) for x in header[1].split())
    cells = {}
    for line in open(os.path.join(folder, "stations.txt")):
        kind, row, column, name = line.rstrip("\n").split("\t")
        cells[name] = (int(row), int(column))

    failures = 0
    words = [ctypes.c_int16() for _ in range(5)]
    for name, kind in STATIONS.items():
        station = db["stations"][name]
        if name not in cells:
            print("FAIL: %s has no cell of its own in the model" % name)
            failures += 1
            continue
        row, column = cells[name]
        lat = ctypes.c_int32(int((north - row * lat_step) * 1e7))
        lon = ctypes.c_int32(int((west + column * lon_step) * 1e7))
        worst_rate = worst_height = worst_direction = 0.0
        peak_flood = peak_ebb = (0.0, None)
        start = datetime.datetime(2029, 6, 1)
        for hour in range(0, 365 * 24):
            when = start + datetime.timedelta(hours=hour)
            code = lib.DoPrediction(1, ctypes.byref(lat), ctypes.byref(lon), when.day, when.month,
                                    when.year, when.hour, 0, 0, 0, *[ctypes.byref(w) for w in words])
            if code not in (0, -1, -2):
                print("FAIL: %s at %s: code %d" % (name, when, code))
                failures += 1
                break
            value = station_sum(db, station, when)
            if kind == "height":
                metres = value * (FOOT if station["units"] == "feet" else 1.0)
                worst_height = max(worst_height, abs(words[0].value / 1000.0 - metres))
            else:
                rate = abs(value) * KNOT
                worst_rate = max(worst_rate, abs(words[3].value / 1000.0 - rate))
                if value > peak_flood[0]:
                    peak_flood = (value, words[4].value / 10.0)
                if -value > peak_ebb[0]:
                    peak_ebb = (-value, words[4].value / 10.0)
                if abs(value) > 0.2:
                    towards = station["flood"] if value > 0 else station["flood"] + 180.0
                    gap = abs((words[4].value / 10.0 - towards + 180.0) % 360.0 - 180.0)
                    worst_direction = max(worst_direction, gap)
        if kind == "height":
            ok = worst_height <= 0.005
            print("%s %s: worst height %.4f m" % ("ok" if ok else "FAIL", name, worst_height))
        else:
            # At the sum's strongest flood and ebb the model's streams oppose.
            opposed = abs((peak_flood[1] - peak_ebb[1]) % 360.0 - 180.0)
            ok = worst_rate <= 0.01 and worst_direction <= 1.0 and opposed <= 1.0
            print("%s %s: worst rate %.4f m/s, worst direction %.2f deg; peak flood %.1f kn to"
                  " %.1f, peak ebb %.1f kn to %.1f"
                  % ("ok" if ok else "FAIL", name, worst_rate, worst_direction, peak_flood[0],
                     peak_flood[1], peak_ebb[0], peak_ebb[1]))
        failures += 0 if ok else 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
