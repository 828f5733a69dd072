#include "engine/ViewerLog.h"

#include "engine/Log.h"

namespace viewerlog {

void BeginSection(const char* title, const char* successText, bool nested) {
    LogBeginSection(title, successText, nested);
}

void EndSection(bool success) {
    LogEndSection(success);
}

void LabelValue(const char* label, const char* value) {
    LogLabelValue(kLogIndent, label, value);
}

void Error(const char* message, HResult hr) {
    LogError(kLogIndent, message, hr);
}

void ErrorText(const char* message) {
    LogErrorPrintf(kLogIndent, "%s", message);
}

int32_t FpsPlaceholder() {
    LogLine(kLogIndent, "FPS:");
    LogPadToColumn(kLogLabelColumn);
    return LogPlaceholder(8, "???");
}

int32_t RewriteFps(int32_t handle, double average) {
    return LogRewrite(handle, true, "%.2f", average);
}

int32_t ForgetPlaceholder(int32_t handle) {
    return LogForgetPlaceholder(handle);
}

} // namespace viewerlog
