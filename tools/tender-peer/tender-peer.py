#!/usr/bin/env python3
"""Tender units answering the transceiver's polls on a serial line.

Each unit is given as CODE=SERIAL,LAT,LON,COURSE,SPEED[,DEPTH][,panic]: when
"ATX" and the code byte arrive, the unit answers with its position ("RMC"),
its depth ("DBT") and, with "panic", a man-overboard alarm ("MOVB"), each a
"$PABX" line with a checksum. Positions move by dead reckoning on a flat
earth, good enough for a few miles. Runs until killed.

    tender-peer.py /dev/pts/7 0A=0001,47.6,-122.4,90,6 0C=0002,47.61,-122.41,180,3,4.5,panic
"""
import math
import os
import sys
import time


def checksum(body):
    value = 0
    for c in body[1:]:
        value ^= ord(c)
    return '%s*%02X\r\n' % (body, value)


def degrees_minutes(value, digits):
    magnitude = abs(value)
    whole = int(magnitude)
    minutes = (magnitude - whole) * 60.0
    return '%0*d%09.6f' % (digits, whole, minutes)


class Unit:
    def __init__(self, described):
        fields = described.split(',')
        self.serial = fields[0]
        self.lat, self.lon = float(fields[1]), float(fields[2])
        self.course, self.speed = float(fields[3]), float(fields[4])
        self.depth = float(fields[5]) if len(fields) > 5 and fields[5] != 'panic' else 3.0
        self.panic = 'panic' in fields[5:]
        self.since = time.time()

    def answer(self):
        now = time.time()
        hours = (now - self.since) / 3600.0
        self.since = now
        run = self.speed * hours / 60.0
        self.lat += run * math.cos(math.radians(self.course))
        self.lon += run * math.sin(math.radians(self.course)) / math.cos(math.radians(self.lat))
        t = time.gmtime(now)
        lines = [
            '$PABX,%s,RMC,%s,A,%s,%s,%s,%s,%.1f,%.1f,%s,,' % (
                self.serial, time.strftime('%H%M%S', t) + '.00',
                degrees_minutes(self.lat, 2), 'S' if self.lat < 0 else 'N',
                degrees_minutes(self.lon, 3), 'W' if self.lon < 0 else 'E',
                self.speed, self.course, time.strftime('%d%m%y', t)),
            '$PABX,%s,DBT,,,%.1f,M,,' % (self.serial, self.depth),
        ]
        if self.panic:
            lines.append('$PABX,%s,MOVB' % self.serial)
        return ''.join(checksum(line) for line in lines)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    units = {}
    for argument in sys.argv[2:]:
        code, rest = argument.split('=', 1)
        units[int(code, 16)] = Unit(rest)
    fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)
    pending = b''
    while True:
        pending += os.read(fd, 64)
        while True:
            at = pending.find(b'ATX')
            if at < 0 or len(pending) < at + 4:
                pending = pending[at:] if at >= 0 else b''
                break
            code = pending[at + 3]
            pending = pending[at + 4:]
            unit = units.get(code)
            print('poll %02X%s' % (code, '' if unit else ' (no unit)'), file=sys.stderr, flush=True)
            if unit:
                os.write(fd, unit.answer().encode('ascii'))


if __name__ == '__main__':
    main()
