// The selection contract a command relies on: the host asks the tracker's
// filter about every candidate and honours a refusal, a cancel gives -2 and
// leaves the set as it was, and the set holds the picked ids afterwards.
// The answers come from a console fed by the test, the seam where a script
// or a person answers in pchost.
#include <gtest/gtest.h>

#include <deque>

#include "host/DrawingDocument.h"
#include "host/HostSelection.h"
#include "host/HostSession.h"
#include "host/XPC.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbPolyline.h"
#include "sdk/OdDbSpline.h"

namespace {

class FedConsole final : public host::Console {
 public:
  std::deque<std::u16string> answers;
  std::vector<std::u16string> written;
  std::vector<std::u16string> prompts;
  void write(const std::u16string& message) override { written.push_back(message); }
  int readLine(const std::u16string& prompt, const std::u16string&, std::u16string& answer) override {
    prompts.push_back(prompt);
    if (answers.empty()) return kHostPromptNoInput;
    answer = answers.front();
    answers.pop_front();
    return answer == u"^C" ? kHostPromptCancel : kHostPromptOk;
  }
};

// Splines only, as a trajectory pick asks; counts what it is asked.
class SplineTracker final : public HostEdSSetTracker {
 public:
  int asked = 0, released = 0, added = 0, starts = 0, ends = 0;
  bool onStart() override { return ++starts, true; }
  bool isSelectable(const OdDbObjectId& id) override {
    ++asked;
    OdDbObjectPtr object = id.openObject(OdDb::kForRead);
    return OdDbSpline::cast(object.get()) != nullptr;
  }
  bool onAdded(const OdDbObjectId&) override { return ++added, true; }
  bool onEnd() override { return ++ends, true; }
  void releaseObject(OdDbObjectPtr& object) override {
    ++released;
    object.release();
  }
};

// A filter that throws for objects that are not entities, as a module's
// class test does.
class ThrowingTracker final : public HostEdSSetTracker {
 public:
  bool isSelectable(const OdDbObjectId& id) override {
    odCastOrThrow<OdDbEntity>(id.openObject(OdDb::kForRead));
    return true;
  }
};

class SelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::Application::instance().setConsole(&console);
    document = host::Application::instance().openDocument(u"Selection");
    document->setDatabase(db.get());
    host::InstallSelectionInput(*document);
    auto line = OdDbLine::createObject();
    lineId = db->addEntity(line.get(), OdDbHandle(0x2A));
    auto spline = OdDbSpline::createObject();
    splineId = db->addEntity(spline.get(), OdDbHandle(0x2B));
    auto spline2 = OdDbSpline::createObject();
    spline2Id = db->addEntity(spline2.get(), OdDbHandle(0x2C));
    auto cloud = hostDbPointCloudInsertion::createObject();
    cloudId = db->addEntity(cloud.get(), OdDbHandle(0x40));
  }
  void TearDown() override {
    host::Application::instance().closeDocument();
    host::Application::instance().setConsole(nullptr);
  }
  int select(hostSelectionSetPtr& set, HostEdSSetTracker* tracker, int options = 0x3000) {
    return document->selectionInput()->select(set, 0, u"Select trajectory", 0, options, 0, 0, 0, tracker);
  }

  FedConsole console;
  OdDbDatabasePtr db = OdDbDatabase::createObject();
  host::Document* document = nullptr;
  OdDbObjectId lineId, splineId, spline2Id, cloudId;
};

TEST_F(SelectionTest, TheFilterIsAskedForEveryCandidateAndARefusalIsHonoured) {
  hostSelectionSetPtr set = hostSelectionSet::createObject(db.get());
  SplineTracker tracker;
  console.answers = {u"handle 2A 2B 99"};
  EXPECT_EQ(select(set, &tracker), kHostPromptOk);
  EXPECT_EQ(console.prompts, std::vector<std::u16string>{u"Select trajectory"});
  EXPECT_EQ(tracker.asked, 2);  // the line and the spline; 99 names nothing
  EXPECT_EQ(tracker.released, 2);
  EXPECT_EQ(tracker.added, 1);
  EXPECT_EQ(tracker.starts, 1);
  EXPECT_EQ(tracker.ends, 1);
  EXPECT_EQ(set->objectIdArray(), std::vector<OdDbObjectId>{splineId});
  EXPECT_EQ(console.written.back(), u"1 found, 1 cannot be picked here.");
}

