#include "track/VideoFromTrackCommand.h"

#include <memory>

#include "base/HostAccess.h"
#include "base/RecordingSummary.h"
#include "base/ResourceHandleScope.h"
#include "dialogs/DlgVideoFromTrackParams.h"
#include "host/DrawingViewManager.h"
#include "host/HostDIBRasterImage.h"
#include "host/Isolation.h"
#include "host/ProgressBar.h"
#include "movie/GdiOwners.h"
#include "movie/MovieFrameSink.h"
#include "resources/StringTable.h"
#include "sdk/OdDbDatabase.h"
#include "sdk/OdGsDevice.h"
#include "track/CameraPath.h"
#include "track/TrajectorySelection.h"
#include "win32/Gdi.h"
#include "win32/Messages.h"
#include "win32/Threads.h"

namespace {

// The view's camera before the flight, put back at the end.
struct SavedCamera {
  explicit SavedCamera(const OdGsView& view)
      : position(view.position()),
        target(view.target()),
        up(view.upVector()),
        fieldWidth(view.fieldWidth()),
        fieldHeight(view.fieldHeight()),
        perspective(view.isPerspective()) {}
  void restore(OdGsView& view) const {
    view.setView(position, target, up, fieldWidth, fieldHeight,
                 perspective ? OdGsView::kPerspective : OdGsView::kParallel);
  }
  OdGePoint3d position, target;
  OdGeVector3d up;
  double fieldWidth, fieldHeight;
  bool perspective;
};

// Hides the trajectory for the flight; on every way out it is shown again,
// then the view gets its camera back.
class FlightScope {
 public:
  FlightScope(OdDbEntity& trajectory, OdGsView& view) : m_trajectory(trajectory), m_view(view), m_saved(view) {
    setEntityInvisibleByIsolation(&m_trajectory, nullptr);
  }
  ~FlightScope() {
    setEntityVisibleByIsolation(&m_trajectory, nullptr);
    if (m_cameraMoved) m_saved.restore(m_view);
  }
  FlightScope(const FlightScope&) = delete;
  FlightScope& operator=(const FlightScope&) = delete;
  void cameraMoves() { m_cameraMoved = true; }

 private:
  OdDbEntity& m_trajectory;
  OdGsView& m_view;
  SavedCamera m_saved;
  bool m_cameraMoved = false;
};

}  // namespace

