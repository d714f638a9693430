// Attribute definitions and attributes: texts that carry a tag and the attribute flags.
// A definition shows its tag and prompts for a value; an attribute shows its value
// unless invisible, and is made from a definition in a block reference's placement.
#include <cwctype>
#include <utility>

#include "acutmem.h"
#include "dbents.h"
#include "list_output.h"
#include "rx_runtime_class.h"

ACRT_DEFINE_CLASS(AcDbAttributeDefinition, AcDbText, "ATTDEF");
ACRT_DEFINE_CLASS(AcDbAttribute, AcDbText, "ATTRIB");

using acrt::printListLine;

namespace {

constexpr Adesk::Int16 kAttributeVersion = 1;
// The attribute flags, as DXF group 70 holds them.
constexpr Adesk::UInt16 kInvisibleFlag = 1;
constexpr Adesk::UInt16 kConstantFlag = 2;
constexpr Adesk::UInt16 kVerifiableFlag = 4;
constexpr Adesk::UInt16 kPresetFlag = 8;
constexpr Adesk::UInt16 kAllFlags = kInvisibleFlag | kConstantFlag | kVerifiableFlag | kPresetFlag;

bool hasSpace(const ACHAR* text)
{
    for (; *text != 0; ++text)
        if (std::iswspace(wint_t(*text)))
            return true;
    return false;
}

// A tag names an attribute: not empty, without spaces.
bool isUsableTag(const ACHAR* tag) { return tag != nullptr && *tag != 0 && !hasSpace(tag); }

AcString tagOrEmpty(const ACHAR* tag) { return isUsableTag(tag) ? AcString(tag) : AcString(); }

void setFlag(Adesk::UInt16& flags, Adesk::UInt16 flag, bool on) { flags = on ? (flags | flag) : (flags & ~flag); }

ACHAR* heapCopy(const AcString& text)
{
    ACHAR* copy = nullptr;
    acutNewString(text.kwszPtr(), copy);
    return copy;
}

// The attribute part of a record: version, tag, the prompt (definitions only), flags,
// field length and the lock.
struct AttributeFields {
    AcString tag;
    AcString prompt;
    Adesk::UInt16 flags = 0;
    Adesk::UInt16 fieldLength = 0;
    bool lockPosition = false;
};

Acad::ErrorStatus writeAttributeFields(AcDbDwgFiler* pFiler, const AttributeFields& f, bool withPrompt)
{
    pFiler->writeInt16(kAttributeVersion);
    pFiler->writeString(f.tag);
    if (withPrompt)
        pFiler->writeString(f.prompt);
    pFiler->writeUInt16(f.flags);
    pFiler->writeUInt16(f.fieldLength);
    pFiler->writeBool(f.lockPosition);
    return pFiler->filerStatus();
}

// An empty tag (an attribute not given one yet) reads back; one with spaces is damage.
Acad::ErrorStatus readAttributeFields(AcDbDwgFiler* pFiler, AttributeFields& f, bool withPrompt)
{
    Adesk::Int16 version = 0;
    Acad::ErrorStatus es = pFiler->readInt16(&version);
    if (es != Acad::eOk)
        return es;
    if (version > kAttributeVersion)
        return Acad::eMakeMeProxy;
    if (version < 1)
        return Acad::eFilerError;
    es = pFiler->readString(f.tag);
    if (es == Acad::eOk && withPrompt)
        es = pFiler->readString(f.prompt);
    if (es == Acad::eOk)
        es = pFiler->readUInt16(&f.flags);
    if (es == Acad::eOk)
        es = pFiler->readUInt16(&f.fieldLength);
    if (es == Acad::eOk)
        es = pFiler->readBool(&f.lockPosition);
    if (es != Acad::eOk)
        return es;
    if (hasSpace(f.tag.kwszPtr()) || (f.flags & ~kAllFlags) != 0)
        return Acad::eFilerError;
    return Acad::eOk;
}

AcString flagsText(Adesk::UInt16 flags)
{
    AcString text;
    const struct {
        Adesk::UInt16 flag;
        const wchar_t* name;
    } kNames[] = {{kInvisibleFlag, L" invisible"},
                  {kConstantFlag, L" constant"},
                  {kVerifiableFlag, L" verify"},
                  {kPresetFlag, L" preset"}};
    for (const auto& n : kNames)
        if ((flags & n.flag) != 0)
            text += n.name;
    return AcString(L"  Flags:") + (text.isEmpty() ? AcString(L" normal") : text);
}

void listAttributeLines(const AcString& tag, Adesk::UInt16 flags, Adesk::UInt16 fieldLength, bool lock)
{
    printListLine(AcString(L"  Tag: ") + tag);
    printListLine(flagsText(flags));
    if (fieldLength != 0) {
        AcString text;
        text.format(L"  Field length: %u", unsigned(fieldLength));
        printListLine(text);
    }
    printListLine(AcString(L"  Lock position: ") + (lock ? L"Yes" : L"No"));
}

}  // namespace