TEST_F(SelectionTest, CancelGivesMinusTwoAndLeavesTheSetAsItWas) {
  hostSelectionSetPtr set = hostSelectionSet::createObject(db.get());
  ASSERT_TRUE(set->append(spline2Id));
  SplineTracker tracker;
  console.answers = {u"^C"};
  EXPECT_EQ(select(set, &tracker), kHostPromptCancel);
  EXPECT_EQ(set->objectIdArray(), std::vector<OdDbObjectId>{spline2Id});
  EXPECT_EQ(tracker.ends, 1);
  // No answer at all (the script ended) is not a pick either.
  EXPECT_EQ(select(set, &tracker), kHostPromptNoInput);
}

TEST_F(SelectionTest, KindPicksTheFirstAcceptedOrAll) {
  hostSelectionSetPtr set;  // a null set is made for the pick
  SplineTracker tracker;
  console.answers = {u"kind spline"};
  ASSERT_EQ(select(set, &tracker), kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), std::vector<OdDbObjectId>{splineId});
  console.answers = {u"KIND SPLINE all"};
  ASSERT_EQ(select(set, &tracker), kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), (std::vector<OdDbObjectId>{splineId, spline2Id}));
  // A kind the filter refuses picks nothing.
  console.answers = {u"kind LINE"};
  ASSERT_EQ(select(set, &tracker), kHostPromptOk);
  EXPECT_EQ(set->numEntities(), 0u);
  EXPECT_EQ(console.written.back(), u"0 found.");
}

TEST_F(SelectionTest, ReplaceAndFilterHeldOptions) {
  hostSelectionSetPtr set = hostSelectionSet::createObject(db.get());
  set->append(lineId);
  set->append(spline2Id);
  SplineTracker tracker;
  // Without the replace bit but with the filter bit, held objects the
  // filter refuses are dropped, the others kept.
  console.answers = {u""};
  ASSERT_EQ(select(set, &tracker, kHostSelectFilterHeld), kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), std::vector<OdDbObjectId>{spline2Id});
  // With the replace bit only what is picked now is held.
  console.answers = {u"handle 2B"};
  ASSERT_EQ(select(set, &tracker, kHostSelectReplace), kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), std::vector<OdDbObjectId>{splineId});
}

TEST_F(SelectionTest, AnAnswerThatIsNotUnderstoodAsksAgain) {
  hostSelectionSetPtr set;
  console.answers = {u"pick the spline please", u"handle 2B"};
  ASSERT_EQ(select(set, nullptr), kHostPromptOk);
  EXPECT_EQ(console.prompts.size(), 2u);
  EXPECT_EQ(set->objectIdArray(), std::vector<OdDbObjectId>{splineId});
}

TEST_F(SelectionTest, AFilterThatThrowsRefusesThatObject) {
  hostSelectionSetPtr set;
  ThrowingTracker tracker;
  // Handle 1 is the model-space record, not an entity.
  console.answers = {u"handle 1 2A"};
  ASSERT_EQ(select(set, &tracker), kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), std::vector<OdDbObjectId>{lineId});
}

