// Ordinary entities of the host: the point, curves, the line, the circle and the arc.
#pragma once

#include <vector>

#include "dbmain.h"
#include "gescl3d.h"

class ACDB_PORT AcDbCurve : public AcDbEntity {
    ACRT_DECLARE_CLASS(AcDbCurve);

public:
    ~AcDbCurve() override;

protected:
    AcDbCurve();
};

// A point: a position with a thickness, a normal and the rotation of its figure about
// the normal. How it draws (PDMODE) and how large (PDSIZE) is the drawing's.
class ACDB_PORT AcDbPoint : public AcDbEntity {
    ACRT_DECLARE_CLASS(AcDbPoint);

public:
    AcDbPoint();
    AcDbPoint(const AcGePoint3d& position);
    ~AcDbPoint() override;

    AcGePoint3d position() const { assertReadEnabled(); return m_position; }
    Acad::ErrorStatus setPosition(const AcGePoint3d& pt);
    double thickness() const { assertReadEnabled(); return m_thickness; }
    Acad::ErrorStatus setThickness(double thickness);
    AcGeVector3d normal() const { assertReadEnabled(); return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double ecsRotation() const { assertReadEnabled(); return m_ecsRotation; }
    Acad::ErrorStatus setEcsRotation(double rotation);
    Adesk::Boolean isPlanar() const { return Adesk::kTrue; }

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;
    Acad::ErrorStatus subGetGeomExtents(AcDbExtents& extents) const override;
    Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform) override;
    Acad::ErrorStatus subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                        const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                        const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                        AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& osnapModes,
                                       AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    Acad::ErrorStatus subGetStretchPoints(AcGePoint3dArray& stretchPoints) const override;
    Acad::ErrorStatus subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    void subList() const override;

private:
    AcGePoint3d m_position;
    double m_thickness = 0.0;
    AcGeVector3d m_normal = AcGeVector3d(0.0, 0.0, 1.0);
    double m_ecsRotation = 0.0;
};

class ACDB_PORT AcDbLine : public AcDbCurve {
    ACRT_DECLARE_CLASS(AcDbLine);

public:
    AcDbLine();
    AcDbLine(const AcGePoint3d& start, const AcGePoint3d& end);
    ~AcDbLine() override;

    AcGePoint3d startPoint() const { assertReadEnabled(); return m_start; }
    Acad::ErrorStatus setStartPoint(const AcGePoint3d& pt);
    AcGePoint3d endPoint() const { assertReadEnabled(); return m_end; }
    Acad::ErrorStatus setEndPoint(const AcGePoint3d& pt);
    double thickness() const { assertReadEnabled(); return m_thickness; }
    Acad::ErrorStatus setThickness(double thickness);
    AcGeVector3d normal() const { assertReadEnabled(); return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;
    Acad::ErrorStatus subGetGeomExtents(AcDbExtents& extents) const override;
    Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform) override;
    Acad::ErrorStatus subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                        const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                        const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                        AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& osnapModes,
                                       AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    Acad::ErrorStatus subGetStretchPoints(AcGePoint3dArray& stretchPoints) const override;
    Acad::ErrorStatus subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    void subList() const override;

private:
    AcGePoint3d m_start;
    AcGePoint3d m_end;
    double m_thickness = 0.0;
    AcGeVector3d m_normal = AcGeVector3d(0.0, 0.0, 1.0);
};

// The circle and the arc lie in the plane through their WCS centre perpendicular to
// their normal; the arc's angles are radians counter-clockwise about the normal from
// the X axis of that plane (the host's arbitrary-axis rule), kept in [0, 2pi).
#define ACRT_CIRCULAR_ENTITY_OVERRIDES                                                                        \
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;                                                 \
    Acad::ErrorStatus subGetGeomExtents(AcDbExtents& extents) const override;                                 \
    Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform) override;                                     \
    Acad::ErrorStatus subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,           \
                                        const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,           \
                                        const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,          \
                                        AcDbIntArray& geomIds) const override;                                \
    Acad::ErrorStatus subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& osnapModes,                \
                                       AcDbIntArray& geomIds) const override;                                 \
    Acad::ErrorStatus subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;  \
    Acad::ErrorStatus subGetStretchPoints(AcGePoint3dArray& stretchPoints) const override;                    \
    Acad::ErrorStatus subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override; \
    void subList() const override