// ---- attribute definition -------------------------------------------------------------------

AcDbAttributeDefinition::AcDbAttributeDefinition() = default;

AcDbAttributeDefinition::AcDbAttributeDefinition(const AcGePoint3d& position, const ACHAR* text, const ACHAR* tag,
                                                 const ACHAR* prompt, AcDbObjectId style)
    : AcDbText(position, text, style), m_tag(tagOrEmpty(tag)), m_prompt(prompt != nullptr ? prompt : L"")
{
}

AcDbAttributeDefinition::~AcDbAttributeDefinition() = default;

ACHAR* AcDbAttributeDefinition::prompt() const
{
    assertReadEnabled();
    return heapCopy(m_prompt);
}

Acad::ErrorStatus AcDbAttributeDefinition::setPrompt(const ACHAR* prompt)
{
    assertWriteEnabled();
    m_prompt = prompt != nullptr ? prompt : L"";
    return Acad::eOk;
}

ACHAR* AcDbAttributeDefinition::tag() const
{
    assertReadEnabled();
    return heapCopy(m_tag);
}

Acad::ErrorStatus AcDbAttributeDefinition::setTag(const ACHAR* tag)
{
    if (!isUsableTag(tag))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_tag = tag;
    return Acad::eOk;
}

Adesk::Boolean AcDbAttributeDefinition::isInvisible() const
{
    assertReadEnabled();
    return (m_flags & kInvisibleFlag) != 0;
}
Adesk::Boolean AcDbAttributeDefinition::isConstant() const
{
    assertReadEnabled();
    return (m_flags & kConstantFlag) != 0;
}
Adesk::Boolean AcDbAttributeDefinition::isVerifiable() const
{
    assertReadEnabled();
    return (m_flags & kVerifiableFlag) != 0;
}
Adesk::Boolean AcDbAttributeDefinition::isPreset() const
{
    assertReadEnabled();
    return (m_flags & kPresetFlag) != 0;
}

