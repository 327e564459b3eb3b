#include "track/VideoFromTrackCommand.h"

// Not built yet: registered, does nothing.
void VideoFromTrack() {}