class ACDB_PORT AcDbCircle : public AcDbCurve {
    ACRT_DECLARE_CLASS(AcDbCircle);

public:
    AcDbCircle();
    // WCS inputs; the normal must have a length and the radius be above zero.
    AcDbCircle(const AcGePoint3d& cntr, const AcGeVector3d& nrm, double radius);
    ~AcDbCircle() override;

    AcGePoint3d center() const { assertReadEnabled(); return m_center; }
    Acad::ErrorStatus setCenter(const AcGePoint3d& pt);
    double radius() const { assertReadEnabled(); return m_radius; }
    Acad::ErrorStatus setRadius(double radius);
    double thickness() const { assertReadEnabled(); return m_thickness; }
    Acad::ErrorStatus setThickness(double thickness);
    AcGeVector3d normal() const { assertReadEnabled(); return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double circumference() const;
    Acad::ErrorStatus setCircumference(double circumference);
    double diameter() const;
    Acad::ErrorStatus setDiameter(double diameter);

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    ACRT_CIRCULAR_ENTITY_OVERRIDES;

private:
    AcGePoint3d m_center;
    double m_radius = 0.0;
    double m_thickness = 0.0;
    AcGeVector3d m_normal = AcGeVector3d(0.0, 0.0, 1.0);
};

class ACDB_PORT AcDbArc : public AcDbCurve {
    ACRT_DECLARE_CLASS(AcDbArc);

public:
    AcDbArc();
    AcDbArc(const AcGePoint3d& center, double radius, double startAngle, double endAngle);
    AcDbArc(const AcGePoint3d& center, const AcGeVector3d& normal, double radius, double startAngle,
            double endAngle);
    ~AcDbArc() override;

    AcGePoint3d center() const { assertReadEnabled(); return m_center; }
    Acad::ErrorStatus setCenter(const AcGePoint3d& pt);
    double radius() const { assertReadEnabled(); return m_radius; }
    Acad::ErrorStatus setRadius(double radius);
    double startAngle() const { assertReadEnabled(); return m_startAngle; }
    Acad::ErrorStatus setStartAngle(double angle);
    double endAngle() const { assertReadEnabled(); return m_endAngle; }
    Acad::ErrorStatus setEndAngle(double angle);
    double thickness() const { assertReadEnabled(); return m_thickness; }
    Acad::ErrorStatus setThickness(double thickness);
    AcGeVector3d normal() const { assertReadEnabled(); return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    // The sweep from the start angle to the end angle, in [0, 2pi); equal angles sweep 0.
    double totalAngle() const;
    double length() const;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    ACRT_CIRCULAR_ENTITY_OVERRIDES;

private:
    AcGePoint3d m_center;
    double m_radius = 0.0;
    double m_startAngle = 0.0;
    double m_endAngle = 0.0;
    double m_thickness = 0.0;
    AcGeVector3d m_normal = AcGeVector3d(0.0, 0.0, 1.0);
};

#undef ACRT_CIRCULAR_ENTITY_OVERRIDES

// ---- single-line text and attributes ----------------------------------------------

// Single-line text: a string drawn with its text style's stroke font along a baseline
// in the plane of its normal, rotated about the normal (radians, from the plane's x
// axis by the arbitrary-axis rule). Points are WCS.
//  - position() (DXF 10) is where the baseline starts; alignmentPoint() (DXF 11) is
//    the point the justification holds the text at.
//  - Left/base text is placed by its position; its alignment point follows it.
//  - Aligned and fitted text runs from its position to its alignment point: aligned
//    takes the height that fits (width factor kept), fitted the width factor.
//  - Every other justification places the text by its alignment point, and
//    adjustAlignment computes the position. The host does so when the text is closed
//    after a change, and at once after a transform, grip or stretch edit; an object
//    not in a database is adjusted only when asked, as on the host.
//  - Mirroring (mirrorInX: backward, mirrorInY: upside down) is about the alignment
//    point, or the position for left, aligned and fitted text.
//  - A height of 0 takes the style's text size, else the drawing's TEXTSIZE; the text
//    keeps that height once it is appended to a drawing.
//  - Strings the getters hand out (textString(), and the attributes' tag() and
//    prompt()) are the caller's copies, freed with acutDelString (acutmem.h).
class ACDB_PORT AcDbText : public AcDbEntity {
    ACRT_DECLARE_CLASS(AcDbText);

public:
    enum AcTextAlignment {
        kTextAlignmentLeft = 0,
        kTextAlignmentCenter = kTextAlignmentLeft + 1,
        kTextAlignmentRight = kTextAlignmentCenter + 1,
        kTextAlignmentAligned = kTextAlignmentRight + 1,
        kTextAlignmentMiddle = kTextAlignmentAligned + 1,
        kTextAlignmentFit = kTextAlignmentMiddle + 1,
        kTextAlignmentTopLeft = kTextAlignmentFit + 1,
        kTextAlignmentTopCenter = kTextAlignmentTopLeft + 1,
        kTextAlignmentTopRight = kTextAlignmentTopCenter + 1,
        kTextAlignmentMiddleLeft = kTextAlignmentTopRight + 1,
        kTextAlignmentMiddleCenter = kTextAlignmentMiddleLeft + 1,
        kTextAlignmentMiddleRight = kTextAlignmentMiddleCenter + 1,
        kTextAlignmentBottomLeft = kTextAlignmentMiddleRight + 1,
        kTextAlignmentBottomCenter = kTextAlignmentBottomLeft + 1,
        kTextAlignmentBottomRight = kTextAlignmentBottomCenter + 1
    };

