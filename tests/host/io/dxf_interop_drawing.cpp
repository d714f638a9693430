// Writes the interop drawing as DXF, with a JSON of what the drawing holds (the pieces
// of the labels, as they explode), for dxf_interop_check.py to compare with what a
// DXF reader finds: dxf_interop_drawing OUTDIR writes interop.dxf and .json there,
// interop_names.dxf and .json for symbol names outside ASCII, and interop_blocks.dxf and
// .json for nested blocks under unequal scales; interop_2018.dxf and
// interop_names_2018.dxf are the first two written as R2018 (UTF-8).
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "dbapserv.h"
#include "dbelipse.h"
#include "dbspline.h"
#include "dxf_test_drawing.h"
#include "dxf_writer.h"

namespace {

using namespace dxf_test;

// ---- JSON -------------------------------------------------------------------------------

std::string number(double v)
{
    char buf[32];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

std::string quoted(const std::string& utf8)
{
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string quoted(const std::wstring& text) { return quoted(vemhost::toUtf8(text)); }

std::string point(const AcGePoint3d& p) { return "[" + number(p.x) + "," + number(p.y) + "," + number(p.z) + "]"; }

std::string nameOf(AcDbObjectId id)
{
    AcDbSymbolTableRecord* rec = nullptr;
    AcString name;
    if (acdbOpenObject(rec, id, AcDb::kForRead) == Acad::eOk) {
        rec->getName(name);
        rec->close();
    }
    return vemhost::toUtf8(name.wstr());
}

// ---- what the drawing holds ----------------------------------------------------------------

// Contents as DXF keeps them: line feeds as paragraph codes.
std::wstring asDxfContents(const std::wstring& contents)
{
    std::wstring out;
    for (wchar_t c : contents)
        out += c == L'\n' ? std::wstring(L"\\P") : std::wstring(1, c);
    return out;
}

// A single-line text as DXF holds it: a definition as ATTDEF, an attribute no reference
// owns as the TEXT of its value.
std::string describeText(const AcDbText& text)
{
    const AcDbAttributeDefinition* def = AcDbAttributeDefinition::cast(&text);
    const AcDbAttribute* attribute = AcDbAttribute::cast(&text);
    const std::string style = text.textStyle().isNull() ? "Standard" : nameOf(text.textStyle());
    const int generation = (text.isMirroredInX() ? 2 : 0) + (text.isMirroredInY() ? 4 : 0);
    std::string out = std::string("\"type\":") + (def ? "\"ATTDEF\"" : "\"TEXT\"") +
                      ",\"text\":" + quoted(std::wstring(text.textStringConst())) +
                      ",\"insert\":" + point(text.position()) + ",\"height\":" + number(text.height()) +
                      ",\"rotation\":" + number(text.rotation() * 180.0 / M_PI) +
                      ",\"width\":" + number(text.widthFactor()) +
                      ",\"oblique\":" + number(text.oblique() * 180.0 / M_PI) + ",\"style\":" + quoted(style) +
                      ",\"halign\":" + std::to_string(text.horizontalMode()) +
                      ",\"valign\":" + std::to_string(text.verticalMode()) +
                      ",\"generation\":" + std::to_string(generation) +
                      ",\"invisible\":" + (attribute && attribute->isInvisible() ? "1" : "0");
    if (!text.isDefaultAlignment())
        out += ",\"align_point\":" + point(text.alignmentPoint());
    if (def) {
        const int flags = def->isInvisible() + 2 * def->isConstant() + 4 * def->isVerifiable() + 8 * def->isPreset();
        out += ",\"tag\":" + quoted(std::wstring(def->tagConst())) +
               ",\"prompt\":" + quoted(std::wstring(def->promptConst())) + ",\"flags\":" + std::to_string(flags) +
               ",\"lock\":" + (def->lockPositionInBlock() ? "1" : "0");
    }
    return out;
}

std::string vector(const AcGeVector3d& v) { return point(AcGePoint3d::kOrigin + v); }

template <class Array, class Format>
std::string list(const Array& values, Format format)
{
    std::string out;
    for (int i = 0; i < values.length(); ++i)
        out += std::string(i ? "," : "") + format(values[i]);
    return "[" + out + "]";
}

std::string describeEllipse(const AcDbEllipse& ellipse)
{
    double start = 0.0, end = 0.0;
    ellipse.getStartParam(start);
    ellipse.getEndParam(end);
    return "\"type\":\"ELLIPSE\",\"center\":" + point(ellipse.center()) + ",\"major_axis\":" +
           vector(ellipse.majorAxis()) + ",\"extrusion\":" + vector(ellipse.normal()) +
           ",\"ratio\":" + number(ellipse.radiusRatio()) + ",\"start_param\":" + number(start) +
           ",\"end_param\":" + number(end) + "}";
}

// The NURBS data, the fit points, and points along the curve at five parameters for the
// reader's own evaluation to meet.
std::string describeSpline(const AcDbSpline& spline)
{
    int degree = 0;
    Adesk::Boolean rational = false, closed = false, periodic = false;
    AcGePoint3dArray points, fitPoints;
    AcGeDoubleArray knots, weights;
    double pointTol = 0.0, knotTol = 0.0;
    spline.getNurbsData(degree, rational, closed, periodic, points, knots, weights, pointTol, knotTol);
    for (int i = 0; i < spline.numFitPoints(); ++i) {
        AcGePoint3d p;
        spline.getFitPointAt(i, p);
        fitPoints.append(p);
    }
    double start = 0.0, end = 0.0;
    spline.getStartParam(start);
    spline.getEndParam(end);
    std::string samples;
    for (int i = 0; i <= 4; ++i) {
        const double t = start + (end - start) * i / 4.0;
        AcGePoint3d p;
        spline.getPointAtParam(t, p);
        samples += std::string(i ? "," : "") + "[" + number(t) + "," + point(p) + "]";
    }
    return "\"type\":\"SPLINE\",\"degree\":" + std::to_string(degree) +
           ",\"closed\":" + (spline.isClosed() ? "true" : "false") + ",\"control_points\":" + list(points, point) +
           ",\"knots\":" + list(knots, number) + ",\"weights\":" + list(weights, number) +
           ",\"fit_points\":" + list(fitPoints, point) + ",\"samples\":[" + samples + "]}";
}

std::string describe(const AcDbEntity* ent, const std::string& layer, int color)
{
    std::string head = "{\"layer\":" + quoted(layer) + ",\"color\":" + std::to_string(color) + ",";
    if (const AcDbLine* line = AcDbLine::cast(ent))
        return head + "\"type\":\"LINE\",\"start\":" + point(line->startPoint()) + ",\"end\":" +
               point(line->endPoint()) + "}";
    if (const AcDbArc* arc = AcDbArc::cast(ent))
        return head + "\"type\":\"ARC\",\"center\":" + point(arc->center()) + ",\"radius\":" + number(arc->radius()) +
               ",\"start_angle\":" + number(arc->startAngle() * 180.0 / M_PI) +
               ",\"end_angle\":" + number(arc->endAngle() * 180.0 / M_PI) + "}";
    if (const AcDbPoint* pt = AcDbPoint::cast(ent))
        return head + "\"type\":\"POINT\",\"location\":" + point(pt->position()) + "}";
    if (const AcDbCircle* circle = AcDbCircle::cast(ent))
        return head + "\"type\":\"CIRCLE\",\"center\":" + point(circle->center()) +
               ",\"radius\":" + number(circle->radius()) + "}";
    if (const AcDbEllipse* ellipse = AcDbEllipse::cast(ent))
        return head + describeEllipse(*ellipse);
    if (const AcDbSpline* spline = AcDbSpline::cast(ent))
        return head + describeSpline(*spline);
    if (const AcDbPolyline* pline = AcDbPolyline::cast(ent)) {
        std::string vertices;
        for (unsigned i = 0; i < pline->numVerts(); ++i) {
            AcGePoint2d p;
            double bulge = 0, start = 0, end = 0;
            pline->getPointAt(i, p);
            pline->getBulgeAt(i, bulge);
            pline->getWidthsAt(i, start, end);
            vertices += std::string(i ? "," : "") + "[" + number(p.x) + "," + number(p.y) + "," + number(start) +
                        "," + number(end) + "," + number(bulge) + "]";
        }
        return head + "\"type\":\"LWPOLYLINE\",\"closed\":" + (pline->isClosed() ? "true" : "false") +
               ",\"elevation\":" + number(pline->elevation()) + ",\"vertices\":[" + vertices + "]}";
    }
    if (const AcDbMText* text = AcDbMText::cast(ent)) {
        const std::string style = text->textStyle().isNull() ? "Standard" : nameOf(text->textStyle());
        return head + "\"type\":\"MTEXT\",\"text\":" + quoted(asDxfContents(text->contentsString().wstr())) +
               ",\"insert\":" + point(text->location()) + ",\"height\":" + number(text->textHeight()) +
               ",\"rotation\":" + number(text->rotation() * 180.0 / M_PI) +
               ",\"attachment\":" + std::to_string(text->attachment()) + ",\"style\":" + quoted(style) + "}";
    }
    if (const AcDbText* text = AcDbText::cast(ent))
        return head + describeText(*text) + "}";
    return head + "\"type\":\"?\"}";
}

// The entity, or each piece of it when it is not one of the host's own.
void describeAll(const AcDbEntity* ent, std::string layer, int color, std::string& out)
{
    if (!ent->layerId().isNull())
        layer = nameOf(ent->layerId());
    if (ent->colorIndex() != 0)
        color = ent->colorIndex();
    if (AcDbLine::cast(ent) || AcDbPolyline::cast(ent) || AcDbMText::cast(ent) || AcDbCircle::cast(ent) ||
        AcDbArc::cast(ent) || AcDbPoint::cast(ent) || AcDbText::cast(ent) || AcDbEllipse::cast(ent) ||
        AcDbSpline::cast(ent)) {
        out += (out.empty() ? "" : ",\n") + describe(ent, layer, color);
        return;
    }
    AcDbVoidPtrArray pieces;
    ent->explode(pieces);
    for (void* p : pieces) {
        std::unique_ptr<AcDbEntity> piece(static_cast<AcDbEntity*>(p));
        describeAll(piece.get(), layer, color, out);
    }
}

std::string describeSpace(AcDbDatabase* db, const wchar_t* spaceName)
{
    AcDbBlockTable* table = nullptr;
    AcDbBlockTableRecord* space = nullptr;
    db->getBlockTable(table, AcDb::kForRead);
    table->getAt(spaceName, space, AcDb::kForRead);
    table->close();
    std::string out;
    for (AcDbObjectId id : space->entityIds()) {
        AcDbEntity* ent = nullptr;
        if (acdbOpenObject(ent, id, AcDb::kForRead) != Acad::eOk)
            continue;
        describeAll(ent, "0", 256, out);
        ent->close();
    }
    space->close();
    return "[\n" + out + "\n]";
}

std::string describeLayers(AcDbDatabase* db)
{
    AcDbLayerTable* table = nullptr;
    db->getLayerTable(table, AcDb::kForRead);
    std::string out;
    for (AcDbObjectId id : table->recordIds()) {
        AcDbLayerTableRecord* layer = nullptr;
        acdbOpenObject(layer, id, AcDb::kForRead);
        AcString name;
        layer->getName(name);
        out += std::string(out.empty() ? "" : ",") + "{\"name\":" + quoted(name.wstr()) +
               ",\"color\":" + std::to_string(layer->colorIndex()) + ",\"off\":" + (layer->isOff() ? "true" : "false") +
               ",\"locked\":" + (layer->isLocked() ? "true" : "false") + "}";
        layer->close();
    }
    table->close();
    return "[" + out + "]";
}

std::string describeStyles(AcDbDatabase* db)
{
    AcDbTextStyleTable* table = nullptr;
    db->getTextStyleTable(table, AcDb::kForRead);
    std::string out;
    for (AcDbObjectId id : table->recordIds()) {
        AcDbTextStyleTableRecord* style = nullptr;
        acdbOpenObject(style, id, AcDb::kForRead);
        AcString name;
        style->getName(name);
        const ACHAR* font = nullptr;
        const ACHAR* bigFont = nullptr;
        style->fileName(font);
        style->bigFontFileName(bigFont);
        out += std::string(out.empty() ? "" : ",") + "{\"name\":" + quoted(name.wstr()) + ",\"font\":" +
               quoted(std::wstring(font)) + ",\"bigfont\":" + quoted(std::wstring(bigFont)) + "}";
        style->close();
    }
    table->close();
    return "[" + out + "]";
}

// ---- the drawing -----------------------------------------------------------------------------

void addLabels(AcDbDatabase* db, AcDbObjectId style)
{
#ifdef VEM_HAVE_VEMD
    const AcGePoint3d absOrigin(-100, -200, 0);
    append(db, new EOrigin(L"纵", L"横", 300, 500, AcGePoint3d(200, 300, 0), 90, 0, 500, 1, 3, style));
    const AcGeVector3d directions[4] = {AcGeVector3d::kXAxis, AcGeVector3d::kYAxis, -AcGeVector3d::kXAxis,
                                        -AcGeVector3d::kYAxis};
    for (int i = 0; i < 4; ++i) {
        const AcGePoint3d mark(250 + 40 * i, 320, 0);
        append(db, new ECoPoint(L"X", L"Y", mark, mark + AcGeVector3d(8, 6, 0), absOrigin, AcGeVector3d::kYAxis,
                                AcGeVector3d::kXAxis, directions[i], 500, 1, 3, style));
    }
    append(db, new ECoLine(0, L"北", L"东", AcGePoint3d(210, 400, 0), AcGePoint3d(230, 402, 0), absOrigin,
                           AcGeVector3d::kYAxis, AcGeVector3d::kXAxis, 500, 1, 2, style));
    append(db, new ECoLine(1, L"北", L"东", AcGePoint3d(260, 400, 0), AcGePoint3d(262, 420, 0), absOrigin,
                           AcGeVector3d::kYAxis, AcGeVector3d::kXAxis, 500, 1, 2, style));
#else
    (void)db;
    (void)style;
#endif
}

// Texts in several justifications, turned, mirrored and slanted, a Chinese one, a
// definition and an attribute on its own.
void addSingleLineTexts(AcDbDatabase* db, AcDbObjectId style, AcDbObjectId layer)
{
    const struct {
        const wchar_t* string;
        AcDbText::AcTextAlignment justification;
        double x, rotationDeg;
    } texts[] = {
        {L"Left 1.5", AcDbText::kTextAlignmentLeft, 150, 0},
        {L"中文 Center", AcDbText::kTextAlignmentCenter, 160, 30},
        {L"Top right", AcDbText::kTextAlignmentTopRight, 170, 90},
        {L"Middle", AcDbText::kTextAlignmentMiddle, 180, 0},
        {L"Bottom center", AcDbText::kTextAlignmentBottomCenter, 190, 270},
    };
    for (const auto& t : texts) {
        AcDbText* text = new AcDbText(AcGePoint3d(t.x, 10, 0), t.string, style, 2.5, t.rotationDeg * M_PI / 180.0);
        text->setJustification(t.justification);
        text->setLayer(layer);
        append(db, text);
    }
    AcDbText* fitted = new AcDbText(AcGePoint3d(150, 40, 0), L"Fitted", AcDbObjectId::kNull, 3);
    fitted->setJustification(AcDbText::kTextAlignmentFit);
    fitted->setAlignmentPoint(AcGePoint3d(170, 45, 0));
    fitted->setOblique(15 * M_PI / 180.0);
    append(db, fitted);
    AcDbText* backward = new AcDbText(AcGePoint3d(150, 50, 0), L"Backward", AcDbObjectId::kNull, 2);
    backward->mirrorInX(true);
    backward->setWidthFactor(0.8);
    append(db, backward);
    AcDbAttributeDefinition* def = new AcDbAttributeDefinition(AcGePoint3d(150, 60, 0), L"默认", L"编号", L"Number:");
    def->setHeight(2);
    def->setJustification(AcDbText::kTextAlignmentMiddleCenter);
    def->setAlignmentPoint(AcGePoint3d(155, 60, 0));
    def->setVerifiable(true);
    def->setLockPositionInBlock(true);
    append(db, def);
    AcDbAttribute* attribute = new AcDbAttribute(AcGePoint3d(150, 70, 0), L"value", L"TAG");
    attribute->setHeight(2);
    attribute->setInvisible(true);
    append(db, attribute);
}

// Ellipses (whole, an arc through zero, one standing up) and splines (fitted with end
// tangents, closed, rational, and of control points in space).
void addCurves(AcDbDatabase* db, AcDbObjectId layer)
{
    AcDbEllipse* whole = new AcDbEllipse(AcGePoint3d(40, 90, 0), AcGeVector3d::kZAxis, AcGeVector3d(8, 3, 0), 0.4);
    whole->setLayer(layer);
    append(db, whole);
    append(db, new AcDbEllipse(AcGePoint3d(60, 90, 0), AcGeVector3d::kZAxis, AcGeVector3d(0, 5, 0), 0.6,
                               5 * M_PI / 3, M_PI / 4));
    append(db, new AcDbEllipse(AcGePoint3d(80, 90, 2), AcGeVector3d(1, 1, 0), AcGeVector3d(0, 0, 4), 0.5));
    AcGePoint3dArray fit;
    for (const AcGePoint3d& p : {AcGePoint3d(0, 100, 0), AcGePoint3d(10, 110, 0), AcGePoint3d(25, 104, 0),
                                 AcGePoint3d(33, 115, 0), AcGePoint3d(50, 101, 0)})
        fit.append(p);
    append(db, new AcDbSpline(fit, AcGeVector3d(0, 1, 0), AcGeVector3d(1, -1, 0)));
    append(db, new AcDbSpline(fit, true, AcGe::kChord));
    AcGePoint3dArray arc, twisted;
    AcGeDoubleArray arcKnots, arcWeights, twistedKnots;
    for (const AcGePoint3d& p : {AcGePoint3d(70, 100, 0), AcGePoint3d(70, 104, 0), AcGePoint3d(66, 104, 0)})
        arc.append(p);
    for (double k : {0.0, 0.0, 0.0, 1.0, 1.0, 1.0})
        arcKnots.append(k);
    for (double w : {1.0, std::sqrt(0.5), 1.0})
        arcWeights.append(w);
    append(db, new AcDbSpline(2, true, false, false, arc, arcKnots, arcWeights));
    for (int i = 0; i < 7; ++i)
        twisted.append(AcGePoint3d(80 + 3 * i, 100 + (i % 2) * 6, i * 0.5));
    for (double k : {0.0, 0.0, 0.0, 0.0, 0.5, 1.25, 2.0, 3.0, 3.0, 3.0, 3.0})
        twistedKnots.append(k);
    append(db, new AcDbSpline(3, false, false, false, twisted, twistedKnots, AcGeDoubleArray()));
}

void buildDrawing(AcDbDatabase* db)
{
    const AcDbObjectId walls = addLayer(db, L"Walls", 1);
    const AcDbObjectId hidden = addLayer(db, L"Hidden", 3, true, false);
    const AcDbObjectId fixed = addLayer(db, L"Fixed", 5, false, true);
    const AcDbObjectId notes = addLayer(db, L"Notes", 2);
    const AcDbObjectId style = addTextStyle(db, L"vem_text", L"complex8.shx", L"hztxt99.shx");

    append(db, newLine(0, 0, 100, 0, walls));
    append(db, newLine(0, 0, 0, 80, walls, 3));
    append(db, newLine(0.1, 0.2, 1.0 / 3.0, 1e-7, hidden));
    append(db, newPolyline({{20, 20, 0.5, 0.5, 0}, {60, 20, 0.5, 0.5, 0}, {60, 45, 0.5, 0.5, 0}}, true, walls));
    append(db, newPolyline({{10, 60, 0, 2, 0}, {30, 60, 2, 0, 0.5}, {50, 60, 1, 1, 0}}, false, fixed));
    AcDbPolyline* raised = newPolyline({{70, 70, 0, 0, 0}, {80, 75, 0, 0, 0}});
    raised->setElevation(5);
    append(db, raised);
    append(db, new AcDbCircle(AcGePoint3d(40, 30, 0), AcGeVector3d::kZAxis, 6.5));
    append(db, new AcDbArc(AcGePoint3d(80, 30, 0), 4, M_PI / 6, 3 * M_PI / 2));
    append(db, new AcDbPoint(AcGePoint3d(90, 40, 2.5)));
    addCurves(db, walls);

    const double rotations[4] = {0.0, M_PI / 2, M_PI, 3 * M_PI / 2};
    const AcDbMText::AttachmentPoint attachments[4] = {AcDbMText::kTopLeft, AcDbMText::kMiddleCenter,
                                                       AcDbMText::kBottomRight, AcDbMText::kBottomLeft};
    for (int i = 0; i < 4; ++i) {
        AcDbMText* text = newText(L"Rotated 1.25", 120, 10 + 20 * i, 2.5 + i, rotations[i], attachments[i], style);
        text->setLayer(notes);
        append(db, text);
    }
    append(db, newText(L"坐标 X=3000.000 ΔY", 120, 100, 3, 0, AcDbMText::kMiddleLeft, style));
    append(db, newText(L"two\nlines {and} \\P codes", 120, 110, 2));
    std::wstring longText;
    for (int i = 0; i < 60; ++i)
        longText += L"chunk " + std::to_wstring(i) + L" 中 ";
    append(db, newText(longText.c_str(), 120, 130, 1));

    addSingleLineTexts(db, style, notes);
    addLabels(db, style);

    append(db, newLine(0, 0, 297, 210), true);
    append(db, newText(L"Sheet 1", 10, 10, 5), true);
}

// Symbol names outside ASCII: written as \U+XXXX escapes like every text.
void buildNamesDrawing(AcDbDatabase* db)
{
    const AcDbObjectId layer = addLayer(db, L"标注", 4);
    const AcDbObjectId style = addTextStyle(db, L"文字", L"complex8.shx", L"hztxt99.shx");
    AcDbMText* text = newText(L"北 = 300000.00", 10, 20, 3, 0, AcDbMText::kMiddleCenter, style);
    text->setLayer(layer);
    append(db, text);
}

// ---- blocks: a nested block and unequally scaled, turned and mirrored references ----

// Gives the reference an attribute of the value for each definition of its block, as
// INSERT does.
void attachAttributes(AcDbObjectId refId, const wchar_t* value)
{
    AcDbBlockReference* ref = nullptr;
    AcDbBlockTableRecord* block = nullptr;
    if (acdbOpenObject(ref, refId, AcDb::kForWrite) != Acad::eOk)
        return;
    if (acdbOpenObject(block, ref->blockTableRecord(), AcDb::kForRead) == Acad::eOk) {
        for (AcDbObjectId id : block->entityIds()) {
            AcDbAttributeDefinition* def = nullptr;
            if (acdbOpenObject(def, id, AcDb::kForRead) != Acad::eOk)
                continue;
            AcDbAttribute* attribute = new AcDbAttribute();
            attribute->setAttributeFromBlock(def, ref->blockTransform());
            attribute->setTextString(value);
            if (ref->appendAttribute(attribute) == Acad::eOk)
                attribute->close();
            else
                delete attribute;
            def->close();
        }
        block->close();
    }
    ref->close();
}

void buildBlocksDrawing(AcDbDatabase* db)
{
    const AcDbObjectId inner = test_support::addBlock(
        db, L"INNER", AcGePoint3d(1, 1, 0),
        {newLine(1, 1, 3, 1), newLine(3, 1, 3, 2), new AcDbArc(AcGePoint3d(2, 2, 0), 1, 0, M_PI / 2),
         new AcDbAttributeDefinition(AcGePoint3d(2, 2, 0), L"?", L"ID", L"Number?")});
    AcDbBlockReference* nested = new AcDbBlockReference(AcGePoint3d(5, 0, 0), inner);
    nested->setScaleFactors(AcGeScale3d(2, 2, 2));
    nested->setRotation(M_PI / 2);
    const AcDbObjectId outer = test_support::addBlock(db, L"OUTER", AcGePoint3d(), {newLine(0, 0, 5, 0), nested});
    struct Placement {
        AcDbObjectId block;
        AcGePoint3d at;
        AcGeScale3d scale;
        double rotation;
    };
    const Placement placements[] = {{outer, {10, 20, 0}, {2, 3, 1}, 0},
                                    {outer, {-10, 5, 0}, {1.5, 1.5, 1.5}, M_PI / 6},
                                    {inner, {0, -10, 0}, {-1, 1, 1}, 0}};
    for (const Placement& p : placements) {
        AcDbBlockReference* ref = new AcDbBlockReference(p.at, p.block);
        ref->setScaleFactors(p.scale);
        ref->setRotation(p.rotation);
        const AcDbObjectId id = append(db, ref);
        if (p.block == inner)
            attachAttributes(id, L"A-7");
    }
}

// A reference's attributes: tag, value and position.
std::string describeAttributes(const AcDbBlockReference* ref)
{
    std::string out;
    std::unique_ptr<AcDbObjectIterator> it(ref->attributeIterator());
    for (; !it->done(); it->step()) {
        AcDbAttribute* attribute = nullptr;
        if (acdbOpenObject(attribute, it->objectId(), AcDb::kForRead) != Acad::eOk)
            continue;
        out += std::string(out.empty() ? "" : ",") + "{\"tag\":" + quoted(std::wstring(attribute->tagConst())) +
               ",\"text\":" + quoted(std::wstring(attribute->textStringConst())) +
               ",\"insert\":" + point(attribute->position()) + "}";
        attribute->close();
    }
    return "[" + out + "]";
}

// What a reference shows, through every level: each line's ends and each arc's centre
// in the world, in drawing order.
void describeShown(AcDbObjectId block, const AcGeMatrix3d& placement, std::string& lines, std::string& centers)
{
    AcDbBlockTableRecord* btr = nullptr;
    if (acdbOpenObject(btr, block, AcDb::kForRead) != Acad::eOk)
        return;
    for (AcDbObjectId id : btr->entityIds()) {
        AcDbEntity* ent = nullptr;
        if (acdbOpenObject(ent, id, AcDb::kForRead) != Acad::eOk)
            continue;
        if (const AcDbLine* line = AcDbLine::cast(ent))
            lines += std::string(lines.empty() ? "" : ",") + "[" + point(placement * line->startPoint()) + "," +
                     point(placement * line->endPoint()) + "]";
        else if (const AcDbArc* arc = AcDbArc::cast(ent))
            centers += std::string(centers.empty() ? "" : ",") + point(placement * arc->center());
        else if (const AcDbBlockReference* ref = AcDbBlockReference::cast(ent))
            describeShown(ref->blockTableRecord(), placement * ref->blockTransform(), lines, centers);
        ent->close();
    }
    btr->close();
}

std::string describeReferences(AcDbDatabase* db)
{
    AcDbBlockTableRecord* space = nullptr;
    acdbOpenObject(space, db->currentSpaceId(), AcDb::kForRead);
    std::string out;
    for (AcDbObjectId id : space->entityIds()) {
        AcDbBlockReference* ref = nullptr;
        if (acdbOpenObject(ref, id, AcDb::kForRead) != Acad::eOk)
            continue;
        std::string lines, centers;
        describeShown(ref->blockTableRecord(), ref->blockTransform(), lines, centers);
        const AcGeScale3d s = ref->scaleFactors();
        out += std::string(out.empty() ? "" : ",\n") + "{\"name\":" + quoted(nameOf(ref->blockTableRecord())) +
               ",\"insert\":" + point(ref->position()) + ",\"scale\":[" + number(s.sx) + "," + number(s.sy) + "," +
               number(s.sz) + "],\"rotation\":" + number(ref->rotation() * 180.0 / M_PI) + ",\"lines\":[" + lines +
               "],\"centers\":[" + centers + "],\"attributes\":" + describeAttributes(ref) + "}";
        ref->close();
    }
    space->close();
    return "[\n" + out + "\n]";
}

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: dxf_interop_drawing OUTDIR\n";
        return 2;
    }
    const std::string dir = argv[1];
    const bool labels = loadEntityModule();
    int status = 0;
    for (const char* name : {"interop", "interop_names", "interop_blocks"}) {
        const bool names = std::string(name) == "interop_names";
        const bool blocks = std::string(name) == "interop_blocks";
        auto db = std::make_unique<AcDbDatabase>();
        acdbHostApplicationServices()->setWorkingDatabase(db.get());
        if (names)
            buildNamesDrawing(db.get());
        else if (blocks)
            buildBlocksDrawing(db.get());
        else
            buildDrawing(db.get());
        std::string error;
        if (!vemio::writeDxf(db.get(), dir + "/" + name + ".dxf", error) ||
            (!blocks && !vemio::writeDxf(db.get(), dir + "/" + name + "_2018.dxf", error, nullptr,
                                         vemio::DxfVersion::kR2018))) {
            std::cerr << "DXFOUT failed: " << error << "\n";
            status = 1;
        }
        const std::string json = blocks ? "{\"references\":" + describeReferences(db.get()) + "}\n" :
                                 "{\"labels\":" + std::string(labels ? "true" : "false") +
                                 ",\n\"layers\":" + describeLayers(db.get()) +
                                 ",\n\"styles\":" + describeStyles(db.get()) +
                                 ",\n\"model\":" + describeSpace(db.get(), ACDB_MODEL_SPACE) +
                                 ",\n\"paper\":" + describeSpace(db.get(), ACDB_PAPER_SPACE) + "}\n";
        if (!writeFile(dir + "/" + name + ".json", json)) {
            std::cerr << "cannot write " << dir << "/" << name << ".json\n";
            status = 1;
        }
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    }
    return status;
}
