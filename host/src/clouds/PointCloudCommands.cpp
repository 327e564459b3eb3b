// Host commands for point clouds (Point clouds menu):
//   CLOUDINFO       lists the clouds of the drawing;
//   CLOUDNORMALS    computes normals for a picked cloud that has none;
//   CLOUDDISPLAY    sets a picked cloud's point size and colouring in the
//                   active viewport.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <sstream>
#include <thread>

#include "host/CommandRegistry.h"
#include "host/DrawingDocument.h"
#include "host/HostSession.h"
#include "host/Isolation.h"
#include "host/PointCloudNormals.h"
#include "host/ProgressBar.h"
#include "host/XPC.h"
#include "win32/Text.h"

namespace host {

namespace {

void Add(const char16_t* name, std::function<void()> body, const char16_t* menu = u"", const char16_t* label = u"") {
  CommandRegistry::instance().addHostCommand(name, std::move(body), menu, label);
}

std::u16string U16(const std::string& text) { return win32::FromUtf8(text); }

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

Console& Out() { return Application::instance().console(); }

// Picks one cloud of the current document; null (after saying why) when none.
hostDbPointCloudInsertionPtr PickCloud(OdDb::OpenMode mode) {
  Document* document = Application::instance().document();
  if (document == nullptr || document->database() == nullptr) {
    Out().write(u"No drawing is open.");
    return {};
  }
  OdDbObjectId id;
  if (!XPC::PointCloudSingleSelect(id, document)) return {};
  return hostDbPointCloudInsertionPtr(hostDbPointCloudInsertion::cast(id.openObject(mode).get()));
}

// Runs the normals of cloud on a worker thread while the host window stays
// responsive, with the progress bar and its Cancel button.
bool ComputeWithProgress(const PointCloudData& cloud, std::vector<float>& normals, bool& failed) {
  ProgressBar progress;
  const std::size_t total = cloud.size();
  constexpr unsigned kRange = 100;
  progress.StartStepIteration(u"Computing normals", kRange, kRange, kProgressPercent);
  std::atomic<std::size_t> done{0};
  std::atomic<bool> stop{false};
  std::atomic<bool> finished{false};
  bool completed = false;
  failed = false;
  std::thread worker([&] {
    // Nothing escapes the thread: a failure is a flag for the main thread.
    try {
      completed = ComputeNormals(cloud, normals, 12, 0, &done, &stop);
    } catch (...) { failed = true; }
    finished.store(true);
  });
  unsigned shown = 0;
  const auto poll = [&] {
    const unsigned now = static_cast<unsigned>(static_cast<unsigned long long>(done.load()) * kRange / total);
    if (now > shown) {
      progress.StepIt(now - shown);
      shown = now;
    }
    if (progress.IsBreak()) stop.store(true);
  };
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
    QEventLoop loop;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
      poll();
      if (finished.load()) loop.quit();
    });
    timer.start(20);
    loop.exec();
  } else {
    while (!finished.load()) {
      poll();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  worker.join();
  poll();
  progress.Close();
  return completed && !failed;
}

struct PointCloudCommands {
  PointCloudCommands() {
    Add(
        u"CLOUDINFO",
        [] {
          Document* document = Application::instance().document();
          if (document == nullptr || document->database() == nullptr) {
            Out().write(u"No drawing is open.");
            return;
          }
          int clouds = 0;
          const OdDbHandle viewport = document->database()->activeViewportId().getHandle();
          for (const OdDbObjectId& id : document->database()->modelSpaceIds()) {
            auto* cloud = hostDbPointCloudInsertion::cast(id.openObject(OdDb::kForRead).get());
            if (cloud == nullptr) continue;
            ++clouds;
            XPC::InsertionPointCloudInfoPtr info = cloud->getCloudInfo();
            const OdGeExtents3d e = info->getExtents();
            const XPC::VisualizationParams params = cloud->paramsOf(viewport);
            std::ostringstream text;
            text << "Point cloud " << win32::ToUtf8(id.getHandle().ascii().str()) << ": "
                 << win32::ToUtf8(cloud->name()) << ", " << info->pointCount() << " points, "
                 << (info->isDataValid(XPC::kNormalData) ? "normals" : "no normals") << ", "
                 << (info->isDataValid(XPC::kColorData) ? "colours" : "no colours") << ", extents ("
                 << Fixed(e.minPoint().x) << ", " << Fixed(e.minPoint().y) << ", " << Fixed(e.minPoint().z) << ") to ("
                 << Fixed(e.maxPoint().x) << ", " << Fixed(e.maxPoint().y) << ", " << Fixed(e.maxPoint().z)
                 << "), point size " << params.pointSize << ", coloured by "
                 << (params.coloring == XPC::VisualizationParams::kByNormals ? "normals" : "its colours")
                 << (isEntityHiddenByIsolation(id) ? ", hidden" : "");
            Out().write(U16(text.str()));
          }
          if (clouds == 0) Out().write(u"No point clouds in the drawing.");
        },
        u"Point clouds", u"List point clouds");

    Add(
        u"CLOUDNORMALS",
        [] {
          hostDbPointCloudInsertionPtr cloud = PickCloud(OdDb::kForRead);
          if (!cloud) return;
          std::shared_ptr<const PointCloudData> points = cloud->points();
          if (!points || points->size() == 0) {
            Out().write(u"The cloud has no points.");
            return;
          }
          if (points->hasNormals()) {
            Out().write(u"The cloud already has normals.");
            return;
          }
          auto result = std::make_shared<PointCloudData>(*points);
          bool failed = false;
          if (!ComputeWithProgress(*points, result->normals, failed)) {
            Out().write(failed ? u"Normals could not be computed." : u"Normals not computed: cancelled.");
            return;
          }
          cloud->upgradeOpen();
          cloud->setPoints(std::move(result));
          Out().write(u"Normals computed for " + U16(std::to_string(points->size())) + u" points.");
        },
        u"Point clouds", u"Compute normals…");

    Add(
        u"CLOUDDISPLAY",
        [] {
          hostDbPointCloudInsertionPtr cloud = PickCloud(OdDb::kForWrite);
          if (!cloud) return;
          std::u16string answer;
          if (Out().readLine(u"Point size", u"1", answer) != kHostPromptOk) return;
          const int size = std::atoi(win32::ToUtf8(answer).c_str());
          if (size < 1 || size > 64) {
            Out().write(u"The point size is a whole number from 1 to 64.");
            return;
          }
          if (Out().readLine(u"Colour by [Colors/Normals]", u"Colors", answer) != kHostPromptOk) return;
          const bool byNormals = !answer.empty() && (answer[0] == u'N' || answer[0] == u'n');
          const OdDbHandle viewport = cloud->database()->activeViewportId().getHandle();
          XPC::VisualizationParamsWrapperPtr params = cloud->createVisualizationParamsSetFrom(viewport);
          params->setPointSize(static_cast<OdUInt16>(size));
          if (byNormals) {
            if (!cloud->getCloudInfo()->isDataValid(XPC::kNormalData)) {
              Out().write(u"The cloud has no normals: compute them with CLOUDNORMALS.");
              return;
            }
            params->setColoringParams(XPC::ColoringByNormals());
          } else {
            params->setColoringParams(XPC::ColoringByOwnColors());
          }
          cloud->setVisualizationParamsSetToViewport(params.get(), viewport);
          Application::instance().showView();
        },
        u"Point clouds", u"Point size and colouring…");
  }
} g_pointCloudCommands;

}  // namespace

}  // namespace host
