#include "frontend/MainScreenData.h"

#include <cstring>

namespace {

uint32_t LoadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The light records of the used pictures: times that cannot be drawn from
// (an empty range, a shine of no length) would divide by zero later.
bool LightsUsable(const MainScreenRecord& record) {
    for (uint32_t i = 0; i < record.pictureCount; ++i) {
        const MainScreenLightRecord& light = record.params.lights[i];
        if (light.shineMin > light.shineMax || light.pauseMin > light.pauseMax || light.shineMax == 0)
            return false;
    }
    return true;
}

} // namespace

MainScreenDataError ParseMainScreenRecords(const uint8_t* bytes, size_t size,
                                           std::vector<MainScreenRecord>* out) {
    out->clear();
    if (!bytes || size < 4) return MainScreenDataError::Truncated;
    const uint32_t count = LoadU32(bytes);
    const size_t left = size - 4;
    if (count > left / sizeof(MainScreenRecord)) return MainScreenDataError::Truncated;
    std::vector<MainScreenRecord> records(count);
    if (count) std::memcpy(records.data(), bytes + 4, size_t(count) * sizeof(MainScreenRecord));
    for (MainScreenRecord& record : records) {
        if (record.pictureCount > kMainScreenPictureMax) return MainScreenDataError::PictureCount;
        if (record.kind == kLayerLight && !LightsUsable(record)) return MainScreenDataError::LightTimes;
        for (MainScreenPicture& picture : record.pictures)
            picture.sprite[31] = 0; // a name that fills its field still ends
    }
    *out = std::move(records);
    return MainScreenDataError::None;
}
