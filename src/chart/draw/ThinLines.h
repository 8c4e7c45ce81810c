#pragma once
// One-pixel solid lines written straight into RGB32 memory.
//
// Each line steps along its longer axis one pixel at a time and takes the
// pixel nearest the true line across it. Corners are drawn; an open path
// leaves out an end that lies at the far end of its line along that axis
// (bottom or right), keeping the other, as Qt's painter draws a one-pixel
// line. Where the painter's pixel choice differs, by its diamond rule or
// where it cuts a line at the device's edge, a pixel here lies one beside
// the painter's. Stroking through the painter costs many times this for
// the long, many-pointed outlines of a chart.

#include <cstdint>
#include <span>

#include "chart/draw/DrawTypes.h"

namespace chart {

// Draws the lines between the points in turn in `pixel`, within `clip` (cut
// to the memory). `closed` adds the line from the last point to the first.
void DrawThinLines(const CPixelView& dest, const IntRect& clip, std::span<const IntPoint> points,
                   bool closed, std::uint32_t pixel);

}   // namespace chart
