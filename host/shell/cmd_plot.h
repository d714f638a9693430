// PLOT, the command: the questions that choose the file, the paper, the area, the scale
// and the place on the sheet, then the picture and what it came to.
#pragma once

namespace vemcad {

class Session;

void plotCommand(Session& session);

}  // namespace vemcad
