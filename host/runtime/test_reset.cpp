// resetForTest: every process-wide setting of the runtime's editor and command window
// back as a new program has it, so that each test starts from the same host.
#include "acedads.h"
#include "editor_internals.h"
#include "vemhost_testing.h"

namespace vemhost::testing {

void resetForTest()
{
    setInputProvider(nullptr);
    clearInput();
    setEchoAnswers(false);
    setPickBox(3.0);
    setOsmode(kDefaultOsmode);
    setLastPoint(AcGePoint3d::kOrigin);
    acedInitGet(0, nullptr);
    stopCapture();
    setOutputSink(nullptr);
    clearEditorCounters();
    acrt::forgetRememberedSelections();
    failAppendAfter(0);
    failOpenAfter(0);
}

}  // namespace vemhost::testing
