#!/usr/bin/env python3
"""Plays a voyage along a stored route as NMEA 0183 (RMC and GGA, once a second).

    voyage.py ROUTE.dbf OUTPUT [--route N] [--knots K] [--offset METRES] [--speedup X]

The route is read with dbfread, a reader this program's tables were not
written with: the route table's link table (ROUTE.X/<id>.dbf, in ORDER) and
the waypoint table it names. The vessel sails each leg on its rhumb line,
OFFSET metres to starboard of it (negative: to port), at K knots; SPEEDUP
plays X seconds of the voyage per second of wall time. OUTPUT is a file or a
serial device such as one end of a socat pty pair.
"""
import argparse
import datetime
import math
import os
import sys
import time

import dbfread

EARTH_NM = 3440.065


def route_points(path, number):
    base = os.path.splitext(path)[0]
    routes = list(dbfread.DBF(base + ".dbf"))
    route = routes[number - 1]
    ident = "%08d" % route["UNIQUE"]
    links = sorted(dbfread.DBF(os.path.join(base + ".X", ident + ".dbf")),
                   key=lambda r: (r["ORDER"], r["UNIQUE"]))
    points = {r["UNIQUE"]: r for r in dbfread.DBF(os.path.join(base + ".X", ident, ident + ".dbf"))}
    return [(points[l["ID"]]["LAT"], points[l["ID"]]["LNG"]) for l in links if l["ID"] in points]


def checksum(body):
    c = 0
    for ch in body:
        c ^= ord(ch)
    return "%02X" % c


def angle(value, positive, negative, width):
    hemisphere = positive if value >= 0 else negative
    value = abs(value)
    degrees = int(value)
    return "%0*d%07.4f" % (width, degrees, (value - degrees) * 60), hemisphere


def sentences(lat, lon, knots, course, when):
    la, ns = angle(lat, "N", "S", 2)
    lo, ew = angle(lon, "E", "W", 3)
    hms, dmy = when.strftime("%H%M%S.00"), when.strftime("%d%m%y")
    for body in ("GPRMC,%s,A,%s,%s,%s,%s,%.1f,%.1f,%s,," % (hms, la, ns, lo, ew, knots, course, dmy),
                 "GPGGA,%s,%s,%s,%s,%s,1,08,1.0,10.0,M,-17.0,M,," % (hms, la, ns, lo, ew)):
        yield "$%s*%s\r\n" % (body, checksum(body))


def rhumb(lat1, lon1, lat2, lon2):
    """Course (degrees true) and distance (nm) on a sphere, for short legs."""
    dlat = math.radians(lat2 - lat1)
    mean = math.radians((lat1 + lat2) / 2)
    dlon = math.radians(lon2 - lon1) * math.cos(mean)
    return (math.degrees(math.atan2(dlon, dlat)) % 360, math.hypot(dlat, dlon) * EARTH_NM)


def move(lat, lon, course, nm):
    dlat = nm / EARTH_NM * math.cos(math.radians(course))
    lat2 = lat + math.degrees(dlat)
    dlon = nm / EARTH_NM * math.sin(math.radians(course)) / math.cos(math.radians((lat + lat2) / 2))
    return lat2, lon + math.degrees(dlon)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("route")
    parser.add_argument("output")
    parser.add_argument("--route-number", type=int, default=1)
    parser.add_argument("--knots", type=float, default=12.0)
    parser.add_argument("--offset", type=float, default=0.0)
    parser.add_argument("--speedup", type=float, default=1.0)
    args = parser.parse_args()
    points = route_points(args.route, args.route_number)
    if len(points) < 2:
        sys.exit("voyage.py: the route has fewer than two waypoints")
    when = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0)
    step = args.knots / 3600.0
    with open(args.output, "w") as out:
        for (lat1, lon1), (lat2, lon2) in zip(points, points[1:]):
            course, length = rhumb(lat1, lon1, lat2, lon2)
            sideways = (course + 90) % 360
            run = 0.0
            while run < length:
                lat, lon = move(lat1, lon1, course, run)
                lat, lon = move(lat, lon, sideways, args.offset / 1852.0)
                for line in sentences(lat, lon, args.knots, course, when):
                    out.write(line)
                out.flush()
                run += step
                when += datetime.timedelta(seconds=1)
                time.sleep(1.0 / args.speedup)


if __name__ == "__main__":
    main()
