// The filer member family: scalar fields with their status rules, and the array and
// table encodings built on them.
#include "filer_members.h"

namespace {

// The "filer status" rule: a successful operation answers with the filer's own status.
Acad::ErrorStatus filerStatusAfter(AcDbDwgFiler* pFiler, Acad::ErrorStatus callStatus)
{
    return callStatus != Acad::eOk ? callStatus : pFiler->filerStatus();
}

// Array write: the logical length, then each element with the scalar write member.
template <class Array, class WriteOne>
Acad::ErrorStatus writeArray(AcDbDwgFiler*& pFiler, const Array& values, WriteOne writeOne)
{
    Acad::ErrorStatus es = pFiler->writeInt32(values.length());
    if (es != Acad::eOk)
        return es;
    for (int i = 0; i < values.length(); ++i)
        if ((es = writeOne(values[i])) != Acad::eOk)
            return es;
    return pFiler->filerStatus();
}

// Array read: the count, then elements appended one by one, so a corrupt count can
// never make the array allocate more than the stream really holds.
template <class T, class R, class ReadOne>
Acad::ErrorStatus readArray(AcDbDwgFiler*& pFiler, AcArray<T, R>& values, ReadOne readOne)
{
    Adesk::Int32 count = 0;
    Acad::ErrorStatus es = pFiler->readInt32(&count);
    if (es != Acad::eOk)
        return es;
    values.removeAll();
    for (Adesk::Int32 i = 0; i < count; ++i) {
        T element{};
        if ((es = readOne(element)) != Acad::eOk)
            return es;
        values.append(element);
    }
    return pFiler->filerStatus();
}

// Table write: the row count, then each row in the array form.
template <class Table, class WriteRow>
Acad::ErrorStatus writeTable(AcDbDwgFiler*& pFiler, const Table& rows, WriteRow writeRow)
{
    Acad::ErrorStatus es = pFiler->writeInt32(rows.length());
    if (es != Acad::eOk)
        return es;
    for (int i = 0; i < rows.length(); ++i)
        if ((es = writeRow(rows[i])) != Acad::eOk)
            return es;
    return pFiler->filerStatus();
}

// Table read: the row count, then each row read in place. Rows are added as they are
// reached rather than all at once, so a corrupt count cannot allocate without bound;
// a row count of zero or less gives an empty table. A failing row stays in the table
// with the elements read before the failure.
template <class Row, class R, class ReadRow>
Acad::ErrorStatus readTable(AcDbDwgFiler*& pFiler, AcArray<Row, R>& rows, ReadRow readRow)
{
    Adesk::Int32 count = 0;
    Acad::ErrorStatus es = pFiler->readInt32(&count);
    if (es != Acad::eOk)
        return es;
    rows.removeAll();
    for (Adesk::Int32 i = 0; i < count; ++i) {
        rows.append(Row());
        if ((es = readRow(rows.last())) != Acad::eOk)
            return es;
    }
    return pFiler->filerStatus();
}

}  // namespace

// ---- scalars ---------------------------------------------------------------------

Acad::ErrorStatus FilerMembers::dwgInDouble(AcDbDwgFiler*& pFiler, double& value)
{
    return pFiler->readDouble(&value);
}

Acad::ErrorStatus FilerMembers::dwgOutDouble(AcDbDwgFiler*& pFiler, double value) const
{
    return pFiler->writeDouble(value);
}

Acad::ErrorStatus FilerMembers::dwgInInt(AcDbDwgFiler*& pFiler, int& value)
{
    Adesk::Int32 read = 0;
    Acad::ErrorStatus es = pFiler->readInt32(&read);
    if (es != Acad::eOk)
        return es;
    value = read;
    return pFiler->filerStatus();
}

Acad::ErrorStatus FilerMembers::dwgOutInt(AcDbDwgFiler*& pFiler, int value) const
{
    return filerStatusAfter(pFiler, pFiler->writeInt32(value));
}

// Ids travel as hard pointers, in both directions.
Acad::ErrorStatus FilerMembers::dwgInId(AcDbDwgFiler*& pFiler, AcDbObjectId& value)
{
    AcDbHardPointerId read;
    Acad::ErrorStatus es = pFiler->readHardPointerId(&read);
    if (es != Acad::eOk)
        return es;
    value = read;
    return pFiler->filerStatus();
}

Acad::ErrorStatus FilerMembers::dwgOutId(AcDbDwgFiler*& pFiler, AcDbObjectId value) const
{
    return pFiler->writeHardPointerId(value);
}

Acad::ErrorStatus FilerMembers::dwgInString(AcDbDwgFiler*& pFiler, AcString& value)
{
    return pFiler->readString(value);
}

Acad::ErrorStatus FilerMembers::dwgOutString(AcDbDwgFiler*& pFiler, AcString value) const
{
    return pFiler->writeString(value);
}

Acad::ErrorStatus FilerMembers::dwgInPoint2d(AcDbDwgFiler*& pFiler, AcGePoint2d& value)
{
    return pFiler->readPoint2d(&value);
}

Acad::ErrorStatus FilerMembers::dwgOutPoint2d(AcDbDwgFiler*& pFiler, AcGePoint2d value) const
{
    return pFiler->writePoint2d(value);
}

Acad::ErrorStatus FilerMembers::dwgInPoint3d(AcDbDwgFiler*& pFiler, AcGePoint3d& value)
{
    return pFiler->readPoint3d(&value);
}

Acad::ErrorStatus FilerMembers::dwgOutPoint3d(AcDbDwgFiler*& pFiler, AcGePoint3d value) const
{
    return pFiler->writePoint3d(value);
}

