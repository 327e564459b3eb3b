// The live recording commands.
#pragma once

void StartVideoRecording();
void PauseVideoRecording();
void EndVideoRecording();
// Sets the recorder's stop flag and waits without a time limit for a
// running capture thread; returns at once when there is none.
void StopLiveCaptureAndWait();
