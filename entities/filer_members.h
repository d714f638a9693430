// The filer member family shared by the three entity classes: one read and one write
// member per kind of field, plus arrays and tables of several element kinds, each with
// a fixed encoding (a signed 32-bit count, then the elements).
#pragma once

#include "AcString.h"
#include "acarray.h"
#include "dbfiler.h"
#include "gept3dar.h"
#include "vemd_export.h"

// Arrays and tables filed by the members below. Strings and rows are moved by
// assignment; everything else by memory copy.
typedef AcArray<int, AcArrayMemCopyReallocator<int>> FiledIntArray;
typedef AcArray<AcString, AcArrayObjectCopyReallocator<AcString>> FiledStringArray;
typedef AcArray<AcGeDoubleArray, AcArrayObjectCopyReallocator<AcGeDoubleArray>> FiledDoubleTable;
typedef AcArray<FiledIntArray, AcArrayObjectCopyReallocator<FiledIntArray>> FiledIntTable;
typedef AcArray<AcGePoint3dArray, AcArrayObjectCopyReallocator<AcGePoint3dArray>> FiledPoint3dTable;
typedef AcArray<FiledStringArray, AcArrayObjectCopyReallocator<FiledStringArray>> FiledStringTable;

// A base without data that EOrigin, ECoPoint and ECoLine inherit publicly beside
// AcDbEntity, so that all three offer the same members from one implementation.
//
// Status rules: a member under the "call status" rule returns what the filer operation
// returned; one under the "filer status" rule returns the filer's own status after a
// successful operation. A failing operation's status is always returned unchanged.
class VEMD_EXPORT FilerMembers {
public:
    // ---- scalars ------------------------------------------------------------------
    Acad::ErrorStatus dwgInDouble(AcDbDwgFiler*& pFiler, double& value);                 // call status
    Acad::ErrorStatus dwgOutDouble(AcDbDwgFiler*& pFiler, double value) const;           // call status
    Acad::ErrorStatus dwgInInt(AcDbDwgFiler*& pFiler, int& value);                       // filer status
    Acad::ErrorStatus dwgOutInt(AcDbDwgFiler*& pFiler, int value) const;                 // filer status
    // A null id reads back as null (it is filed like any other id).
    Acad::ErrorStatus dwgInId(AcDbDwgFiler*& pFiler, AcDbObjectId& value);               // filer status
    Acad::ErrorStatus dwgOutId(AcDbDwgFiler*& pFiler, AcDbObjectId value) const;         // call status
    Acad::ErrorStatus dwgInString(AcDbDwgFiler*& pFiler, AcString& value);               // call status
    Acad::ErrorStatus dwgOutString(AcDbDwgFiler*& pFiler, AcString value) const;         // call status
    Acad::ErrorStatus dwgInPoint2d(AcDbDwgFiler*& pFiler, AcGePoint2d& value);           // call status
    Acad::ErrorStatus dwgOutPoint2d(AcDbDwgFiler*& pFiler, AcGePoint2d value) const;     // call status
    Acad::ErrorStatus dwgInPoint3d(AcDbDwgFiler*& pFiler, AcGePoint3d& value);           // call status
    Acad::ErrorStatus dwgOutPoint3d(AcDbDwgFiler*& pFiler, AcGePoint3d value) const;     // call status
    Acad::ErrorStatus dwgInVector2d(AcDbDwgFiler*& pFiler, AcGeVector2d& value);         // filer status
    Acad::ErrorStatus dwgOutVector2d(AcDbDwgFiler*& pFiler, AcGeVector2d value) const;   // filer status
    Acad::ErrorStatus dwgInVector3d(AcDbDwgFiler*& pFiler, AcGeVector3d& value);         // filer status
    Acad::ErrorStatus dwgOutVector3d(AcDbDwgFiler*& pFiler, AcGeVector3d value) const;   // filer status

    // ---- arrays: the count, then the elements. A read replaces the caller's content
    // and, on a failing element, keeps the elements read before it. -----------------
    Acad::ErrorStatus dwgInDoubleAr(AcDbDwgFiler*& pFiler, AcGeDoubleArray& values);
    Acad::ErrorStatus dwgOutDoubleAr(AcDbDwgFiler*& pFiler, AcGeDoubleArray values) const;
    Acad::ErrorStatus dwgInIntAr(AcDbDwgFiler*& pFiler, FiledIntArray& values);
    Acad::ErrorStatus dwgOutIntAr(AcDbDwgFiler*& pFiler, FiledIntArray values) const;
    Acad::ErrorStatus dwgInPoint2dAr(AcDbDwgFiler*& pFiler, AcGePoint2dArray& values);
    Acad::ErrorStatus dwgOutPoint2dAr(AcDbDwgFiler*& pFiler, AcGePoint2dArray values) const;
    Acad::ErrorStatus dwgInPoint3dAr(AcDbDwgFiler*& pFiler, AcGePoint3dArray& values);
    Acad::ErrorStatus dwgOutPoint3dAr(AcDbDwgFiler*& pFiler, AcGePoint3dArray values) const;
    Acad::ErrorStatus dwgInStringAr(AcDbDwgFiler*& pFiler, FiledStringArray& values);
    Acad::ErrorStatus dwgOutStringAr(AcDbDwgFiler*& pFiler, FiledStringArray values) const;
    Acad::ErrorStatus dwgInVector2dAr(AcDbDwgFiler*& pFiler, AcGeVector2dArray& values);
    Acad::ErrorStatus dwgOutVector2dAr(AcDbDwgFiler*& pFiler, AcGeVector2dArray values) const;
    Acad::ErrorStatus dwgInVector3dAr(AcDbDwgFiler*& pFiler, AcGeVector3dArray& values);
    Acad::ErrorStatus dwgOutVector3dAr(AcDbDwgFiler*& pFiler, AcGeVector3dArray values) const;

    // ---- tables: the row count, then each row as an array. --------------------------
    Acad::ErrorStatus dwgInDoubleTable(AcDbDwgFiler*& pFiler, FiledDoubleTable& rows);
    Acad::ErrorStatus dwgOutDoubleTable(AcDbDwgFiler*& pFiler, FiledDoubleTable rows) const;
    Acad::ErrorStatus dwgInIntTable(AcDbDwgFiler*& pFiler, FiledIntTable& rows);
    Acad::ErrorStatus dwgOutIntTable(AcDbDwgFiler*& pFiler, FiledIntTable rows) const;
    Acad::ErrorStatus dwgInPoint3dTable(AcDbDwgFiler*& pFiler, FiledPoint3dTable& rows);
    Acad::ErrorStatus dwgOutPoint3dTable(AcDbDwgFiler*& pFiler, FiledPoint3dTable rows) const;
    Acad::ErrorStatus dwgInStringTable(AcDbDwgFiler*& pFiler, FiledStringTable& rows);
    Acad::ErrorStatus dwgOutStringTable(AcDbDwgFiler*& pFiler, FiledStringTable rows) const;
};
