// Start-up stage times for the start-up benchmark: recorded only when the
// environment names a report file (MENSARO_STARTUP_TIMES); the program then
// writes the times once its window has painted and closes itself.
#pragma once

#include <windows.h>

enum StartupStage {
  StartupEntry,
  StartupSkinDone,
  StartupDevicesBegin,
  StartupDevicesEnd,
  StartupCanvasBegin,
  StartupCanvasEnd,
  StartupPainted,
  StartupStageCount
};

// True when a benchmark asked for the times.
bool StartupTimesWanted();
// Notes the performance counter for a stage (the first time only).
void MarkStartup(StartupStage stage);
// Adds the time since begin to the stage pair's total (canvas, devices).
// Writes "stage counter" lines and the counter frequency; false on failure.
bool WriteStartupTimes();
