// What entities draw into: the renderer's input. Polylines for curves and
// point batches for point clouds; both in world coordinates.
#pragma once

#include <cstddef>

#include "sdk/OdGe.h"

// 0x00RRGGBB.
using OdGiRgb = OdUInt32;

class ODSDK_EXPORT OdGiDrawSink {
 public:
  virtual ~OdGiDrawSink() = default;
  // A connected line through count points, in one colour.
  virtual void polyline(const OdGePoint3d* points, std::size_t count, OdGiRgb color) = 0;
  // count points, each with its own colour (colors may be null: all in
  // defaultColor), drawn as squares of pointSize pixels. The arrays are
  // copied before the call returns.
  virtual void points(const float* xyz, const OdGiRgb* colors, std::size_t count, OdGiRgb defaultColor,
                      int pointSize) = 0;
};
