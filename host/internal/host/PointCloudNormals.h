// Normals of a cloud that has none, estimated from each point's nearest
// neighbours: the direction in which the neighbourhood is thinnest (the
// eigenvector of the smallest eigenvalue of its covariance), turned to point
// away from the cloud's centre. Plain C++; runs on worker threads of its own.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

#include "host/PointCloudReader.h"

namespace host {

// Fills normals (3 floats per point of cloud) from the neighbours nearest to
// each point (itself included). Points whose neighbourhood has no
// thinnest direction (fewer than 3 points, all on a line) get a zero normal.
// done counts the points finished as they are (may be null); a true stop
// ends the work early and the function returns false. threads 0: one per
// core.
HOST_EXPORT bool ComputeNormals(const PointCloudData& cloud, std::vector<float>& normals, unsigned neighbours,
                                unsigned threads, std::atomic<std::size_t>* done, const std::atomic<bool>* stop);

}  // namespace host
