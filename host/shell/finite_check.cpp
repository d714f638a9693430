// Finite checks of entities: a filer that counts the numbers written that are not
// finite, and a drawing context that counts the coordinates drawn that are not, and
// reads the texts an entity draws as parts of itself.
#include "finite_check.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <string>

#include "acgi.h"
#include "db_proxy.h"
#include "dbmtext.h"
#include "recording_world_draw.h"
#include "transforming_geometry.h"
#include "vemhost_io.h"
#include "vemhost_program.h"

namespace vemcad {

const wchar_t* const kNotFiniteMessage = L"The result would not be a finite number. Nothing was changed.";

namespace {

int notFinite(double v) { return std::isfinite(v) ? 0 : 1; }
int notFinite(const AcGePoint2d& p) { return notFinite(p.x) + notFinite(p.y); }
int notFinite(const AcGePoint3d& p) { return notFinite(p.x) + notFinite(p.y) + notFinite(p.z); }
int notFinite(const AcGeVector2d& v) { return notFinite(v.x) + notFinite(v.y); }
int notFinite(const AcGeVector3d& v) { return notFinite(v.x) + notFinite(v.y) + notFinite(v.z); }

bool isLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

// "inf" and "nan" standing as words of their own, as a formatted number that is not
// finite reads ("Info" and "banana" are words, not numbers).
long nonFiniteWords(const AcString& text)
{
    const wchar_t* s = text.kwszPtr();
    const size_t n = std::wcslen(s);
    long words = 0;
    for (size_t i = 0; i + 3 <= n; ++i) {
        if ((i > 0 && isLetter(s[i - 1])) || (i + 3 < n && isLetter(s[i + 3])))
            continue;
        wchar_t word[3] = {wchar_t(std::towlower(wint_t(s[i]))), wchar_t(std::towlower(wint_t(s[i + 1]))),
                           wchar_t(std::towlower(wint_t(s[i + 2])))};
        if (std::wcsncmp(word, L"inf", 3) == 0 || std::wcsncmp(word, L"nan", 3) == 0)
            ++words;
    }
    return words;
}

// Traits an entity may set while it draws; the check has no use for them.
class IgnoredTraits final : public AcGiSubEntityTraits {
public:
    void setColor(const Adesk::UInt16) override {}
    void setLayer(const AcDbObjectId) override {}
    void setLineType(const AcDbObjectId) override {}
    void setSelectionMarker(const Adesk::LongPtr) override {}
    void setFillType(const AcGiFillType) override {}
    void setLineWeight(const AcDb::LineWeight) override {}
    void setLineTypeScale(double) override {}
    void setThickness(double) override {}
    Adesk::UInt16 color() const override { return 256; }
    AcDbObjectId layerId() const override { return AcDbObjectId(); }
    AcDbObjectId lineTypeId() const override { return AcDbObjectId(); }
    AcGiFillType fillType() const override { return kAcGiFillNever; }
    AcDb::LineWeight lineWeight() const override { return AcDb::kLnWtByLayer; }
    double lineTypeScale() const override { return 1.0; }
    double thickness() const override { return 0.0; }
};

}  // namespace

// Files the record into memory as the file filer does, counting the numbers that are
// not finite.
class FiniteCheck::RecordFiler : public vemhost::MemoryFiler {
public:
    RecordFiler() : vemhost::MemoryFiler(nullptr, AcDb::kFileFiler) {}
    // The count since the last take; wide tells whether the record's finite numbers
    // spread far enough for arithmetic on them to overflow.
    long take(bool& wide)
    {
        clear();
        wide = m_largest > kWide || (m_smallest > 0.0 && m_largest / m_smallest > kWide);
        const long count = m_count;
        m_count = 0;
        m_largest = 0.0;
        m_smallest = 0.0;
        return count;
    }

    Acad::ErrorStatus writeDouble(double val) override { return note(val, MemoryFiler::writeDouble(val)); }
    Acad::ErrorStatus writePoint2d(const AcGePoint2d& val) override
    {
        return note(val, MemoryFiler::writePoint2d(val));
    }
    Acad::ErrorStatus writePoint3d(const AcGePoint3d& val) override
    {
        return note(val, MemoryFiler::writePoint3d(val));
    }
    Acad::ErrorStatus writeVector2d(const AcGeVector2d& val) override
    {
        return note(val, MemoryFiler::writeVector2d(val));
    }
    Acad::ErrorStatus writeVector3d(const AcGeVector3d& val) override
    {
        return note(val, MemoryFiler::writeVector3d(val));
    }

private:
    // Sums, differences and products of numbers within this spread of 1 stay finite, and
    // so do their quotients by one another.
    static constexpr double kWide = 1e150;

