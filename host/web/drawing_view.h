// What the page draws: the primitives of the current space (model space, or paper
// space when TILEMODE is 0) that fall in a window, as JSON, with their colours
// resolved to RGB. Runs on the command thread: it reads the drawing.
#pragma once

#include <string>

#include "dbmain.h"

namespace vemweb {

struct ViewWindow {
    double minX = -1e300, minY = -1e300, maxX = 1e300, maxY = 1e300;
};

// {"extents":[x0,y0,x1,y1] or null, "space":"model"|"paper", "items":[...]}, each item
// one of
//   {"k":"l","c":"#rrggbb","p":[x,y,...]}      polyline
//   {"k":"g","c":"#rrggbb","p":[x,y,...]}      polygon (filled)
//   {"k":"o","c":"#rrggbb","x":..,"y":..,"r":..}  circle
//   {"k":"t","c":"#rrggbb","x":..,"y":..,"h":..,"a":..,"s":"text"}
// The extents are those of everything drawn in the space, the items only those meeting
// the window.
std::string viewJson(AcDbDatabase* db, const ViewWindow& window);

}  // namespace vemweb
