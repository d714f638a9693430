// The page's sources, built into the program from host/web/page.
#pragma once

namespace vemweb {

extern const char kPageHtml[];
extern const char kPageScript[];
extern const char kPageStyle[];

}  // namespace vemweb
