// The XPC functions and the attaching of clouds to documents.
#include <algorithm>

#include "host/DrawingDocument.h"
#include "host/HostSelection.h"
#include "host/HostSession.h"
#include "host/XPC.h"
#include "sdk/OdDbViewportTable.h"
#include "win32/Text.h"

namespace XPC {

bool getCountViewports(OdDbDatabase* database, int& count) {
  if (database == nullptr) return false;
  OdDbObjectPtr object = database->getViewportTableId().openObject(OdDb::kForRead);
  auto* table = OdDbViewportTable::cast(object.get());
  if (table == nullptr) return false;
  int n = 0;
  OdString active(viewportActiveNameStr);
  active.makeUpper();
  for (const OdDbObjectId& id : table->recordIds()) {
    OdDbObjectPtr record = id.openObject(OdDb::kForRead);
    auto* viewport = OdDbViewportTableRecord::cast(record.get());
    if (viewport == nullptr) continue;
    OdString name = viewport->getName();
    if (name.makeUpper() == active) ++n;
  }
  count = n;
  return true;
}

namespace {
class CloudTracker final : public HostEdSSetTracker {
 public:
  bool isSelectable(const OdDbObjectId& id) override {
    OdDbObjectPtr object = id.openObject(OdDb::kForRead);
    return hostDbPointCloudInsertion::cast(object.get()) != nullptr;
  }
};
}  // namespace

bool PointCloudSingleSelect(OdDbObjectId& id, HostDocument* document) {
  id = OdDbObjectId::kNull;
  if (document == nullptr) document = host::Application::instance().currentDocument();
  if (document == nullptr || document->database() == nullptr) return false;
  HostSelectionInput* input = document->selectionInput();
  if (input == nullptr) return false;
  hostSelectionSetPtr set = hostSelectionSet::createObject(document->database());
  CloudTracker tracker;
  const int status = input->select(set, 0, u"Select point cloud", 0, kHostSelectReplace, 0, 0, 0, &tracker);
  if (status != kHostPromptOk || set->numEntities() != 1) {
    if (status == kHostPromptOk && set->numEntities() > 1 && document->messageOutput() != nullptr)
      document->messageOutput()->print(u"Pick one point cloud only.");
    return false;
  }
  id = set->objectIdArray().front();
  return true;
}

bool computeBoundingRectangle(const OdGeExtents3d& extents, const OdGeMatrix3d& matrix,
                              std::pair<OdGePoint2d, OdGePoint2d>& rect) {
  if (!extents.isValidExtents()) return false;
  const OdGePoint3d& a = extents.minPoint();
  const OdGePoint3d& b = extents.maxPoint();
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  for (int corner = 0; corner < 8; ++corner) {
    const OdGePoint3d p((corner & 1) != 0 ? b.x : a.x, (corner & 2) != 0 ? b.y : a.y, (corner & 4) != 0 ? b.z : a.z);
    const OdGePoint3d q = matrix * p;
    if (corner == 0) {
      minX = maxX = q.x;
      minY = maxY = q.y;
    } else {
      minX = std::min(minX, q.x);
      maxX = std::max(maxX, q.x);
      minY = std::min(minY, q.y);
      maxY = std::max(maxY, q.y);
    }
  }
  rect.first = OdGePoint2d(minX, minY);
  rect.second = OdGePoint2d(maxX, maxY);
  return true;
}

}  // namespace XPC

namespace HostGeUtils {
bool invertMatrix(const OdGeMatrix3d& matrix, OdGeMatrix3d& inverse) {
  OdGeMatrix3d copy = matrix;
  if (!copy.invert()) return false;
  inverse = copy;
  return true;
}
}  // namespace HostGeUtils

namespace host {

OdDbObjectId AttachPointCloud(Document& document, std::shared_ptr<const PointCloudData> data, std::u16string name) {
  OdDbDatabase* database = document.database();
  if (database == nullptr || !data) return {};
  hostDbPointCloudInsertionPtr cloud = hostDbPointCloudInsertion::createObject();
  cloud->setPoints(std::move(data));
  cloud->setName(std::move(name));
  cloud->setColor(0xC8C8C8);
  return database->addEntity(cloud.get());
}

int OpenPointCloudFiles(Document& document, const std::vector<std::string>& files, Console& console) {
  OdDbDatabase* database = document.database();
  if (database == nullptr) return static_cast<int>(files.size());
  const bool wasEmpty = !database->modelSpaceExtents().isValidExtents();
  bool added = false;
  int failed = 0;
  for (const std::string& file : files) {
    auto data = std::make_shared<PointCloudData>();
    std::string error;
    if (!ReadPointCloudFile(file, *data, error)) {
      console.write(u"Cannot open " + win32::FromUtf8(file) + u": " + win32::FromUtf8(error) + u".");
      ++failed;
      continue;
    }
    const std::size_t count = data->size();
    const bool normals = data->hasNormals();
    const auto slash = file.rfind('/');
    const OdDbObjectId id = AttachPointCloud(
        document, std::move(data), win32::FromUtf8(slash == std::string::npos ? file : file.substr(slash + 1)));
    console.write(u"Point cloud opened: " + win32::FromUtf8(file) + u" (" + win32::FromUtf8(std::to_string(count)) +
                  u" points" + (normals ? u", with normals" : u"") + u"), handle " + id.getHandle().ascii().str() +
                  u".");
    added = true;
  }
  Drawing* drawing = DrawingOf(&document);
  if (added && wasEmpty && drawing != nullptr && drawing->views() != nullptr) {
    if (OdGsView* view = drawing->views()->activeView()) {
      view->zoomExtents(database->modelSpaceExtents());
      drawing->views()->refreshView(view, 0);
    }
  }
  return failed;
}

}  // namespace host