    // Stand-in extension: what a single-line text holds, as one value. A class built on
    // the text puts it back when its own part of a record fails to read, so that
    // nothing is half read.
    struct TextData {
        AcString string;
        AcGePoint3d position;
        AcGePoint3d alignmentPoint;
        AcGeVector3d normal = AcGeVector3d(0.0, 0.0, 1.0);
        double thickness = 0.0;
        double oblique = 0.0;
        double rotation = 0.0;
        double height = 0.0;
        double widthFactor = 1.0;
        AcDbObjectId styleId;
        bool backward = false;
        bool upsideDown = false;
        AcDb::TextHorzMode horzMode = AcDb::kTextLeft;
        AcDb::TextVertMode vertMode = AcDb::kTextBase;
    };

    AcDbText();
    AcDbText(const AcGePoint3d& position, const ACHAR* text, AcDbObjectId style = AcDbObjectId::kNull,
             double height = 0, double rotation = 0);
    ~AcDbText() override;

    AcGePoint3d position() const { assertReadEnabled(); return m_text.position; }
    Acad::ErrorStatus setPosition(const AcGePoint3d& position);
    AcGePoint3d alignmentPoint() const { assertReadEnabled(); return m_text.alignmentPoint; }
    Acad::ErrorStatus setAlignmentPoint(const AcGePoint3d& alignPoint);
    // True for left/base text, whose position places it.
    Adesk::Boolean isDefaultAlignment() const;

