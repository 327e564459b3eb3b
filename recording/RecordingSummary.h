// The recording summary is shared with the video from a trajectory: it
// lives in the module base.
#pragma once

#include "base/RecordingSummary.h"
