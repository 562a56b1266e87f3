#include "engine/FigureTypes.h"

#include "engine/Types.h"
#include "engine/figures/Angle.h"
#include "engine/figures/Circle.h"
#include "engine/figures/Clipart.h"
#include "engine/figures/Curve.h"
#include "engine/figures/CurvePolygon.h"
#include "engine/figures/Distance.h"
#include "engine/figures/Ellipse.h"
#include "engine/figures/Line.h"
#include "engine/figures/Points.h"
#include "engine/figures/Polygon.h"
#include "engine/figures/Rectangle.h"
#include "engine/figures/TextFigure.h"

namespace {

template <class Figure>
CDTDraw* NewAt(POINT point, const wchar_t*) {
  return new Figure(point);
}
CDTDraw* NewClipart(POINT point, const wchar_t* path) { return new CDTClipart(point, path); }
CDTDraw* NewText(POINT point, const wchar_t* text) { return new CDTText(point, text); }
template <class Figure>
CDTDraw* NewEmpty() {
  return new Figure;
}

FigureType g_types[] = {
    {DRAW_LINE, L"CDTLine", L"#%d length", 2, 2, NewAt<CDTLine>, NewEmpty<CDTLine>},
    {DRAW_ANGLE, L"CDTAngle", L"#%d angle", 1, 3, NewAt<CDTAngle>, NewEmpty<CDTAngle>},
    {DRAW_ANGLE_PT4, L"CDTAnglePt4", L"#%d angle", 1, 4, NewAt<CDTAnglePt4>, NewEmpty<CDTAnglePt4>},
    {DRAW_POINT_LINE, L"CDTPoints", L"distance %d", 1, 3, NewAt<CDTPoints>, NewEmpty<CDTPoints>},
    {DRAW_DISTANCE, L"CDTDistance", L"#%d distance", 1, 2, NewAt<CDTDistance>, NewEmpty<CDTDistance>},
    {DRAW_CURVE, L"CDTCurve", L"#%d curve", 1, 0, NewAt<CDTCurve>, NewEmpty<CDTCurve>},
    {DRAW_CIRCLE, L"CDTCircle", L"#%d circle", 1, 3, NewAt<CDTCircle>, NewEmpty<CDTCircle>},
    {DRAW_ELLIPSE, L"CDTEllipse", L"#%d ellipse", 2, 4, NewAt<CDTEllipse>, NewEmpty<CDTEllipse>},
    {DRAW_RECTANGLE, L"CDTRectangle", L"#%d rectangle", 2, 4, NewAt<CDTRectangle>, NewEmpty<CDTRectangle>},
    {DRAW_POLYGON, L"CDTPolygon", L"#%d polygon", 1, 3, NewAt<CDTPolygon>, NewEmpty<CDTPolygon>},
    {DRAW_CURVE_POLYGON, L"CDTCurvePolygon", L"#%d curve polygon", 1, 3, NewAt<CDTCurvePolygon>,
     NewEmpty<CDTCurvePolygon>},
    {DRAW_CLIPART, L"CDTClipart", L"#%d clipart", -1, 2, NewClipart, NewEmpty<CDTClipart>},
    {DRAW_TEXT, L"CDTText", L"#%d text", -1, 4, NewText, NewEmpty<CDTText>},
};

}  // namespace

FigureType* EditFigureType(int type) {
  if (type < DRAW_LINE || type > DRAW_TEXT) return nullptr;
  return &g_types[type - DRAW_LINE];
}

const FigureType* FindFigureType(int type) { return EditFigureType(type); }