    AcGeVector3d normal() const { assertReadEnabled(); return m_text.normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double thickness() const { assertReadEnabled(); return m_text.thickness; }
    Acad::ErrorStatus setThickness(double thickness);
    // Radians, within 85 degrees either way of upright.
    double oblique() const { assertReadEnabled(); return m_text.oblique; }
    Acad::ErrorStatus setOblique(double oblique);
    // Radians, kept in [0, 2pi).
    double rotation() const { assertReadEnabled(); return m_text.rotation; }
    Acad::ErrorStatus setRotation(double rotation);
    double height() const { assertReadEnabled(); return m_text.height; }
    Acad::ErrorStatus setHeight(double height);
    double widthFactor() const { assertReadEnabled(); return m_text.widthFactor; }
    Acad::ErrorStatus setWidthFactor(double widthFactor);

    ACHAR* textString() const;
    const ACHAR* textStringConst() const { assertReadEnabled(); return m_text.string.kwszPtr(); }
    Acad::ErrorStatus setTextString(const ACHAR* text);

    AcDbObjectId textStyle() const { assertReadEnabled(); return m_text.styleId; }
    Acad::ErrorStatus setTextStyle(AcDbObjectId styleId);

    Adesk::Boolean isMirroredInX() const { assertReadEnabled(); return m_text.backward; }
    Acad::ErrorStatus mirrorInX(Adesk::Boolean mirror);
    Adesk::Boolean isMirroredInY() const { assertReadEnabled(); return m_text.upsideDown; }
    Acad::ErrorStatus mirrorInY(Adesk::Boolean mirror);

    AcDb::TextHorzMode horizontalMode() const { assertReadEnabled(); return m_text.horzMode; }
    Acad::ErrorStatus setHorizontalMode(AcDb::TextHorzMode mode);
    AcDb::TextVertMode verticalMode() const { assertReadEnabled(); return m_text.vertMode; }
    Acad::ErrorStatus setVerticalMode(AcDb::TextVertMode mode);
    // The two modes as one value; aligned, fitted and middle text ignore the vertical mode.
    AcTextAlignment justification() const;
    Acad::ErrorStatus setJustification(AcTextAlignment justification);

    // Places the text by its justification: the position from the alignment point, or
    // (aligned, fitted) the rotation and the height or width factor from both points;
    // left/base text takes its position as its alignment point. pDb gives the default
    // height of a text whose height is 0 (the text's own or the working drawing's when null).
    virtual Acad::ErrorStatus adjustAlignment(const AcDbDatabase* pDb = nullptr);

    // The style and the height a text not given them takes from the drawing.
    void subSetDatabaseDefaults(AcDbDatabase* pDb) override;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

    // Stand-in extension: the text's values at once, without a check of its open state.
    const TextData& textData() const { return m_text; }

protected:
    void restoreTextData(const TextData& data) { m_text = data; }

    // Stand-in extension: the string the entity shows (a definition shows its tag).
    virtual const AcString& shownString() const;
    // The listing of the text under a kind name, for the classes built on it.
    void listText(const wchar_t* kind) const;

    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;
    Acad::ErrorStatus subGetGeomExtents(AcDbExtents& extents) const override;
    Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform) override;
    Acad::ErrorStatus subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                        const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                        const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                        AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& osnapModes,
                                       AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    Acad::ErrorStatus subGetStretchPoints(AcGePoint3dArray& stretchPoints) const override;
    Acad::ErrorStatus subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    void subList() const override;
    // A text changed while open for write is placed by its justification as it closes.
    Acad::ErrorStatus subClose() override;
    // Transforms the text by xform; a transform that keeps the text's axes square but
    // scales them differently changes the height and the width factor when
    // nonUniformAllowed (a block reference scaled unevenly), else is refused.
    Acad::ErrorStatus transformText(const AcGeMatrix3d& xform, bool nonUniformAllowed);

private:
    TextData m_text;
};

// Attribute flags of definitions and attributes (DXF group 70): invisible 1, constant
// 2, verifiable 4, preset 8.

// An attribute definition: a text in a block's definition that becomes an attribute
// of each reference. Its text string is the default value; it shows its tag. Tags
// hold no spaces (setTag refuses them); the prompt is what INSERT asks with.
class ACDB_PORT AcDbAttributeDefinition : public AcDbText {
    ACRT_DECLARE_CLASS(AcDbAttributeDefinition);

public:
    AcDbAttributeDefinition();
    // Copies of the text, tag and prompt are kept; a tag with spaces is left empty.
    AcDbAttributeDefinition(const AcGePoint3d& position, const ACHAR* text, const ACHAR* tag, const ACHAR* prompt,
                            AcDbObjectId style = AcDbObjectId::kNull);
    ~AcDbAttributeDefinition() override;

    ACHAR* prompt() const;
    const ACHAR* promptConst() const { assertReadEnabled(); return m_prompt.kwszPtr(); }
    Acad::ErrorStatus setPrompt(const ACHAR* prompt);
    ACHAR* tag() const;
    const ACHAR* tagConst() const { assertReadEnabled(); return m_tag.kwszPtr(); }
    Acad::ErrorStatus setTag(const ACHAR* tag);

