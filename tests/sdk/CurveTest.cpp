// Length, parameter at distance and point at parameter of the curves a flight
// can follow, against closed forms; every entity kind and the viewport table
// read from DXF text, and malformed or truncated files refused whole.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "sdk/OdDb2dPolyline.h"
#include "sdk/OdDb3dPolyline.h"
#include "sdk/OdDbArc.h"
#include "sdk/OdDbCircle.h"
#include "sdk/OdDbDxfReader.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbPolyline.h"
#include "sdk/OdDbSpline.h"
#include "sdk/OdDbViewportTable.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
const double kW = std::sqrt(0.5);

double Length(const OdDbCurve& curve) {
  double end = 0, len = -1;
  EXPECT_EQ(curve.getEndParam(end), eOk);
  EXPECT_EQ(curve.getDistAtParam(end, len), eOk);
  return len;
}

// The point at a distance along the curve, as the camera path asks for it.
OdGePoint3d AtDistance(const OdDbCurve& curve, double dist) {
  double param = 0;
  OdGePoint3d p(1e9, 1e9, 1e9);
  EXPECT_EQ(curve.getParamAtDist(dist, param), eOk) << dist;
  EXPECT_EQ(curve.getPointAtParam(param, p), eOk) << param;
  return p;
}

// Distance and parameter agree along the whole curve, and past the end fails.
void ExpectConsistent(const OdDbCurve& curve) {
  const double len = Length(curve);
  ASSERT_GT(len, 0.0);
  for (int i = 0; i <= 200; ++i) {
    const double d = len * i / 200.0;
    double param = 0, back = -1;
    ASSERT_EQ(curve.getParamAtDist(d, param), eOk) << d;
    ASSERT_EQ(curve.getDistAtParam(param, back), eOk) << param;
    EXPECT_NEAR(back, d, 1e-9 * len) << "at distance " << d;
  }
  double param = 0, end = 0;
  for (double bad : {len * 1.001 + 1e-6, -0.01 * len, std::nan("")})
    EXPECT_EQ(curve.getParamAtDist(bad, param), eInvalidInput) << bad;
  curve.getEndParam(end);
  OdGePoint3d p;
  EXPECT_EQ(curve.getPointAtParam(end + 1.0, p), eInvalidInput);
}

OdDbCurvePtr Lightweight(std::initializer_list<std::pair<OdGePoint2d, double>> vertices, bool closed = false,
                         double elevation = 0, OdGeVector3d normal = OdGeVector3d(0, 0, 1)) {
  auto pl = OdDbPolyline::createObject();
  for (const auto& [point, bulge] : vertices) pl->addVertexAt(pl->numVerts(), point, bulge);
  pl->setClosed(closed);
  pl->setElevation(elevation);
  pl->setNormal(normal);
  return pl;
}

OdDbCurvePtr Spline(int degree, std::vector<OdGePoint3d> controls, std::vector<double> knots,
                    std::vector<double> weights = {}) {
  auto spline = OdDbSpline::createObject();
  EXPECT_EQ(spline->setNurbsData(degree, controls, knots, weights), eOk);
  return spline;
}

OdDbCurvePtr Fit(std::vector<OdGePoint3d> points) {
  auto spline = OdDbSpline::createObject();
  EXPECT_EQ(spline->setFitData(points), eOk);
  return spline;
}

std::string Pairs(std::initializer_list<std::pair<int, std::string>> pairs) {
  std::string out;
  for (const auto& [code, value] : pairs) out += std::to_string(code) + "\n" + value + "\n";
  return out;
}