Acad::ErrorStatus AcDbAttributeDefinition::setInvisible(Adesk::Boolean invisible)
{
    assertWriteEnabled();
    setFlag(m_flags, kInvisibleFlag, invisible);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbAttributeDefinition::setConstant(Adesk::Boolean constant)
{
    assertWriteEnabled();
    setFlag(m_flags, kConstantFlag, constant);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbAttributeDefinition::setVerifiable(Adesk::Boolean verify)
{
    assertWriteEnabled();
    setFlag(m_flags, kVerifiableFlag, verify);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbAttributeDefinition::setPreset(Adesk::Boolean preset)
{
    assertWriteEnabled();
    setFlag(m_flags, kPresetFlag, preset);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbAttributeDefinition::setFieldLength(Adesk::UInt16 fieldLength)
{
    assertWriteEnabled();
    m_fieldLength = fieldLength;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbAttributeDefinition::setLockPositionInBlock(bool lock)
{
    assertWriteEnabled();
    m_lockPosition = lock;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbAttributeDefinition::adjustAlignment(const AcDbDatabase* pDb)
{
    return AcDbText::adjustAlignment(pDb);
}

const AcString& AcDbAttributeDefinition::shownString() const { return m_tag; }

Acad::ErrorStatus AcDbAttributeDefinition::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    const Acad::ErrorStatus es = AcDbText::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    return writeAttributeFields(pFiler, {m_tag, m_prompt, m_flags, m_fieldLength, m_lockPosition}, true);
}

// The text part is put back when the definition's own part fails to read.
Acad::ErrorStatus AcDbAttributeDefinition::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    const TextData before = textData();
    Acad::ErrorStatus es = AcDbText::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    AttributeFields f;
    es = readAttributeFields(pFiler, f, true);
    if (es != Acad::eOk) {
        restoreTextData(before);
        return es;
    }
    m_tag = std::move(f.tag);
    m_prompt = std::move(f.prompt);
    m_flags = f.flags;
    m_fieldLength = f.fieldLength;
    m_lockPosition = f.lockPosition;
    return Acad::eOk;
}

void AcDbAttributeDefinition::subList() const
{
    listText(L"ATTDEF");
    printListLine(AcString(L"  Prompt: ") + m_prompt);
    listAttributeLines(m_tag, m_flags, m_fieldLength, m_lockPosition);
}

// ---- attribute ------------------------------------------------------------------------------

AcDbAttribute::AcDbAttribute() = default;

AcDbAttribute::AcDbAttribute(const AcGePoint3d& position, const ACHAR* text, const ACHAR* tag, AcDbObjectId style)
    : AcDbText(position, text, style), m_tag(tagOrEmpty(tag))
{
}

AcDbAttribute::~AcDbAttribute() = default;

ACHAR* AcDbAttribute::tag() const
{
    assertReadEnabled();
    return heapCopy(m_tag);
}

Acad::ErrorStatus AcDbAttribute::setTag(const ACHAR* newTag)
{
    if (!isUsableTag(newTag))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_tag = newTag;
    return Acad::eOk;
}

Adesk::Boolean AcDbAttribute::isInvisible() const
{
    assertReadEnabled();
    return (m_flags & kInvisibleFlag) != 0;
}
Adesk::Boolean AcDbAttribute::isConstant() const
{
    assertReadEnabled();
    return (m_flags & kConstantFlag) != 0;
}
Adesk::Boolean AcDbAttribute::isVerifiable() const
{
    assertReadEnabled();
    return (m_flags & kVerifiableFlag) != 0;
}
Adesk::Boolean AcDbAttribute::isPreset() const
{
    assertReadEnabled();
    return (m_flags & kPresetFlag) != 0;
}

Acad::ErrorStatus AcDbAttribute::setInvisible(Adesk::Boolean invisible)
{
    assertWriteEnabled();
    setFlag(m_flags, kInvisibleFlag, invisible);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbAttribute::setFieldLength(Adesk::UInt16 fieldLength)
{
    assertWriteEnabled();
    m_fieldLength = fieldLength;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbAttribute::setLockPositionInBlock(bool lock)
{
    assertWriteEnabled();
    m_lockPosition = lock;
    return Acad::eOk;
}

bool AcDbAttribute::isReallyLocked() const { return lockPositionInBlock(); }

Acad::ErrorStatus AcDbAttribute::setAttributeFromBlock(const AcGeMatrix3d& blkXform)
{
    return transformText(blkXform, true);
}

// The definition's text is taken and carried first, so that a transform refused
// leaves the attribute as it was.
Acad::ErrorStatus AcDbAttribute::setAttributeFromBlock(const AcDbAttributeDefinition* pAttdef,
                                                       const AcGeMatrix3d& blkXform)
{
    if (pAttdef == nullptr)
        return Acad::eNullObjectPointer;
    assertWriteEnabled();
    const TextData before = textData();
    restoreTextData(pAttdef->textData());
    const Acad::ErrorStatus es = transformText(blkXform, true);
    if (es != Acad::eOk) {
        restoreTextData(before);
        return es;
    }
    setPropertiesFrom(pAttdef);
    m_tag = pAttdef->tagConst();
    m_flags = Adesk::UInt16((pAttdef->isInvisible() ? kInvisibleFlag : 0) |
                            (pAttdef->isConstant() ? kConstantFlag : 0) |
                            (pAttdef->isVerifiable() ? kVerifiableFlag : 0) | (pAttdef->isPreset() ? kPresetFlag : 0));
    m_fieldLength = pAttdef->fieldLength();
    m_lockPosition = pAttdef->lockPositionInBlock();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbAttribute::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    const Acad::ErrorStatus es = AcDbText::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    return writeAttributeFields(pFiler, {m_tag, AcString(), m_flags, m_fieldLength, m_lockPosition}, false);
}

Acad::ErrorStatus AcDbAttribute::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    const TextData before = textData();
    Acad::ErrorStatus es = AcDbText::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    AttributeFields f;
    es = readAttributeFields(pFiler, f, false);
    if (es != Acad::eOk) {
        restoreTextData(before);
        return es;
    }
    m_tag = std::move(f.tag);
    m_flags = f.flags;
    m_fieldLength = f.fieldLength;
    m_lockPosition = f.lockPosition;
    return Acad::eOk;
}

// An invisible attribute draws nothing; it keeps its extents, snaps and grips.
Adesk::Boolean AcDbAttribute::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    if ((m_flags & kInvisibleFlag) != 0)
        return Adesk::kTrue;
    return AcDbText::subWorldDraw(pWd);
}

void AcDbAttribute::subList() const
{
    listText(L"ATTRIBUTE");
    listAttributeLines(m_tag, m_flags, m_fieldLength, m_lockPosition);
}
