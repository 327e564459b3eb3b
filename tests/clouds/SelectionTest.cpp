// The selection contract a command relies on: the filter is asked about every
// candidate and a refusal honoured, a cancel leaves the set, the set holds the picks.
#include <gtest/gtest.h>

#include "InProcessHost.h"
#include "host/HostSelection.h"
#include "host/HostSession.h"
#include "host/XPC.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbSpline.h"

namespace {

// Splines only, as a trajectory pick asks; counts the calls it gets.
class SplineTracker final : public HostEdSSetTracker {
 public:
  int asked = 0, released = 0, added = 0, starts = 0, ends = 0;
  bool onStart() override { return ++starts, true; }
  bool isSelectable(const OdDbObjectId& id) override {
    ++asked;
    return OdDbSpline::cast(id.openObject(OdDb::kForRead).get()) != nullptr;
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
    document = host::Application::instance().openDocument(u"Selection");
    document->setDatabase(db.get());
    host::InstallSelectionInput(*document);
    lineId = db->addEntity(OdDbLine::createObject().get(), OdDbHandle(0x2A));
    splineId = db->addEntity(OdDbSpline::createObject().get(), OdDbHandle(0x2B));
    spline2Id = db->addEntity(OdDbSpline::createObject().get(), OdDbHandle(0x2C));
    cloudId = db->addEntity(hostDbPointCloudInsertion::createObject().get(), OdDbHandle(0x40));
  }
  void TearDown() override {
    host::Application::instance().closeDocument();
  }
  int select(hostSelectionSetPtr& set, HostEdSSetTracker* tracker, std::u16string answer, int options = 0x3000) {
    Answer(answer);
    return document->selectionInput()->select(set, 0, u"Select trajectory", 0, options, 0, 0, 0, tracker);
  }
  using Ids = std::vector<OdDbObjectId>;

  // The next prompt's answer; "^C" cancels it.
  void Answer(const std::u16string& text) { console.answer(text == u"^C" ? kHostPromptCancel : kHostPromptOk, text); }
  pcvr_test::ScriptedConsole console;
  OdDbDatabasePtr db = OdDbDatabase::createObject();
  host::Document* document = nullptr;
  OdDbObjectId lineId, splineId, spline2Id, cloudId;
};

TEST_F(SelectionTest, TheFilterIsAskedForEveryCandidateAndARefusalIsHonoured) {
  hostSelectionSetPtr set = hostSelectionSet::createObject(db.get());
  SplineTracker tracker;
  EXPECT_EQ(select(set, &tracker, u"handle 2A 2B 99"), kHostPromptOk);
  EXPECT_EQ(console.prompts, std::vector<std::u16string>{u"Select trajectory"});
  // The line and the spline are asked about; 99 names nothing.
  EXPECT_EQ(std::vector<int>({tracker.asked, tracker.released, tracker.added, tracker.starts, tracker.ends}),
            std::vector<int>({2, 2, 1, 1, 1}));
  EXPECT_EQ(set->objectIdArray(), Ids{splineId});
  EXPECT_EQ(console.messages.back(), u"1 found, 1 cannot be picked here.");
  // By kind: the first accepted, or all; a kind the filter refuses picks nothing.
  EXPECT_EQ(select(set, &tracker, u"kind spline"), kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), Ids{splineId});
  EXPECT_EQ(select(set, &tracker, u"KIND SPLINE all"), kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), (Ids{splineId, spline2Id}));
  EXPECT_EQ(select(set, &tracker, u"kind LINE", kHostSelectReplace), kHostPromptOk);
  EXPECT_EQ(set->numEntities(), 0u);
  EXPECT_EQ(console.messages.back(), u"0 found.");
  // A filter that throws refuses that object (handle 1 is the model-space
  // record, not an entity).
  ThrowingTracker throwing;
  hostSelectionSetPtr fresh;  // a null set is made for the pick
  EXPECT_EQ(select(fresh, &throwing, u"handle 1 2A"), kHostPromptOk);
  EXPECT_EQ(fresh->objectIdArray(), Ids{lineId});
}

TEST_F(SelectionTest, CancelAndTheEndOfAScriptLeaveTheSet) {
  hostSelectionSetPtr set = hostSelectionSet::createObject(db.get());
  ASSERT_TRUE(set->append(spline2Id));
  SplineTracker tracker;
  EXPECT_EQ(select(set, &tracker, u"^C"), kHostPromptCancel);
  EXPECT_EQ(set->objectIdArray(), Ids{spline2Id});
  EXPECT_EQ(tracker.ends, 1);
  // The script ended: not a pick either.
  EXPECT_EQ(document->selectionInput()->select(set, 0, u"", 0, 0x3000, 0, 0, 0, &tracker), kHostPromptNoInput);
  EXPECT_EQ(set->objectIdArray(), Ids{spline2Id});
}

TEST_F(SelectionTest, TheOptionsATrajectoryPickUsesAndTheCurrentSet) {
  HostSelectionInput* input = document->selectionInput();
  hostSelectionSetPtr set = input->currentSelectionSet();
  ASSERT_FALSE(set.isNull());
  EXPECT_EQ(set->numEntities(), 0u);
  EXPECT_EQ(set->database(), db.get());
  set->append(lineId);
  set->append(spline2Id);
  SplineTracker tracker;
  // With the filter bit, held objects the filter refuses are dropped.
  ASSERT_EQ(select(set, &tracker, u"", kHostSelectFilterHeld), kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), Ids{spline2Id});
  // With the replace bit only what is picked now is held.
  ASSERT_EQ(select(set, &tracker, u"handle 2B", kHostSelectReplace), kHostPromptOk);
  EXPECT_EQ(set->objectIdArray(), Ids{splineId});
  hostSelectionSetPtr empty = hostSelectionSet::createObject(db.get());
  input->replaceCurrentSelectionSet(empty.get());
  EXPECT_EQ(input->currentSelectionSet().get(), empty.get());
}

TEST_F(SelectionTest, PointCloudSingleSelectTakesOneCloudOnly) {
  OdDbObjectId id;
  Answer(u"handle 2B");
  EXPECT_FALSE(XPC::PointCloudSingleSelect(id, nullptr));
  EXPECT_TRUE(id.isNull());
  Answer(u"kind POINTCLOUD");
  EXPECT_TRUE(XPC::PointCloudSingleSelect(id, nullptr));
  EXPECT_EQ(id, cloudId);
  EXPECT_EQ(console.prompts.back(), u"Select point cloud");
  Answer(u"^C");
  EXPECT_FALSE(XPC::PointCloudSingleSelect(id, document));
  EXPECT_TRUE(id.isNull());
}

}  // namespace
