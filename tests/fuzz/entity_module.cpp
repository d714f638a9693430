// The entity module's classes for the fuzz targets that link it: its entry point is
// called as the host calls it at load, once.
#include "acrxEntryPoint.h"
#include "fuzz_support.h"
#include "vemhost_testing.h"

extern "C" AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt);

namespace fuzz {

void loadEntityModule()
{
    static const bool loaded = [] {
        static int appId;
        vemhost::startCapture();
        acrxEntryPoint(AcRx::kInitAppMsg, &appId);
        vemhost::stopCapture();
        return true;
    }();
    (void)loaded;
}

}  // namespace fuzz
