// Where screenshots go (profile folder, default name, name prompt, folders) and
// what the four-view screenshot does to the drawing before it grabs, on the real
// host library, SDK objects and folder tree; only the view manager is the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

#include "InProcessHost.h"
#include "host/DrawingViewManager.h"
#include "screenshots/FourViewCameras.h"
#include "screenshots/ScreenshotNaming.h"
#include "screenshots/SingleViewport.h"
#include "sdk/OdDbViewportTable.h"
#include "sdk/OdGsDevice.h"
#include "support/Process.h"

namespace fs = std::filesystem;
using pcvr_test::ScopedEnv;

namespace {

const std::time_t kJan5 = 1767596889;  // 2026-01-05 07:08:09 UTC

class ScreenshotNaming : public ::testing::Test {
 protected:
  void SetUp() override { pcvr_test::EnsureDocument(); }
  std::string Folder(const fs::path& profile) const { return (profile / "Pictures/Screenshots/Orvanta").string(); }

  pcvr_test::TempDir m_root{"shot-naming-"};
  pcvr_test::ScriptedConsole m_console;
};

TEST_F(ScreenshotNaming, TheDefaultNameIsTheLocalTimeOfTheClock) {
  const std::tuple<const char*, std::time_t, const char16_t*> table[] = {
      {"UTC0", kJan5, u"2026-01-05_070809"},
      {"EAST-2", kJan5, u"2026-01-05_090809"},        // two hours ahead of UTC, no daylight time
      {"EAST-2", 1796421416, u"2026-12-04_235656"},   // 21:56:56 UTC
      {"WEST11", 1790823845, u"2026-09-30_160405"}};  // 2026-10-01 03:04:05 UTC
  for (const auto& [zone, when, name] : table) {
    ScopedEnv tz("TZ", zone);
    tzset();
    EXPECT_EQ(FormatScreenshotName(when).str(), name) << zone;
  }
  tzset();
}

TEST_F(ScreenshotNaming, TheFileIsTheAnswerAsTypedInTheProfilesFolder) {
  ScopedEnv tz("TZ", "UTC0");
  tzset();
  const std::string root = m_root.path().string(), folder = Folder(m_root.path());
  const struct {
    std::string profile;
    std::vector<std::pair<int, std::u16string>> answers;
    std::string path;  // empty: no path
    std::size_t prompts;
  } table[] = {
      {root, {{kHostPromptOk, u"2026-01-05_070809"}}, folder + "/2026-01-05_070809.png", 1},
      {root, {{kHostPromptOk, u"shot.png"}}, folder + "/shot.png.png", 1},
      {root, {{kHostPromptOk, u"a/b"}}, folder + "/a/b.png", 1},  // no folder "a" is made
      {root, {{kHostPromptOk, u" 100% sure "}}, folder + "/ 100% sure .png", 1},
      // A cancelled or ended prompt keeps the empty answer; an empty answer is asked again.
      {root, {{kHostPromptCancel, u""}}, folder + "/.png", 1},
      {root, {{kHostPromptNoInput, u""}}, folder + "/.png", 1},
      {root, {{kHostPromptOk, u""}, {kHostPromptOk, u""}, {kHostPromptOk, u"third"}}, folder + "/third.png", 3},
      {root, {{kHostPromptOk, u""}, {kHostPromptCancel, u""}}, folder + "/.png", 2},
      // A profile written with backslashes: the folder is made where the slashes say.
      {root + "\\home\\me", {{kHostPromptOk, u"shot"}}, Folder(m_root / "home/me") + "/shot.png", 1},
      // No usable profile: nobody is asked. Bytes that are not UTF-8 name no folder, and a
      // Windows profile would land in the current directory.
      {"", {{kHostPromptOk, u"never"}}, "", 0},
      {root + "/\xff\xfe", {{kHostPromptOk, u"never"}}, "", 0},
      {"D:\\Users\\user", {{kHostPromptOk, u"never"}}, "", 0},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.profile);
    ScopedEnv profile("USERPROFILE", row.profile.c_str());
    pcvr_test::ScriptedConsole console;
    for (const auto& [status, text] : row.answers) console.answer(status, text);
    EXPECT_EQ(GetScreenshotPath(kJan5).toUtf8(), row.path);
    EXPECT_EQ(console.prompts.size(), row.prompts);
    for (std::size_t i = 0; i < console.prompts.size(); ++i) {
      EXPECT_EQ(console.prompts[i], u"Enter screenshot name");
      EXPECT_EQ(console.defaults[i], u"2026-01-05_070809");
    }
    if (!row.path.empty()) { EXPECT_TRUE(fs::is_directory(row.path.substr(0, row.path.find("/Orvanta/") + 8))); }
  }
  EXPECT_FALSE(fs::exists(fs::path(folder) / "a"));
  EXPECT_FALSE(fs::exists(m_root / "\xff\xfe"));
  EXPECT_FALSE(fs::exists("D:"));
  {
    ScopedEnv unset("USERPROFILE", nullptr);
    EXPECT_TRUE(GetScreenshotPath(kJan5).isEmpty());
    EXPECT_EQ(ScreenshotFolder().toUtf8(), "");
  }
  ScopedEnv windows("USERPROFILE", "D:\\Users\\user");
  EXPECT_EQ(ScreenshotFolder().toUtf8(), "D:/Users/user/Pictures/Screenshots/Orvanta");
}

