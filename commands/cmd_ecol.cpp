// ECOL: places one line coordinate label: the user picks a coordinate system, names
// the reference axis, picks a point of the grid line and, optionally, the text centre.
#include "aced.h"
#include "command_services.h"
#include "eco_line.h"
#include "vema_commands.h"

namespace {

const int kVerticalAxis = 0;
const int kHorizontalAxis = 1;

// The axis an answer names. An exact match wins over a match without regard to case,
// so that names differing only in case (X and x) can both be chosen; the vertical
// axis is tried first each time. Any other answer prints the message and takes the
// vertical axis.
int referenceAxisOf(const AcString& answer, const AcString& vName, const AcString& hName)
{
    if (answer.isEmpty() || answer == vName)
        return kVerticalAxis;
    if (answer == hName)
        return kHorizontalAxis;
    if (answer.compareNoCase(vName) == 0)
        return kVerticalAxis;
    if (answer.compareNoCase(hName) == 0)
        return kHorizontalAxis;
    // The name is user text: printed as it is, never as a format.
    acutPrintf(L"\n输入的参考轴号不正确,将自动取默认值");
    acutPrintf(L"%s", vName.kwszPtr());
    return kVerticalAxis;
}

int askReferenceAxis(const OriginValues& o, int& refAxis)
{
    AcString prompt = AcString(L"\n请指定参考轴号:") + o.vAxisName + L"/" + o.hAxisName + L"(回车取默认值" +
                      o.vAxisName + L"):";
    AnswerBuffer answer;
    int status = getStringInput(0, prompt.kwszPtr(), answer);
    if (status == RTNORM)
        refAxis = referenceAxisOf(answer, o.vAxisName, o.hAxisName);
    return status;
}

}  // namespace

void placeLineLabel()
{
    OriginValues o;
    if (!pickOriginValues(o))
        return;
    int refAxis = kVerticalAxis;
    if (askReferenceAxis(o, refAxis) != RTNORM)
        return;
    AcGePoint3d markPoint;
    if (getPoint(nullptr, L"\n指定第1点(坐标点):", markPoint) != RTNORM)
        return;
    // Any answer but a point (Enter, ESC) puts the text on the labelled point.
    AcGePoint3d textPoint = markPoint;
    getPoint(&markPoint, L"\n指定第2点(文字标注位置,回车取默认值与坐标点重合):", textPoint);
    ECoLine* label = new ECoLine(refAxis, o.vAxisName, o.hAxisName, markPoint, textPoint, o.absOrigin, o.vAxisDir,
                                 o.hAxisDir, o.drawingScale, o.appearanceScale, o.decimals, getLabelTextStyleId());
    // A refused append leaves the label outside the drawing, and this command deletes it.
    if (appendToModelSpace(label) == Acad::eOk)
        label->close();
    else
        delete label;
}
