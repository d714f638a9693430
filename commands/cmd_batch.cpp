// The six batch commands COPORI, COLORI, COPSCA, COLSCA, COPDEC and COLDEC: one flow
// that obtains a new value, lets the user select labels of one class and replaces
// every selected label by a changed copy of itself.
#include "aced.h"
#include "command_services.h"
#include "eco_line.h"
#include "eco_point.h"
#include "vema_commands.h"

namespace {

// The new value of a run; a command fills and applies only its own part.
struct NewValues {
    OriginValues origin;
    double appearanceScale = 1.0;
    int decimals = 3;
};

bool askOrigin(NewValues& values) { return pickOriginValues(values.origin); }

// The labels are selected after the answer, so the scale must keep the reach of any
// label's display finite.
bool askAppearanceScale(NewValues& values)
{
    return askScale(L"\n请指定外观缩放倍数(回车取默认值1.0):", L"\n输入的外观缩放倍数不正确,将自动取默认值1.0",
                    values.appearanceScale,
                    [](double s) { return staysFiniteAround(AcGePoint3d::kOrigin, s * kDisplayReach); }) == RTNORM;
}

bool askLabelDecimals(NewValues& values) { return askDecimals(values.decimals) == RTNORM; }

// Re-targeting takes the coordinate system's geometry and names, never its
// appearance scale, decimals or text style.
template <class Label>
void setOrigin(Label* label, const NewValues& values)
{
    const OriginValues& o = values.origin;
    label->m_absOrigin = o.absOrigin;
    label->m_vAxisName = o.vAxisName;
    label->m_hAxisName = o.hAxisName;
    label->m_vAxisDir = o.vAxisDir;
    label->m_hAxisDir = o.hAxisDir;
    label->m_drawingScale = o.drawingScale;
}

template <class Label>
void setAppearanceScale(Label* label, const NewValues& values)
{
    label->m_appearanceScale = values.appearanceScale;
}

template <class Label>
void setDecimals(Label* label, const NewValues& values)
{
    label->m_decimals = values.decimals;
}

// Sets the command's members on a copy of the label class and rebuilds its display;
// false when the copy is not of that class.
typedef bool (*ChangeCopy)(AcDbEntity* copy, const NewValues& values);

template <class Label, void (*set)(Label*, const NewValues&)>
bool changeCopy(AcDbEntity* copy, const NewValues& values)
{
    Label* label = Label::cast(copy);
    if (label == nullptr)
        return false;
    set(label, values);
    label->resetSubEnt(1);
    return true;
}

struct BatchCommand {
    const ACHAR* labelClass;
    bool (*askNewValue)(NewValues& values);
    ChangeCopy change;
};

// What differs between the six commands, in the order of the command table.
enum BatchIndex { kCopOri, kColOri, kCopSca, kColSca, kCopDec, kColDec };
const BatchCommand kBatchCommands[] = {
    // label class  new value from       members set on each copy                            command
    {L"ECoPoint",   askOrigin,           changeCopy<ECoPoint, setOrigin<ECoPoint>>},           // COPORI
    {L"ECoLine",    askOrigin,           changeCopy<ECoLine, setOrigin<ECoLine>>},             // COLORI
    {L"ECoPoint",   askAppearanceScale,  changeCopy<ECoPoint, setAppearanceScale<ECoPoint>>},  // COPSCA
    {L"ECoLine",    askAppearanceScale,  changeCopy<ECoLine, setAppearanceScale<ECoLine>>},    // COLSCA
    {L"ECoPoint",   askLabelDecimals,    changeCopy<ECoPoint, setDecimals<ECoPoint>>},         // COPDEC
    {L"ECoLine",    askLabelDecimals,    changeCopy<ECoLine, setDecimals<ECoLine>>},           // COLDEC
};

enum class Replaced { kDone, kSkipped, kStop };

// Replaces one selected label by a changed copy in the block that owns it. A copy
// that cannot be made or appended leaves the label as it was.
Replaced replaceLabel(const ads_name ss, int index, const BatchCommand& command, const NewValues& values)
{
    ads_name name;
    if (acedSSName(ss, index, name) != RTNORM)
        return Replaced::kSkipped;
    AcDbObjectId id;
    if (acdbGetObjectId(id, name) != Acad::eOk) {
        acutPrintf(L"打开对象失败!");
        return Replaced::kStop;
    }
    AcDbEntity* label = nullptr;
    if (acdbOpenAcDbEntity(label, id, AcDb::kForWrite) != Acad::eOk) {
        acutPrintf(L"打开实体失败!");
        return Replaced::kStop;
    }
    AcRxObject* made = label->clone();
    AcDbEntity* copy = AcDbEntity::cast(made);
    if (copy == nullptr || !command.change(copy, values) || appendToBlock(copy, label->blockId()) != Acad::eOk) {
        delete made;
        label->close();
        return Replaced::kSkipped;
    }
    copy->close();
    label->erase();
    label->close();
    return Replaced::kDone;
}

void runBatch(const BatchCommand& command)
{
    NewValues values;
    if (!command.askNewValue(values))
        return;
    ads_name ss;
    if (selectEntitiesOfClass(ss, command.labelClass) != RTNORM)
        return;
    Adesk::Int32 length = 0;
    acedSSLength(ss, &length);
    for (int i = 0; i < length; ++i) {
        if (replaceLabel(ss, i, command, values) == Replaced::kStop) {
            // The labels before this one stay replaced; nothing is refreshed.
            acedSSFree(ss);
            return;
        }
    }
    acedSSFree(ss);
    refreshDisplay();
}

}  // namespace

void retargetPointLabels() { runBatch(kBatchCommands[kCopOri]); }
void retargetLineLabels() { runBatch(kBatchCommands[kColOri]); }
void rescalePointLabels() { runBatch(kBatchCommands[kCopSca]); }
void rescaleLineLabels() { runBatch(kBatchCommands[kColSca]); }
void setPointLabelDecimals() { runBatch(kBatchCommands[kCopDec]); }
void setLineLabelDecimals() { runBatch(kBatchCommands[kColDec]); }
