#include "engine/ViewerLog.h"

namespace viewerlog {

void BeginSection(const char*, const char*, bool) {}
void EndSection(bool) {}
void LabelValue(const char*, const char*) {}
void Error(const char*, HResult) {}
void ErrorText(const char*) {}
int32_t FpsPlaceholder() { return -1; }
int32_t RewriteFps(int32_t, double) { return -1; }
int32_t ForgetPlaceholder(int32_t) { return -1; }

} // namespace viewerlog
