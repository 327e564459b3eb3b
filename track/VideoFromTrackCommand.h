#pragma once

// The video-from-trajectory command.
void VideoFromTrack();
