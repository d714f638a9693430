// How the host shows points: the figures of PDMODE and the size of PDSIZE, which the
// drawing keeps and every point of it follows.
#pragma once

#include "dbmain.h"

namespace acrt {

// Whether mode is one the host draws: a figure 0 (dot), 1 (nothing), 2 (+), 3 (x) or
// 4 (tick), alone or with 32 (a circle round it), 64 (a square) or 96 (both) added.
ACRT_PORT bool isPointMode(int mode);

// The size of the figures for a PDSIZE in a view viewHeight drawing units high: the size
// itself above 0, five per cent of the view at 0, -size per cent of it below 0. Without
// a view (viewHeight 0) sizes given as shares of it are 0: the figures shrink to the point.
ACRT_PORT double pointFigureSize(double pdsize, double viewHeight);

}  // namespace acrt
