#pragma once
#include "engine/ResultNames.h"

#include <cstdint>

// The viewer's lines in the log file: sections, label/value lines, error
// lines and the "FPS:" placeholder that is filled in when timing stops.
namespace viewerlog {

void BeginSection(const char* title, const char* successText, bool nested);
void EndSection(bool success);
void LabelValue(const char* label, const char* value);
// An error line with the result's name and description.
void Error(const char* message, HResult hr);
void ErrorText(const char* message);
// Writes "FPS:" and a placeholder; its handle, or -1.
int32_t FpsPlaceholder();
// Writes the average into the placeholder and drops it; returns -1.
int32_t RewriteFps(int32_t handle, double average);
// Drops the placeholder; returns -1.
int32_t ForgetPlaceholder(int32_t handle);

} // namespace viewerlog