TEST_F(ScreenshotNaming, FoldersAreMadeWithTheirParentsButNotOverFiles) {
  const fs::path root = m_root.path();
  std::ofstream(root / "plain") << "x";
  fs::create_directories(root / "p/Pictures/Screenshots");
  std::ofstream(root / "p/Pictures/Screenshots/Orvanta") << "not a folder";
  const std::pair<std::string, bool> table[] = {
      {(root / "x/y/z").string(), true},
      {(root / "x/y/z").string(), true},  // made, then already there
      {(root / "plain").string(), false},
      {(root / "plain/below").string(), false},
      {"", false},
      {"rel/a/b", true},  // climbs to its first component
      {"/proc/no/such/folder", false},
  };
  const fs::path cwd = fs::current_path();
  fs::current_path(root);
  for (const auto& [path, made] : table) EXPECT_EQ(CreateFolderPath(OdString::fromUtf8(path)), made) << path;
  fs::current_path(cwd);
  EXPECT_TRUE(fs::is_directory(root / "x/y/z"));
  EXPECT_TRUE(fs::is_directory(root / "rel/a/b"));
  EXPECT_TRUE(fs::is_regular_file(root / "plain"));

  // A folder that cannot be made gives an empty path after the prompt.
  ScopedEnv profile("USERPROFILE", (root / "p").c_str());
  m_console.answer(kHostPromptOk, u"shot");
  EXPECT_TRUE(GetScreenshotPath(kJan5).isEmpty());
  EXPECT_EQ(m_console.prompts.size(), 1u);
}

class CountingViewManager final : public HostViewManager {
 public:
  explicit CountingViewManager(OdDbDatabase* database) : m_device(OdGsDevice::createObject(database)) {}
  OdGsView* activeView() override { return m_device->viewAt(0); }
  void refreshView(OdGsView* view, int flags) override { refreshes.push_back({view, flags}); }
  std::vector<std::pair<OdGsView*, int>> refreshes;

 private:
  OdGsDevicePtr m_device;
};

class FourViewSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    m_document = pcvr_test::EnsureDocument();
    m_document->setDatabase(m_db.get());
    m_document->setViewManager(&m_views);
    host::Application::instance().setShowView([this] { ++m_shown; });
  }
  void TearDown() override {
    host::Application::instance().setShowView(nullptr);
    m_document->setViewManager(nullptr);
    m_document->setDatabase(nullptr);
  }
  OdDbViewportTablePtr Table(OdDb::OpenMode mode = OdDb::kForRead) {
    return odCastOrThrow<OdDbViewportTable>(m_db->getViewportTableId().openObject(mode));
  }
  // The live records named "*Active", in table order.
  std::vector<OdDbViewportTableRecordPtr> ActiveTiles() {
    std::vector<OdDbViewportTableRecordPtr> tiles;
    for (const OdDbObjectId& id : Table()->recordIds()) {
      auto record = odCastOrThrow<OdDbViewportTableRecord>(id.openObject(OdDb::kForRead));
      if (record && record->getName() == OdString(viewportActiveNameStr)) tiles.push_back(record);
    }
    return tiles;
  }
  OdDbViewportTableRecordPtr ActiveForWrite() {
    return odCastOrThrow<OdDbViewportTableRecord>(m_db->activeViewportId().openObject(OdDb::kForWrite));
  }
  hostDbPointCloudInsertionPtr AddCloud(std::vector<float> xyz, bool withNormals) {
    auto data = std::make_shared<host::PointCloudData>();
    data->xyz = std::move(xyz);
    if (withNormals) data->normals.assign(data->xyz.size(), 0.5f);
    hostDbPointCloudInsertionPtr cloud = hostDbPointCloudInsertion::createObject();
    cloud->setPoints(std::move(data));
    m_db->addEntity(cloud.get());
    return cloud;
  }
  OdGsView& View() { return *m_views.activeView(); }

  OdDbDatabasePtr m_db = OdDbDatabase::createObject();
  CountingViewManager m_views{m_db.get()};
  host::Document* m_document = nullptr;
  pcvr_test::ScriptedConsole m_console;
  int m_shown = 0;
};