    Adesk::Boolean isInvisible() const;
    Acad::ErrorStatus setInvisible(Adesk::Boolean invisible);
    Adesk::Boolean isConstant() const;
    Acad::ErrorStatus setConstant(Adesk::Boolean constant);
    Adesk::Boolean isVerifiable() const;
    Acad::ErrorStatus setVerifiable(Adesk::Boolean verify);
    Adesk::Boolean isPreset() const;
    Acad::ErrorStatus setPreset(Adesk::Boolean preset);
    Adesk::UInt16 fieldLength() const { assertReadEnabled(); return m_fieldLength; }
    Acad::ErrorStatus setFieldLength(Adesk::UInt16 fieldLength);
    bool lockPositionInBlock() const { assertReadEnabled(); return m_lockPosition; }
    Acad::ErrorStatus setLockPositionInBlock(bool lock);

    // Placed by the tag it shows.
    Acad::ErrorStatus adjustAlignment(const AcDbDatabase* pDb = nullptr) override;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    const AcString& shownString() const override;
    void subList() const override;

private:
    AcString m_tag;
    AcString m_prompt;
    Adesk::UInt16 m_flags = 0;
    Adesk::UInt16 m_fieldLength = 0;
    bool m_lockPosition = false;
};

// An attribute: a tagged value a block reference carries, made from a definition of
// the block (setAttributeFromBlock); it shows its value unless invisible. Standalone
// attributes behave as texts that carry a tag.
class ACDB_PORT AcDbAttribute : public AcDbText {
    ACRT_DECLARE_CLASS(AcDbAttribute);

public:
    AcDbAttribute();
    // A tag with spaces is left empty.
    AcDbAttribute(const AcGePoint3d& position, const ACHAR* text, const ACHAR* tag,
                  AcDbObjectId style = AcDbObjectId::kNull);
    ~AcDbAttribute() override;

    ACHAR* tag() const;
    const ACHAR* tagConst() const { assertReadEnabled(); return m_tag.kwszPtr(); }
    Acad::ErrorStatus setTag(const ACHAR* newTag);
    Adesk::Boolean isInvisible() const;
    Acad::ErrorStatus setInvisible(Adesk::Boolean invisible);
    // Taken from the definition by setAttributeFromBlock; an attribute has no setters.
    Adesk::Boolean isConstant() const;
    Adesk::Boolean isVerifiable() const;
    Adesk::Boolean isPreset() const;
    Adesk::UInt16 fieldLength() const { assertReadEnabled(); return m_fieldLength; }
    Acad::ErrorStatus setFieldLength(Adesk::UInt16 fieldLength);
    bool lockPositionInBlock() const { assertReadEnabled(); return m_lockPosition; }
    Acad::ErrorStatus setLockPositionInBlock(bool lock);
    // The stand-in has no dynamic blocks: an attribute is really locked when it is locked.
    bool isReallyLocked() const;

    // Carries the attribute, which holds its definition's text in the block's
    // coordinates, into a reference's placement (the reference's block transform).
    Acad::ErrorStatus setAttributeFromBlock(const AcGeMatrix3d& blkXform);
    // Takes everything but ownership from the definition (properties, text and its
    // placement, tag, flags, field length, lock; the text string is the default value),
    // then carries it into the reference's placement.
    Acad::ErrorStatus setAttributeFromBlock(const AcDbAttributeDefinition* pAttdef, const AcGeMatrix3d& blkXform);

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;
    void subList() const override;

private:
    AcString m_tag;
    Adesk::UInt16 m_flags = 0;
    Adesk::UInt16 m_fieldLength = 0;
    bool m_lockPosition = false;
};

// ---- block references -------------------------------------------------------------------

// A reference shows its block's entities placed by blockTransform(): the block's origin
// taken to the position, scaled along the reference's axes (any factor but zero; a
// negative one mirrors), rotated about the normal and laid in the plane of the normal
// (the arbitrary-axis rule). The position is WCS.
class ACDB_PORT AcDbBlockReference : public AcDbEntity {
    ACRT_DECLARE_CLASS(AcDbBlockReference);

public:
    AcDbBlockReference();
    AcDbBlockReference(const AcGePoint3d& position, AcDbObjectId blockTableRec);
    ~AcDbBlockReference() override;

