// What the page draws: the primitives of the current space (model space, or paper
// space when TILEMODE is 0) that fall in a window, as JSON, with their colours
// resolved to RGB, at the level of detail the view's size in pixels allows. Runs on the
// command thread: it reads the drawing.
#pragma once

#include <string>
#include <vector>

#include "dbmain.h"

namespace vemweb {

struct ViewWindow {
    double minX = -1e300, minY = -1e300, maxX = 1e300, maxY = 1e300;
    int pixelWidth = 0, pixelHeight = 0;  // the view's size on screen; 0: every detail
};

// {"extents":[x0,y0,x1,y1] or null, "space":"model"|"paper", "items":[...]}, each item
// one of
//   {"k":"l","c":"#rrggbb","p":[x,y,...]}      polyline
//   {"k":"g","c":"#rrggbb","p":[x,y,...]}      polygon (filled)
//   {"k":"o","c":"#rrggbb","x":..,"y":..,"r":..}  circle
//   {"k":"t","c":"#rrggbb","x":..,"y":..,"h":..,"a":..,"s":"text"}
// and, when the window has a size in pixels,
//   {"k":"L","c":"#rrggbb","x":..,"y":..,"d":..,"p":[[i,j,...],...]}  polylines: the
//       vertex (i, j) is the point (x + i d, y - j d), d an eighth of a pixel
//   {"k":"m","c":"#rrggbb","x":..,"y":..,"d":..,"r":[row,col,n,...]}  marks: runs of n
//       filled square cells of side d (a pixel) from the cell (row, col), counted down
//       and right from the one whose top-left corner is (x, y)
// Marks stand for entities under a couple of pixels; they come last, painted over the
// rest so that they stay seen. Texts too low to read come as a stroke along their ink.
// The extents are the box of every entity of the space on a layer that shows, the
// items only those meeting the window, from the entities the spatial index finds there.
// The entities in `highlighted` (the objects selected so far) are drawn a second time
// into "highlight":[...], items of the same kinds, which the page paints over the rest.
std::string viewJson(AcDbDatabase* db, const ViewWindow& window,
                     const std::vector<AcDbObjectId>& highlighted = std::vector<AcDbObjectId>());

}  // namespace vemweb
