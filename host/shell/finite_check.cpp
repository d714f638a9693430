// Finite checks of entities: a filer that notes every number written that is not
// finite, and the drawn primitives looked over point by point.
#include "finite_check.h"

#include <cmath>
#include <cwctype>

#include "db_proxy.h"

namespace vemcad {

const wchar_t* const kNotFiniteMessage = L"The result would not be a finite number. Nothing was changed.";

namespace {

bool finite(double v) { return std::isfinite(v); }
bool finite(const AcGePoint2d& p) { return finite(p.x) && finite(p.y); }
bool finite(const AcGePoint3d& p) { return finite(p.x) && finite(p.y) && finite(p.z); }
bool finite(const AcGeVector2d& v) { return finite(v.x) && finite(v.y); }
bool finite(const AcGeVector3d& v) { return finite(v.x) && finite(v.y) && finite(v.z); }

bool isLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

// "inf" or "nan" standing as a word of its own, as a formatted number that is not
// finite reads; "Info" or "banana" are words, not numbers.
bool showsNonFiniteNumber(const std::wstring& text)
{
    for (size_t i = 0; i + 3 <= text.size(); ++i) {
        if (i > 0 && isLetter(text[i - 1]))
            continue;
        if (i + 3 < text.size() && isLetter(text[i + 3]))
            continue;
        std::wstring word = text.substr(i, 3);
        for (wchar_t& c : word)
            c = wchar_t(std::towlower(wint_t(c)));
        if (word == L"inf" || word == L"nan")
            return true;
    }
    return false;
}

}  // namespace

// Files the record into memory as the file filer does, noting any number that is not
// finite.
class FiniteCheck::RecordFiler : public vemhost::MemoryFiler {
public:
    RecordFiler() : vemhost::MemoryFiler(nullptr, AcDb::kFileFiler) {}
    void start()
    {
        clear();
        m_finite = true;
    }
    bool allFinite() const { return m_finite; }

    Acad::ErrorStatus writeDouble(double val) override { return note(finite(val), MemoryFiler::writeDouble(val)); }
    Acad::ErrorStatus writePoint2d(const AcGePoint2d& val) override
    {
        return note(finite(val), MemoryFiler::writePoint2d(val));
    }
    Acad::ErrorStatus writePoint3d(const AcGePoint3d& val) override
    {
        return note(finite(val), MemoryFiler::writePoint3d(val));
    }
    Acad::ErrorStatus writeVector2d(const AcGeVector2d& val) override
    {
        return note(finite(val), MemoryFiler::writeVector2d(val));
    }
    Acad::ErrorStatus writeVector3d(const AcGeVector3d& val) override
    {
        return note(finite(val), MemoryFiler::writeVector3d(val));
    }

private:
    Acad::ErrorStatus note(bool isFinite, Acad::ErrorStatus es)
    {
        m_finite = m_finite && isFinite;
        return es;
    }
    bool m_finite = true;
};

FiniteCheck::FiniteCheck() : m_filer(std::make_unique<RecordFiler>()) {}
FiniteCheck::~FiniteCheck() = default;

bool FiniteCheck::holds(AcDbEntity* ent)
{
    m_filer->start();
    if (ent->dwgOutFields(m_filer.get()) != Acad::eOk || !m_filer->allFinite())
        return false;
    return drawsFinite(ent);
}

bool FiniteCheck::drawsFinite(AcDbEntity* ent)
{
    m_collector.clear();
    m_collector.draw(ent);
    // The runtime's own texts say what a user typed; a module's texts are computed.
    const bool computedTexts = !acrt::isRuntimeClass(ent->isA());
    for (const vemhost::Primitive& prim : m_collector.primitives()) {
        if (!finite(prim.radius) || !finite(prim.normal) || !finite(prim.direction))
            return false;
        for (const AcGePoint3d& p : prim.points)
            if (!finite(p))
                return false;
        if (computedTexts && prim.kind == vemhost::Primitive::kText && showsNonFiniteNumber(prim.text))
            return false;
    }
    return true;
}

}  // namespace vemcad
