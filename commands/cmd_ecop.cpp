// ECOP: places one point coordinate label in a coordinate system the user picks,
// from the labelled point, the start of the text and an optional text direction.
#include "aced.h"
#include "command_services.h"
#include "eco_point.h"
#include "gegbl.h"
#include "vema_commands.h"

namespace {

// The unit direction from the text start towards the third point; +X when the third
// point is not given (Enter, ESC or anything else) or lies on the text start.
AcGeVector3d askTextDirection(const AcGePoint3d& textPoint)
{
    AcGePoint3d towards;
    if (getPoint(&textPoint, L"\n指定3点(文字标注方向):", towards) != RTNORM || towards.isEqualTo(textPoint))
        towards = textPoint + AcGeVector3d::kXAxis;
    return (towards - textPoint).normal(AcGeContext::gTol);
}

}  // namespace

void placePointLabel()
{
    OriginValues o;
    if (!pickOriginValues(o))
        return;
    AcGePoint3d markPoint, textPoint;
    if (getPoint(nullptr, L"\n指定第1点(坐标点):", markPoint) != RTNORM ||
        getPoint(&markPoint, L"\n指定第2点(文字标注起点):", textPoint) != RTNORM)
        return;
    AcGeVector3d textDir = askTextDirection(textPoint);
    ECoPoint* label = new ECoPoint(o.vAxisName, o.hAxisName, markPoint, textPoint, o.absOrigin, o.vAxisDir,
                                   o.hAxisDir, textDir, o.drawingScale, o.appearanceScale, o.decimals,
                                   getLabelTextStyleId());
    // A refused append leaves the label outside the drawing, and this command deletes it.
    if (appendToModelSpace(label) == Acad::eOk)
        label->close();
    else
        delete label;
}