TEST_F(FourViewSetup, FourTilesOrOneBecomeOneCopyOfTheActiveTile) {
  {
    auto table = Table(OdDb::kForWrite);
    ActiveForWrite()->erase(true);
    const double corners[5][4] = {{0, .5, .5, 1}, {.5, .5, 1, 1}, {0, 0, 1, 1}, {0, 0, .5, .5}, {.5, 0, 1, .5}};
    for (int i = 0; i < 5; ++i) {
      auto record = OdDbViewportTableRecord::createObject();
      // The first tile is the active one; a saved configuration stays apart.
      record->setName(i == 2 ? u"Saved" : viewportActiveNameStr);
      record->setLowerLeftCorner(OdGePoint2d(corners[i][0], corners[i][1]));
      record->setUpperRightCorner(OdGePoint2d(corners[i][2], corners[i][3]));
      record->setTarget(OdGePoint3d(i + 1, 0, 0));
      table->add(record.get());
    }
  }
  ASSERT_EQ(ActiveTiles().size(), 4u);
  m_db->disableUndoRecording(true);
  const auto undoBefore = m_db->undoRecordCount();

  SetSingleViewport();

  const auto tiles = ActiveTiles();
  ASSERT_EQ(tiles.size(), 1u);
  EXPECT_EQ(tiles[0]->lowerLeftCorner(), OdGePoint2d(0, 0));
  EXPECT_EQ(tiles[0]->upperRightCorner(), OdGePoint2d(1, 1));
  EXPECT_EQ(tiles[0]->target(), OdGePoint3d(1, 0, 0));
  EXPECT_EQ(m_db->activeViewportId(), tiles[0]->objectId());
  EXPECT_TRUE(Table()->has(OdString(u"Saved")));
  // Only the addition is recorded for undo, and recording is off afterwards.
  EXPECT_EQ(m_db->undoRecordCount(), undoBefore + 1);
  EXPECT_TRUE(m_db->isUndoRecordingDisabled());

  // One viewport is replaced by an equal copy, a second time as the first.
  const OdDbObjectId once = m_db->activeViewportId();
  SetSingleViewport();
  ASSERT_EQ(ActiveTiles().size(), 1u);
  EXPECT_TRUE(once.isErased());
  EXPECT_EQ(ActiveTiles()[0]->target(), OdGePoint3d(1, 0, 0));
  EXPECT_EQ(ActiveTiles()[0]->upperRightCorner(), OdGePoint2d(1, 1));
}

TEST_F(FourViewSetup, CamerasLookAtTheCentreFromTheFourDiagonals) {
  // A tall box 10 x 4 x 30: centre (5, 2, 15). The square field is 1.4
  // times the box as the view sees it, so all of it is in the picture.
  hostDbPointCloudInsertionPtr cloud = AddCloud({0, 0, 0, 10, 4, 30, 3, 1, 2}, true);
  const OdGeVector3d offsets[4] = {{-1, 1, 1}, {1, 1, 1}, {1, -1, 1}, {-1, -1, 1}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i + 1);
    SetFourViewCamera(kFourViews[i], cloud);
    EXPECT_EQ(View().target(), OdGePoint3d(5, 2, 15));
    const OdGeVector3d eye = View().position() - View().target();
    EXPECT_NEAR((eye - offsets[i] * 0.001).length(), 0.0, 1e-12);
    EXPECT_EQ(View().upVector(), OdGeVector3d(0, 0, 1));
    EXPECT_EQ(View().fieldWidth(), View().fieldHeight());
    // The box's corners across the direction of view, as the camera shows it.
    const OdGeVector3d back = eye.normal();
    const OdGeVector3d up = (View().upVector() - back * View().upVector().dotProduct(back)).normal();
    const OdGeVector3d right = up.crossProduct(back);
    double across = 0.0, high = 0.0;
    for (const double x : {0.0, 10.0})
      for (const double y : {0.0, 4.0})
        for (const double z : {0.0, 30.0}) {
          const OdGeVector3d corner = OdGePoint3d(x, y, z) - View().target();
          across = std::max(across, 2 * std::fabs(corner.dotProduct(right)));
          high = std::max(high, 2 * std::fabs(corner.dotProduct(up)));
        }
    EXPECT_NEAR(View().fieldWidth(), 1.4 * std::max(across, high), 1e-9);
    EXPECT_GT(high, 25.0);  // the height counts, not just the footprint
    EXPECT_FALSE(View().isPerspective());
    // Refreshed, then brought onto the screen by host service 12.
    ASSERT_EQ(m_views.refreshes.size(), static_cast<std::size_t>(i + 1));
    EXPECT_EQ(m_views.refreshes.back(), std::make_pair(&View(), 0));
    EXPECT_EQ(m_shown, i + 1);
  }
  EXPECT_TRUE(m_console.messages.empty());
  EXPECT_EQ(cloud->numRefs(), 2);  // the caller's reference was given back
}

TEST_F(FourViewSetup, PerspectiveViewIsLeftAlone) {
  hostDbPointCloudInsertionPtr cloud = AddCloud({0, 0, 0, 10, 10, 10}, true);
  View().setView(OdGePoint3d(50, 0, 0), OdGePoint3d(0, 0, 0), OdGeVector3d(0, 0, 1), 3, 2, OdGsView::kPerspective);
  SetFourViewCamera(kFourViews[0], cloud);
  SetFourViewCamera(kFourViews[1], cloud);
  EXPECT_EQ(m_console.messages, std::vector<std::u16string>(2, u"Perspective Error"));
  EXPECT_EQ(View().position(), OdGePoint3d(50, 0, 0));
  EXPECT_TRUE(m_views.refreshes.empty());
  EXPECT_EQ(m_shown, 0);
}

}  // namespace
