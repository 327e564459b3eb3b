// The XYZ text reader: one point per line, 3, 6 or 9 values.
#include <algorithm>
#include <new>
#include <string_view>

#include "CloudText.h"
#include "host/PointCloudReader.h"

namespace host {

using namespace cloudtext;

bool ReadXyzCloud(const char* data, std::size_t size, PointCloudData& cloud, std::string& error) {
  cloud.clear();
  error.clear();
  if (data == nullptr) size = 0;
  TextCursor text(data, size);
  std::size_t columns = 0;
  std::string_view line;
  double point[9] = {};
  try {
    while (text.nextLine(line)) {
      if (line.front() == '#' || line.substr(0, 2) == "//") continue;
      std::size_t count = 0;  // values on the line; the first nine make the point
      LineNumbers numbers(line, true);
      for (double v; numbers.more() && numbers.parse(v); ++count) {
        if (count < 9) point[count] = v;
      }
      if (numbers.more()) {  // stopped at text that is not a number
        error = "line " + Number(text.lineNumber()) + " holds text that is not a number";
        cloud.clear();
        return false;
      }
      if (columns == 0) {
        columns = count;
        if (columns != 3 && columns != 6 && columns != 9) {
          error = "line " + Number(text.lineNumber()) + " has " + Number(columns) +
                  " values; a point line has 3 (x y z), 6 (with normals) or 9 (with normals and colours)";
          return false;
        }
        // The first line tells the size of a line: reserve for the whole
        // file at once (a guess; the vectors still grow when it is short).
        const std::size_t guess = std::min<std::size_t>(size / (line.size() + 1) + 1, kMaxCloudPoints);
        cloud.xyz.reserve(guess * 3);
        if (columns >= 6) cloud.normals.reserve(guess * 3);
        if (columns == 9) cloud.colors.reserve(guess);
      } else if (count != columns) {
        error = "line " + Number(text.lineNumber()) + " has " + Number(count) + " values where the lines before have " +
                Number(columns) + " (is the file truncated?)";
        cloud.clear();
        return false;
      }
      if (!Finite3(point[0], point[1], point[2])) {
        error =
            "line " + Number(text.lineNumber()) + " has a coordinate that is not a finite number in single precision";
        cloud.clear();
        return false;
      }
      if (cloud.size() >= kMaxCloudPoints) {
        error = "the file holds more than the " + Number(kMaxCloudPoints) + " points a cloud may have";
        cloud.clear();
        return false;
      }
      for (int k = 0; k < 3; ++k) cloud.xyz.push_back(static_cast<float>(point[k]));
      if (columns >= 6) {
        const bool finite = Finite3(point[3], point[4], point[5]);
        for (int k = 3; k < 6; ++k) cloud.normals.push_back(finite ? static_cast<float>(point[k]) : 0.0f);
      }
      if (columns == 9) {
        cloud.colors.push_back((Component(point[6], 1.0) << 16) | (Component(point[7], 1.0) << 8) |
                               Component(point[8], 1.0));
      }
    }
  } catch (const std::bad_alloc&) {
    cloud.clear();
    error = "not enough memory for the points of the file";
    return false;
  }
  if (cloud.size() == 0) {
    error = "the file holds no points";
    return false;
  }
  // A file cut inside its last line leaves a short line, refused above
  // unless the cut fell between two values of the right count: nothing more
  // can be told from text.
  return true;
}

}  // namespace host