TEST_F(SelectionTest, CurrentSelectionSetIsReplacedAndClearEmptiesASet) {
  HostSelectionInput* input = document->selectionInput();
  hostSelectionSetPtr current = input->currentSelectionSet();
  ASSERT_FALSE(current.isNull());
  EXPECT_EQ(current->numEntities(), 0u);
  EXPECT_EQ(current->database(), db.get());
  hostSelectionSetPtr picked = hostSelectionSet::createObject(db.get());
  picked->append(splineId);
  input->replaceCurrentSelectionSet(picked.get());
  EXPECT_EQ(input->currentSelectionSet().get(), picked.get());
  input->replaceCurrentSelectionSet(hostSelectionSet::createObject(db.get()).get());
  EXPECT_EQ(input->currentSelectionSet()->numEntities(), 0u);
  picked->clear();
  EXPECT_EQ(picked->numEntities(), 0u);
  // An id of another database is not taken.
  OdDbDatabasePtr other = OdDbDatabase::createObject();
  auto line = OdDbLine::createObject();
  EXPECT_FALSE(picked->append(other->addEntity(line.get())));
  EXPECT_FALSE(picked->append(OdDbObjectId::kNull));
}

TEST_F(SelectionTest, PointCloudSingleSelectTakesOneCloudOnly) {
  OdDbObjectId id;
  console.answers = {u"handle 2B"};
  EXPECT_FALSE(XPC::PointCloudSingleSelect(id, nullptr));
  EXPECT_TRUE(id.isNull());
  console.answers = {u"kind POINTCLOUD"};
  EXPECT_TRUE(XPC::PointCloudSingleSelect(id, nullptr));
  EXPECT_EQ(id, cloudId);
  EXPECT_EQ(console.prompts.back(), u"Select point cloud");
  console.answers = {u"^C"};
  EXPECT_FALSE(XPC::PointCloudSingleSelect(id, document));
  EXPECT_TRUE(id.isNull());
}

TEST(EntityKinds, NamesOfTheKindsAScriptPicksBy) {
  EXPECT_STREQ(host::EntityKindName(OdDbLine::createObject().get()), "LINE");
  EXPECT_STREQ(host::EntityKindName(OdDbPolyline::createObject().get()), "LWPOLYLINE");
  EXPECT_STREQ(host::EntityKindName(hostDbPointCloudInsertion::createObject().get()), "POINTCLOUD");
  EXPECT_STREQ(host::EntityKindName(nullptr), "");
}

}  // namespace

namespace {

// What a click in the view picks: the entity drawn nearest to the pixel,
// among those the filter takes.
TEST(ClickPick, TheEntityDrawnNearestToThePixel) {
  FedConsole console;
  host::Application::instance().setConsole(&console);
  host::Document* document = host::Application::instance().openDocument(u"Clicks");
  host::NewDrawing(*document, nullptr);
  OdDbDatabase* db = document->database();
  ASSERT_NE(db, nullptr);
  auto line = OdDbLine::createObject();
  line->setStartPoint(OdGePoint3d(-4, -4, 0));
  line->setEndPoint(OdGePoint3d(4, -4, 0));
  const OdDbObjectId lineId = db->addEntity(line.get());
  auto cloud = hostDbPointCloudInsertion::createObject();
  auto data = std::make_shared<host::PointCloudData>();
  data->xyz = {0, 2, 0, 1, 2, 0};
  cloud->setPoints(data);
  const OdDbObjectId cloudId = db->addEntity(cloud.get());
  OdGsDevice* device = host::DrawingOf(document)->views()->device();
  OdGsDCRect rect;
  rect.m_max = {200, 200};
  device->onSize(rect);
  // 20 pixels per unit, origin at (100, 100), y up.
  device->viewAt(0)->setView(OdGePoint3d(0, 0, 10), OdGePoint3d(0, 0, 0), OdGeVector3d(0, 1, 0), 10, 10);
  const auto any = [](const OdDbObjectId&) { return true; };
  EXPECT_EQ(host::PickEntityAt(*document, 150, 181, 3.0, any), lineId);
  EXPECT_EQ(host::PickEntityAt(*document, 121, 60, 3.0, any), cloudId);
  EXPECT_TRUE(host::PickEntityAt(*document, 100, 130, 3.0, any).isNull());
  // A refused entity is passed over.
  EXPECT_TRUE(host::PickEntityAt(*document, 121, 60, 3.0, [&](const OdDbObjectId& id) { return id != cloudId; }).isNull());
  host::Application::instance().closeDocument();
  host::Application::instance().setConsole(nullptr);
}

}  // namespace