Acad::ErrorStatus FilerMembers::dwgInVector2d(AcDbDwgFiler*& pFiler, AcGeVector2d& value)
{
    return filerStatusAfter(pFiler, pFiler->readVector2d(&value));
}

Acad::ErrorStatus FilerMembers::dwgOutVector2d(AcDbDwgFiler*& pFiler, AcGeVector2d value) const
{
    return filerStatusAfter(pFiler, pFiler->writeVector2d(value));
}

Acad::ErrorStatus FilerMembers::dwgInVector3d(AcDbDwgFiler*& pFiler, AcGeVector3d& value)
{
    return filerStatusAfter(pFiler, pFiler->readVector3d(&value));
}

Acad::ErrorStatus FilerMembers::dwgOutVector3d(AcDbDwgFiler*& pFiler, AcGeVector3d value) const
{
    return filerStatusAfter(pFiler, pFiler->writeVector3d(value));
}

// ---- arrays ----------------------------------------------------------------------

Acad::ErrorStatus FilerMembers::dwgInDoubleAr(AcDbDwgFiler*& pFiler, AcGeDoubleArray& values)
{
    return readArray(pFiler, values, [&](auto& e) { return dwgInDouble(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgOutDoubleAr(AcDbDwgFiler*& pFiler, AcGeDoubleArray values) const
{
    return writeArray(pFiler, values, [&](const auto& e) { return dwgOutDouble(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgInIntAr(AcDbDwgFiler*& pFiler, FiledIntArray& values)
{
    return readArray(pFiler, values, [&](auto& e) { return dwgInInt(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgOutIntAr(AcDbDwgFiler*& pFiler, FiledIntArray values) const
{
    return writeArray(pFiler, values, [&](const auto& e) { return dwgOutInt(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgInPoint2dAr(AcDbDwgFiler*& pFiler, AcGePoint2dArray& values)
{
    return readArray(pFiler, values, [&](auto& e) { return dwgInPoint2d(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgOutPoint2dAr(AcDbDwgFiler*& pFiler, AcGePoint2dArray values) const
{
    return writeArray(pFiler, values, [&](const auto& e) { return dwgOutPoint2d(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgInPoint3dAr(AcDbDwgFiler*& pFiler, AcGePoint3dArray& values)
{
    return readArray(pFiler, values, [&](auto& e) { return dwgInPoint3d(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgOutPoint3dAr(AcDbDwgFiler*& pFiler, AcGePoint3dArray values) const
{
    return writeArray(pFiler, values, [&](const auto& e) { return dwgOutPoint3d(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgInStringAr(AcDbDwgFiler*& pFiler, FiledStringArray& values)
{
    return readArray(pFiler, values, [&](auto& e) { return dwgInString(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgOutStringAr(AcDbDwgFiler*& pFiler, FiledStringArray values) const
{
    return writeArray(pFiler, values, [&](const auto& e) { return dwgOutString(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgInVector2dAr(AcDbDwgFiler*& pFiler, AcGeVector2dArray& values)
{
    return readArray(pFiler, values, [&](auto& e) { return dwgInVector2d(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgOutVector2dAr(AcDbDwgFiler*& pFiler, AcGeVector2dArray values) const
{
    return writeArray(pFiler, values, [&](const auto& e) { return dwgOutVector2d(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgInVector3dAr(AcDbDwgFiler*& pFiler, AcGeVector3dArray& values)
{
    return readArray(pFiler, values, [&](auto& e) { return dwgInVector3d(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgOutVector3dAr(AcDbDwgFiler*& pFiler, AcGeVector3dArray values) const
{
    return writeArray(pFiler, values, [&](const auto& e) { return dwgOutVector3d(pFiler, e); });
}

// ---- tables ----------------------------------------------------------------------

Acad::ErrorStatus FilerMembers::dwgInDoubleTable(AcDbDwgFiler*& pFiler, FiledDoubleTable& rows)
{
    return readTable(pFiler, rows, [&](auto& e) { return dwgInDoubleAr(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgOutDoubleTable(AcDbDwgFiler*& pFiler, FiledDoubleTable rows) const
{
    return writeTable(pFiler, rows, [&](const auto& e) { return dwgOutDoubleAr(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgInIntTable(AcDbDwgFiler*& pFiler, FiledIntTable& rows)
{
    return readTable(pFiler, rows, [&](auto& e) { return dwgInIntAr(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgOutIntTable(AcDbDwgFiler*& pFiler, FiledIntTable rows) const
{
    return writeTable(pFiler, rows, [&](const auto& e) { return dwgOutIntAr(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgInPoint3dTable(AcDbDwgFiler*& pFiler, FiledPoint3dTable& rows)
{
    return readTable(pFiler, rows, [&](auto& e) { return dwgInPoint3dAr(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgOutPoint3dTable(AcDbDwgFiler*& pFiler, FiledPoint3dTable rows) const
{
    return writeTable(pFiler, rows, [&](const auto& e) { return dwgOutPoint3dAr(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgInStringTable(AcDbDwgFiler*& pFiler, FiledStringTable& rows)
{
    return readTable(pFiler, rows, [&](auto& e) { return dwgInStringAr(pFiler, e); });
}

Acad::ErrorStatus FilerMembers::dwgOutStringTable(AcDbDwgFiler*& pFiler, FiledStringTable rows) const
{
    return writeTable(pFiler, rows, [&](const auto& e) { return dwgOutStringAr(pFiler, e); });
}