void PumpTrackMessages() {
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_CLOSE || msg.message == WM_QUIT) {
      // Closing or quitting waits until the video is complete.
      PostMessageW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

TrackRecording RecordTrackFrames(OdGsView& view, CameraPath& path, const VideoRecordingParams& params) {
  TrackRecording result;
  OdGsDevice* device = view.device();
  if (device == nullptr) {
    result.failed = true;
    result.failureReason = u"The View Has No Graphics Device";
    return result;
  }
  OdRxDictionaryPtr properties = device->properties();
  ProgressBar progress;
  // Frame n is converted, encoded and written on the movie's writer thread
  // while frame n + 1 is rendered here, straight into the bitmap that the
  // compressor reads where the view has the frame's size.
  MovieFrameSink movie;
  MemoryDc frameDC(CreateCompatibleDC(nullptr));
  const auto ended = [&](const char16_t* reason) {
    movie.fail(reason);
    movie.finish();
    progress.Close();
    result.failed = true;
    result.failureReason = movie.failureReason();
    return result;
  };
  if (frameDC == nullptr) return ended(u"Unable to Create Compatible DC");
  if (!movie.open(params)) return ended(u"Unable to Create the Frame Bitmaps");
  SetStretchBltMode(frameDC.get(), COLORONCOLOR);
  // A trajectory of no length (equal vertices, a single vertex, a spline
  // whose control points coincide) gives no frame: that is a failed
  // recording, not an empty success. Nor does a flight that would not end.
  if (const OdResult started = path.start(); started != eOk) {
    return ended(started == eInvalidInput ? u"The Flight Would Not End: Too Many Frames or Too Small a Step"
                                          : u"Unable to Measure the Trajectory");
  }
  if (!path.hasFrame()) return ended(u"The Trajectory Has No Length");
  progress.StartStepIteration(u"", 100, static_cast<unsigned>(path.progressSteps()), kProgressPercent);

  const int frameWidth = params.frameFormat.biWidth;
  const int frameHeight = params.frameFormat.biHeight;
  // One snapshot image for the flight: made by the first snapshot, drawn
  // into again by every later one. Its own bitmap, set aside while frames
  // are lent to it, goes with the flight.
  OdGiRasterImagePtr snapshot;
  OwnedBitmap snapshotBitmap;
  while (path.hasFrame()) {
    TrackCamera camera;
    if (path.camera(camera) != eOk) {
      movie.fail(u"Unable to Place the Camera on the Trajectory");
      break;
    }
    const double fieldHeight = view.fieldHeight();
    const double fieldWidth = view.fieldWidth();
    view.setView(camera.eye, camera.target, camera.up, fieldWidth, fieldHeight, OdGsView::kPerspective);

    OdGsDCRect rect{};
    device->getSize(rect);
    if (!properties.isNull() && properties->has(u"SnapShotFlags")) {
      OdRxVariantPtr flags(OdRxObjectImpl<OdRxVariant>::createObject(), kOdRxObjAttach);
      flags->setUInt32(3);
      properties->putAt(u"SnapShotFlags", flags.get());
    }
    // Waits while the writer is behind by the pipeline's depth; none once a
    // write has failed.
    HBITMAP frame = movie.acquire();
    if (frame == nullptr) break;
    // Where the snapshot has the frame's size, the frame bitmap is lent to
    // it and the view is drawn straight into the bitmap the compressor
    // reads; `held` keeps the image, and the frame lent to it, alive
    // whatever getSnapShot does with `snapshot`.
    OdGiRasterImagePtr held = snapshot;
    HostDIBRasterImage* lentTo = HostDIBRasterImage::cast(held.get());
    if (lentTo != nullptr && rect.width() == frameWidth && rect.height() == frameHeight &&
        static_cast<int>(lentTo->pixelWidth()) == frameWidth &&
        static_cast<int>(lentTo->pixelHeight()) == frameHeight) {
      // The image's own bitmap is set aside the first time; between frames
      // the image holds none.
      if (lentTo->bitmap() != nullptr) snapshotBitmap.reset(lentTo->detachBitmap());
      if (!lentTo->attachBitmap(frame, true)) lentTo = nullptr;
    } else {
      lentTo = nullptr;
    }
    device->getSnapShot(snapshot, rect);
    if (lentTo != nullptr) lentTo->detachBitmap();
    HostDIBRasterImage* image = HostDIBRasterImage::cast(snapshot.get());
    if (image == nullptr) {
      movie.giveBack(frame);
      movie.fail(u"Unable to Render the View");
      break;
    }
    bool copied = true;
    if (image != lentTo) {
      // Drawn into the snapshot's own bitmap: copied (and scaled) into the frame.
      HGDIOBJ previous = SelectObject(frameDC.get(), frame);
      TRY {
        if (previous == nullptr ||
            !StretchBlt(frameDC.get(), 0, 0, frameWidth, frameHeight, image->getDC(), 0, 0,
                        static_cast<int>(image->pixelWidth()), static_cast<int>(image->pixelHeight()), SRCCOPY)) {
          copied = false;
        }
      }
      CATCH(CException, e) { copied = false; }
      END_CATCH
      if (previous != nullptr) SelectObject(frameDC.get(), previous);
    }
    if (!copied) {
      movie.giveBack(frame);
      movie.fail(u"Unable to Copy the Rendered View into the Frame");
      break;
    }
    movie.push(frame);
    path.advance();

    PumpTrackMessages();
    if (progress.IsBreak()) break;
    progress.StepIt(1);
  }
  // Every rendered frame is written before the file is completed.
  movie.finish();
  result.frameCount = movie.framesWritten();
  result.failed = movie.failed();
  result.failureReason = movie.failureReason();
  progress.Close();
  return result;
}

void VideoFromTrack() {
  ResourceHandleScope resources(ResourceModule());
  SetThreadLocale(GetSystemDefaultLCID());

  HostDocument* document = HostCurrentDocument();
  if (document == nullptr) return;
  OdDbDatabasePtr database(document->database());
  if (database.isNull()) return;
  if (document->messageOutput() == nullptr || document->selectionInput() == nullptr) return;
  HostViewManager* views = document->viewManager();
  OdGsView* view = views != nullptr ? views->activeView() : nullptr;
  if (view == nullptr || view->device() == nullptr) return;

  PickedTrajectory trajectory;
  if (!PickTrajectory(*document, trajectory)) return;

  const CaptureTarget target(LoadModuleString(IDS_CURRENT_DOCUMENT), document->viewWindow());
  CDlgVideoFromTrackParams dialog(target, nullptr);
  if (dialog.DoModal() != IDOK) return;
  const VideoRecordingParams params = dialog.m_params;

  CameraPath path(*trajectory.curve, dialog.m_stepSpeed, params.fps);
  if (!path.stepIsUsable()) {
    // No frame rate, or a step speed that never reaches the end of the
    // trajectory: nothing to record.
    LogRecordingFailure(u"No Usable Step: the Step Speed or the Frame Rate Is Not a Positive Number");
    PrintModuleString(IDS_RECORDING_ERROR);
    return;
  }

  FlightScope flight(*trajectory.entity, *view);
  flight.cameraMoves();
  const TrackRecording recording = RecordTrackFrames(*view, path, params);
  if (recording.failed) {
    LogRecordingFailure(recording.failureReason);
    PrintModuleString(IDS_RECORDING_ERROR);
    return;
  }
  const std::uint32_t seconds = recording.frameCount / static_cast<std::uint32_t>(params.fps);
  PrintRecordingSummary(params.filePath.c_str(), SummaryMegabytes(QueryFileSize(params.filePath.c_str())),
                        static_cast<int>(recording.frameCount), SummaryTime(seconds), params.fps);
}
