#include "recording/RecordingCommands.h"

// Live recording is not built yet: the commands are registered and do
// nothing, and there is never a capture thread to wait for.
void StartVideoRecording() {}
void PauseVideoRecording() {}
void EndVideoRecording() {}
void StopLiveCaptureAndWait() {}