    void magnitude(double v)
    {
        const double a = std::fabs(v);
        if (!std::isfinite(a) || a == 0.0)
            return;
        m_largest = std::max(m_largest, a);
        m_smallest = m_smallest == 0.0 ? a : std::min(m_smallest, a);
    }
    void magnitudes(double v) { magnitude(v); }
    void magnitudes(const AcGePoint2d& p) { magnitudes(p.x, p.y, 0.0); }
    void magnitudes(const AcGePoint3d& p) { magnitudes(p.x, p.y, p.z); }
    void magnitudes(const AcGeVector2d& v) { magnitudes(v.x, v.y, 0.0); }
    void magnitudes(const AcGeVector3d& v) { magnitudes(v.x, v.y, v.z); }
    void magnitudes(double x, double y, double z)
    {
        magnitude(x);
        magnitude(y);
        magnitude(z);
    }

    template <class T>
    Acad::ErrorStatus note(const T& val, Acad::ErrorStatus es)
    {
        m_count += notFinite(val);
        magnitudes(val);
        return es;
    }
    long m_count = 0;
    double m_largest = 0.0;
    double m_smallest = 0.0;
};

// A world-draw context that counts instead of recording.
class FiniteCheck::DrawProbe {
public:
    class Geometry final : public acrt::TransformingGeometry {
    public:
        explicit Geometry(DrawProbe& probe) : m_probe(probe) {}
        Adesk::Boolean draw(AcGiDrawable* pDrawable) const override
        {
            if (pDrawable != nullptr)
                pDrawable->worldDraw(&m_probe.worldDraw);
            return Adesk::kFalse;
        }

    protected:
        Adesk::Boolean worldCircle(const AcGePoint3d& center, double radius, const AcGeVector3d& normal) const override
        {
            m_probe.m_count += notFinite(center) + notFinite(radius) + notFinite(normal);
            return Adesk::kFalse;
        }
        Adesk::Boolean worldPolyline(Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList, const AcGeVector3d*,
                                     Adesk::LongPtr) const override
        {
            return worldPolygon(nbPoints, pVertexList);
        }
        Adesk::Boolean worldPolygon(Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList) const override
        {
            for (Adesk::UInt32 i = 0; pVertexList != nullptr && i < nbPoints; ++i)
                m_probe.m_count += notFinite(pVertexList[i]);
            return Adesk::kFalse;
        }
        Adesk::Boolean worldText(const AcGePoint3d& position, const AcGeVector3d& normal,
                                 const AcGeVector3d& direction, double height, double, double,
                                 const ACHAR* pMsg) const override
        {
            m_probe.m_count += notFinite(position) + notFinite(normal) + notFinite(direction) + notFinite(height);
            if (m_probe.m_computedTexts && pMsg != nullptr)
                m_probe.m_count += nonFiniteWords(AcString(pMsg));
            return Adesk::kFalse;
        }

    private:
        DrawProbe& m_probe;
    };

    long count(AcDbEntity* ent)
    {
        m_count = 0;
        // The runtime's own texts say what a user typed; a module's texts are computed.
        m_computedTexts = !acrt::isRuntimeClass(ent->isA());
        ent->worldDraw(&worldDraw);
        return m_count;
    }

    IgnoredTraits traits;
    Geometry geometry{*this};
    acrt::RecordingWorldDraw<DrawProbe> worldDraw{*this, kAcGiStandardDisplay};

private:
    long m_count = 0;
    bool m_computedTexts = false;
};

FiniteCheck::FiniteCheck() : m_filer(std::make_unique<RecordFiler>()), m_probe(std::make_unique<DrawProbe>()) {}
FiniteCheck::~FiniteCheck() = default;

namespace {

// The "inf" and "nan" words of the texts a module's entity shows: its pieces are texts
// of the runtime, which it draws as strokes.
long nonFiniteWordsShown(AcDbEntity* ent)
{
    if (acrt::isRuntimeClass(ent->isA()))
        return 0;
    AcDbVoidPtrArray pieces;
    ent->explode(pieces);
    long words = 0;
    for (void* p : pieces) {
        AcDbEntity* piece = static_cast<AcDbEntity*>(p);
        if (const AcDbMText* text = AcDbMText::cast(piece))
            words += nonFiniteWords(text->contentsString());
        delete piece;
    }
    return words;
}

}  // namespace

// Drawing an entity costs many times its filing, so what it draws and shows is looked
// at only when its record's numbers could overflow in the drawing's arithmetic.
long FiniteCheck::count(AcDbEntity* ent)
{
    ent->dwgOutFields(m_filer.get());
    bool wide = false;
    const long inRecord = m_filer->take(wide);
    if (inRecord == 0 && !wide)
        return 0;
    return inRecord + m_probe->count(ent) + nonFiniteWordsShown(ent);
}

}  // namespace vemcad