std::string Dxf(const std::string& entities, const std::string& tables = "") {
  return Pairs({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1015"}, {0, "ENDSEC"}}) +
         (tables.empty() ? "" : Pairs({{0, "SECTION"}, {2, "TABLES"}}) + tables + Pairs({{0, "ENDSEC"}})) +
         Pairs({{0, "SECTION"}, {2, "ENTITIES"}}) + entities + Pairs({{0, "ENDSEC"}, {0, "EOF"}});
}

OdDbDatabasePtr Read(const std::string& text) {
  OdDbDatabasePtr db;
  std::string message;
  EXPECT_EQ(odDbReadDxfText(text.data(), text.size(), db, message), eOk) << message;
  return db;
}

std::string Refused(const std::string& text) {
  OdDbDatabasePtr db;
  std::string message;
  EXPECT_NE(odDbReadDxfText(text.data(), text.size(), db, message), eOk);
  EXPECT_TRUE(db.isNull());
  EXPECT_FALSE(message.empty());
  return message;
}

template <class T>
OdSmartPtr<T> Only(const OdDbDatabasePtr& db) {
  if (db.isNull() || db->modelSpaceIds().size() != 1) {
    ADD_FAILURE() << "expected one entity";
    return {};
  }
  OdDbObjectPtr object = db->modelSpaceIds()[0].openObject();
  T* cast = T::cast(object.get());
  if (cast == nullptr) ADD_FAILURE() << "wrong class";
  return OdSmartPtr<T>(cast);
}

const std::string kLwPolyline = Pairs({{0, "LWPOLYLINE"},
                                       {5, "2A"},
                                       {62, "1"},
                                       {90, "3"},
                                       {70, "0"},
                                       {38, "2.5"},
                                       {10, "0"},
                                       {20, "0"},
                                       {42, "1"},
                                       {10, "2"},
                                       {20, "0"},
                                       {10, "2"},
                                       {20, "3"}});

TEST(DxfReader, EveryCurveKindWithItsLength) {
  const struct {
    std::string pairs;
    const OdRxClass* kind;
    double length;
  } table[] = {
      // A closed 2D polyline at elevation 4; a frame control vertex is not a vertex.
      {Pairs({{0, "POLYLINE"}, {66, "1"},  {10, "0"},     {20, "0"}, {30, "4"}, {70, "1"},     {0, "VERTEX"},
              {10, "0"},       {20, "0"},  {0, "VERTEX"}, {10, "3"}, {20, "0"}, {0, "VERTEX"}, {70, "16"},
              {10, "99"},      {20, "99"}, {0, "VERTEX"}, {10, "3"}, {20, "4"}, {0, "SEQEND"}}),
       OdDb2dPolyline::desc(), 12.0},
      {Pairs({{0, "POLYLINE"},
              {66, "1"},
              {70, "8"},
              {0, "VERTEX"},
              {70, "32"},
              {10, "0"},
              {20, "0"},
              {30, "0"},
              {0, "VERTEX"},
              {70, "32"},
              {10, "0"},
              {20, "0"},
              {30, "7"},
              {0, "SEQEND"}}),
       OdDb3dPolyline::desc(), 7.0},
      {Pairs({{0, "LINE"}, {10, "1"}, {20, "2"}, {30, "3"}, {11, "4"}, {21, "6"}, {31, "3"}}), OdDbLine::desc(), 5.0},
      {Pairs({{0, "ARC"}, {10, "1"}, {20, "1"}, {30, "0"}, {40, "2"}, {50, "90"}, {51, "180"}}), OdDbArc::desc(), kPi},
      {Pairs({{0, "CIRCLE"}, {10, "5"}, {20, "0"}, {30, "1"}, {40, "0.5"}, {210, "0"}, {220, "0"}, {230, "-1"}}),
       OdDbCircle::desc(), kPi},
      // A rational quarter circle of radius 3 from control points and weights.
      {Pairs({{0, "SPLINE"}, {70, "12"}, {71, "2"}, {72, "6"}, {73, "3"},
              {74, "0"},     {40, "0"},  {40, "0"}, {40, "0"}, {40, "1"},
              {40, "1"},     {40, "1"},  {10, "3"}, {20, "0"}, {30, "0"},
              {41, "1"},     {10, "3"},  {20, "3"}, {30, "0"}, {41, "0.70710678118654752"},
              {10, "0"},     {20, "3"},  {30, "0"}, {41, "1"}}),
       OdDbSpline::desc(), 1.5 * kPi},
  };
  for (const auto& row : table) {
    auto curve = Only<OdDbCurve>(Read(Dxf(row.pairs)));
    ASSERT_TRUE(curve);
    EXPECT_EQ(curve->isA(), row.kind);
    EXPECT_NEAR(Length(*curve), row.length, 1e-9) << row.kind->name().toUtf8();
  }
  // The circle's extrusion points down: its centre is given where X points the other way.
  EXPECT_NEAR(Only<OdDbCircle>(Read(Dxf(table[4].pairs)))->center().x, -5.0, 1e-12);
  // A spline through fit points passes through them.
  auto through = Only<OdDbSpline>(Read(Dxf(Pairs({{0, "SPLINE"},
                                                  {70, "8"},
                                                  {71, "3"},
                                                  {72, "0"},
                                                  {73, "0"},
                                                  {74, "4"},
                                                  {11, "0"},
                                                  {21, "0"},
                                                  {31, "0"},
                                                  {11, "1"},
                                                  {21, "2"},
                                                  {31, "0"},
                                                  {11, "2"},
                                                  {21, "0"},
                                                  {31, "1"},
                                                  {11, "3"},
                                                  {21, "2"},
                                                  {31, "0"}}))));
  ASSERT_TRUE(through);
  ASSERT_EQ(through->numFitPoints(), 4);
  OdGePoint3d p;
  ASSERT_EQ(through->getPointAtParam(through->fitParamAt(2), p), eOk);
  EXPECT_NEAR(p.distanceTo(OdGePoint3d(2, 0, 1)), 0.0, 1e-9);
}

TEST(DxfReader, LightweightPolylineViewportRecordsAndTheActiveOne) {
  const std::string vports =
      Pairs({{0, "TABLE"}, {2, "VPORT"}, {70, "2"},   {0, "VPORT"}, {2, "*ACTIVE"}, {5, "8A"},  {70, "0"},
             {10, "0"},    {20, "0"},    {11, "0.5"}, {21, "1"},    {12, "3"},      {22, "4"},  {16, "1"},
             {26, "1"},    {36, "1"},    {17, "5"},   {27, "5"},    {37, "0"},      {40, "20"}, {41, "1.5"},
             {42, "35"},   {51, "0"},    {71, "1"},   {0, "VPORT"}, {2, "*ACTIVE"}, {70, "0"},  {10, "0.5"},
             {20, "0"},    {11, "1"},    {21, "1"},   {40, "7"},    {0, "ENDTAB"}});
  auto db = Read(Dxf(kLwPolyline, vports));
  auto pl = Only<OdDbPolyline>(db);
  ASSERT_TRUE(pl);
  // The lightweight polyline's bulge, elevation, handle and colour.
  EXPECT_EQ(pl->numVerts(), 3u);
  EXPECT_DOUBLE_EQ(pl->elevation(), 2.5);
  EXPECT_NEAR(Length(*pl), kPi + 3.0, 1e-12);
  EXPECT_EQ(db->getOdDbObjectId(OdDbHandle(0x2A)), pl->objectId());
  EXPECT_EQ(pl->color(), 0xFF0000u);
  auto table = odCastOrThrow<OdDbViewportTable>(db->getViewportTableId().openObject());
  EXPECT_EQ(table->recordIds().size(), 2u);
  const OdDbObjectId active = table->getActiveViewportId();
  EXPECT_EQ(active, db->activeViewportId());
  EXPECT_EQ(active.getHandle().value(), 0x8Au);
  auto record = odCastOrThrow<OdDbViewportTableRecord>(active.openObject());
  EXPECT_EQ(std::make_pair(record->upperRightCorner(), record->centerPoint()),
            std::make_pair(OdGePoint2d(0.5, 1), OdGePoint2d(3, 4)));
  EXPECT_EQ(std::make_pair(record->target(), record->viewDirection()),
            std::make_pair(OdGePoint3d(5, 5, 0), OdGeVector3d(1, 1, 1)));
  EXPECT_EQ((std::vector<double>{record->height(), record->width(), record->lensLength()}),
            (std::vector<double>{20.0, 30.0, 35.0}));
  EXPECT_TRUE(record->isPerspectiveEnabled());
  // A file without viewport records gets an active one showing everything.
  EXPECT_FALSE(Read(Dxf(kLwPolyline))->activeViewportId().isNull());
}

TEST(DxfReader, MalformedTruncatedOrMissingFilesLoadNothing) {
  const std::string good = Dxf(kLwPolyline);
  // Truncated anywhere before EOF: cut at every tenth byte.
  for (std::size_t cut = 0; cut + 4 < good.size(); cut += 10) Refused(good.substr(0, cut));
  std::string number = good, code = good;
  number.replace(number.find("\n2.5\n"), 5, "\nabc\n");
  code.replace(code.find("90\n3\n"), 5, "x9\n3\n");
  const std::pair<std::string, std::string> table[] = {
      {good.substr(0, good.size() - 8), "truncated"},
      {number, "not a number"},
      {code, "group code"},
      // Counts that do not match the data.
      {Dxf(Pairs({{0, "LWPOLYLINE"}, {90, "1000000000"}, {10, "0"}, {20, "0"}})), "vertex count"},
      {Dxf(Pairs({{0, "SPLINE"}, {71, "3"}, {72, "8"}, {73, "4"}, {40, "0"}})), ""},
      // Knots that go down; a spline of degree 0; a negative radius.
      {Dxf(Pairs({{0, "SPLINE"},
                  {71, "1"},
                  {72, "4"},
                  {73, "2"},
                  {40, "0"},
                  {40, "1"},
                  {40, "0"},
                  {40, "1"},
                  {10, "0"},
                  {20, "0"},
                  {10, "1"},
                  {20, "0"}})),
       ""},
      {Dxf(Pairs({{0, "SPLINE"}, {71, "0"}, {72, "0"}, {73, "0"}})), ""},
      {Dxf(Pairs({{0, "CIRCLE"}, {5, "FF"}, {10, "0"}, {20, "0"}, {40, "-2"}})), "handle FF"},
      // Not closed sections, a polyline without SEQEND, binary DXF, empty.
      {Pairs({{0, "SECTION"}, {2, "ENTITIES"}, {0, "EOF"}}), ""},
      {Dxf(Pairs({{0, "POLYLINE"}, {70, "0"}, {0, "VERTEX"}, {10, "0"}, {20, "0"}})), ""},
      {std::string("AutoCAD Binary DXF\r\n\x1a\0", 22), ""},
      {"", ""},
      {std::string(1000, '\0'), ""},
  };
  for (const auto& [text, words] : table) EXPECT_NE(Refused(text).find(words), std::string::npos) << words;
  OdDbDatabasePtr db;
  std::string message;
  EXPECT_EQ(odDbReadDxf("/nonexistent/drawing.dxf", db, message), eFileNotFound);
  EXPECT_TRUE(db.isNull());
  EXPECT_FALSE(message.empty());
}

}  // namespace

TEST(Curve, LengthAndPointsAtDistances) {
  auto p2 = OdDb2dPolyline::createObject();
  p2->appendVertex(OdGePoint3d(0, 0, 0), 1.0);
  p2->appendVertex(OdGePoint3d(2, 0, 0));
  p2->appendVertex(OdGePoint3d(2, 5, 0));
  p2->setElevation(1.0);
  const struct {
    const char* name;
    OdDbCurvePtr curve;
    double length;
    std::vector<std::pair<double, OdGePoint3d>> atDistance;
  } table[] = {
      {"straight, elevated",
       Lightweight({{{0, 0}, 0}, {{0.25, 0}, 0}, {{1, 0}, 0}}, false, 2.5),
       1.0,
       {{0.625, {0.625, 0, 2.5}}, {0.975, {0.975, 0, 2.5}}}},
      // A semicircle counter-clockwise from (0,0) about (1,0) passes below;
      // closed, the segment back counts.
      {"semicircle bulge, closed",
       Lightweight({{{0, 0}, 1.0}, {{2, 0}, 0}}, true),
       kPi + 2.0,
       {{kPi / 2, {1, -1, 0}}, {kPi + 1, {1, 0, 0}}}},
      // A quarter-circle bulge, tan(pi/8), then a negative one turning clockwise about (0, 2).
      {"quarter bulges both ways",
       Lightweight({{{1, 0}, std::tan(kPi / 8)}, {{0, 1}, -std::tan(kPi / 8)}, {{-1, 2}, 0}}),
       kPi,
       {{kPi / 4, {kW, kW, 0}}, {3 * kPi / 4, {-kW, 2 - kW, 0}}}},
      // A mirrored plane: X becomes -X, elevation -Z.
      {"normal down",
       Lightweight({{{0, 0}, 0}, {{1, 0}, 0}}, false, 3.0, OdGeVector3d(0, 0, -1)),
       1.0,
       {{1.0, {-1, 0, -3}}}},
      {"2D polyline", p2, kPi + 5.0, {{kPi + 5.0, {2, 5, 1}}}},
      // A rational quarter circle of radius 3: the middle by length is at 45 degrees.
      {"rational spline",
       Spline(2, {{3, 0, 0}, {3, 3, 0}, {0, 3, 0}}, {0, 0, 0, 1, 1, 1}, {1, kW, 1}),
       1.5 * kPi,
       {{0.75 * kPi, {3 * kW, 3 * kW, 0}}, {0.3 * kPi, {3 * std::cos(0.1 * kPi), 3 * std::sin(0.1 * kPi), 0}}}},
      // Fit points on a straight line give the line; two give a line of degree 1.
      {"fit points in line",
       Fit({{0, 0, 0}, {1, 1, 1}, {3, 3, 3}, {4, 4, 4}}),
       4 * std::sqrt(3.0),
       {{2 * std::sqrt(3.0), {2, 2, 2}}}},
      {"two fit points", Fit({{0, 0, 0}, {0, 2, 0}}), 2.0, {{0.5, {0, 0.5, 0}}}},
      // A degree-2 curve whose middle control points coincide: speed zero in the middle.
      {"cusp",
       Spline(2, {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {0, 0, 0, 0.5, 1, 1, 1}),
       2.0,
       {{1.0, {1, 0, 0}}}},
      // A clamped cubic with two interior knots.
      {"cubic, interior knots",
       Spline(3, {{0, 0, 0}, {1, 2, 0}, {2, -1, 1}, {4, 3, 0}, {5, 0, 0}, {7, 1, 2}},
              {0, 0, 0, 0, 0.3, 0.7, 1, 1, 1, 1}),
       -1,
       {}},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(row.length <= 0 || std::abs(Length(*row.curve) - row.length) <= 1e-9) << Length(*row.curve);
    for (const auto& [dist, expected] : row.atDistance)
      EXPECT_NEAR(AtDistance(*row.curve, dist).distanceTo(expected), 0.0, 1e-9) << dist;
    ExpectConsistent(*row.curve);
  }
}

TEST(Curve, SplineThroughFitPointsPassesThroughThem) {
  auto spline = OdDbSpline::createObject();
  const std::vector<OdGePoint3d> fit = {{0, 0, 0}, {10, 5, 1}, {20, -5, 2}, {30, 0, 3}, {40, 10, 0}, {50, 0, 0}};
  ASSERT_EQ(spline->setFitData(fit), eOk);
  EXPECT_EQ(spline->degree(), 3);
  ASSERT_EQ(spline->numFitPoints(), 6);
  for (int k = 0; k < 6; ++k) {
    OdGePoint3d p;
    ASSERT_EQ(spline->getPointAtParam(spline->fitParamAt(k), p), eOk);
    EXPECT_NEAR(p.distanceTo(fit[k]), 0.0, 1e-9) << k;
  }
  ExpectConsistent(*spline);
}