    AcDbObjectId blockTableRecord() const { assertReadEnabled(); return m_blockRecord; }
    // The record of a block that is no layout and, for a reference in a block, one
    // that would not make the block show itself (eInvalidInput).
    virtual Acad::ErrorStatus setBlockTableRecord(AcDbObjectId newVal);
    virtual AcGePoint3d position() const { assertReadEnabled(); return m_position; }
    virtual Acad::ErrorStatus setPosition(const AcGePoint3d& newVal);
    AcGeScale3d scaleFactors() const { assertReadEnabled(); return m_scale; }
    AcGeScale3d nonAnnotationScaleFactors() const { return scaleFactors(); }
    // Finite factors, none of them zero (within 1e-10).
    virtual Acad::ErrorStatus setScaleFactors(const AcGeScale3d& scale);
    // Radians about the normal, kept in [0, 2pi).
    double rotation() const { assertReadEnabled(); return m_rotation; }
    virtual Acad::ErrorStatus setRotation(double newVal);
    AcGeVector3d normal() const { assertReadEnabled(); return m_normal; }
    virtual Acad::ErrorStatus setNormal(const AcGeVector3d& newVal);

    // translate(position) * plane(normal) * rotate(rotation) * scale * translate(-origin).
    AcGeMatrix3d blockTransform() const;
    AcGeMatrix3d nonAnnotationBlockTransform() const { return blockTransform(); }
    // Takes the position, normal, rotation and scales that give the matrix (with the
    // block's origin); a matrix with shear or a zero scale is refused.
    virtual Acad::ErrorStatus setBlockTransform(const AcGeMatrix3d& newVal);

    // The box of each entity of the block as transformed, nested ones likewise: tighter
    // than getGeomExtents (the block's box transformed) when the reference is rotated.
    Acad::ErrorStatus geomExtentsBestFit(AcDbExtents& extents,
                                         const AcGeMatrix3d& parentXform = AcGeMatrix3d::kIdentity) const;
    virtual Acad::ErrorStatus explodeToOwnerSpace() const;
    virtual Adesk::Boolean treatAsAcDbBlockRefForExplode() const { return Adesk::kTrue; }

    // Attributes: the reference owns them, and they are drawn, transformed, erased and
    // filed with it. The reference must be in a database and open for write (append it
    // first, as the host's guide says); the attribute stays open for the caller to
    // close. A copy of a reference not in a database (clone) holds copies of its
    // attributes, which become the database's when it is appended.
    Acad::ErrorStatus appendAttribute(AcDbAttribute* pAttr);
    Acad::ErrorStatus appendAttribute(AcDbObjectId& id, AcDbAttribute* pAttr);
    // Opens one of this reference's attributes (eInvalidInput for any other object).
    Acad::ErrorStatus openAttribute(AcDbAttribute*& pAttr, AcDbObjectId id, AcDb::OpenMode mode,
                                    bool openErasedOne = false);
    // The caller deletes the iterator.
    AcDbObjectIterator* attributeIterator() const;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;
    Acad::ErrorStatus subGetGeomExtents(AcDbExtents& extents) const override;
    Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform) override;
    Acad::ErrorStatus subExplode(AcDbVoidPtrArray& entitySet) const override;
    Acad::ErrorStatus subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                        const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                        const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                        AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& osnapModes,
                                       AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    Acad::ErrorStatus subGetStretchPoints(AcGePoint3dArray& stretchPoints) const override;
    Acad::ErrorStatus subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    void subList() const override;
    Acad::ErrorStatus subErase(Adesk::Boolean erasing) override;

private:
    friend class AcDbSystemInternals;
    template <class Each>
    void forEachAttribute(AcDb::OpenMode mode, Each each) const;
    Acad::ErrorStatus writeHeldAttributes(AcDbDwgFiler* pFiler) const;
    void addAttributeExtents(AcDbExtents& extents, const AcGeMatrix3d& parentXform = AcGeMatrix3d::kIdentity) const;
    Acad::ErrorStatus readHeldAttributes(AcDbDwgFiler* pFiler, std::vector<AcDbAttribute*>& held);

    AcDbHardPointerId m_blockRecord;
    AcGePoint3d m_position;
    AcGeScale3d m_scale;
    double m_rotation = 0.0;
    AcGeVector3d m_normal = AcGeVector3d(0.0, 0.0, 1.0);
    std::vector<AcDbObjectId> m_attributes;  // owned, in the order they were appended
    std::vector<AcDbAttribute*> m_held;      // a copy's attributes, not in a database
};
