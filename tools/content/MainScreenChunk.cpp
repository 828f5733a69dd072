#include "tools/content/MainScreenChunk.h"

#include "frontend/MainScreenData.h"

#include <cstring>
#include <vector>

namespace {

void SetPicture(MainScreenRecord* r, const char16_t* sprite, int32_t l, int32_t t, int32_t rr, int32_t b,
                uint32_t colour) {
    MainScreenPicture& p = r->pictures[r->pictureCount++];
    for (int i = 0; sprite[i] && i < 31; ++i)
        p.sprite[i] = sprite[i];
    p.left = l, p.top = t, p.right = rr, p.bottom = b, p.colour = colour;
}

} // namespace

// Five layers, the first drawn on top: the foreground, the girl, the pollen,
// two light beams, the sky and fields.
bool WriteMainScreenChunk(kis::BaseDataFile& writer) {
    std::vector<MainScreenRecord> records(5);
    std::memset(records.data(), 0, records.size() * sizeof(MainScreenRecord));
    MainScreenRecord& front = records[0];
    front.kind = 0, front.offsetFactor = 1.2f, front.scaleFactor = 1.2f;
    // Wide enough that neither end shows on the widest screen (the scene at
    // 1.5) with the layer at its smallest breath and farthest sway.
    SetPicture(&front, u"main_front", -780, 250, 780, 450, 0xFFFFFFFF);
    MainScreenRecord& girl = records[1];
    girl.kind = kLayerGirl, girl.offsetFactor = 0.8f, girl.scaleFactor = 0.8f;
    // The body reaches out to her right elbow, where the waving forearm turns.
    SetPicture(&girl, u"girl_body", -400, -95, -190, 330, 0xFFFFFFFF);
    MainScreenRecord& pollen = records[2];
    pollen.kind = kLayerParticles, pollen.offsetFactor = 0.6f, pollen.scaleFactor = 0.6f;
    pollen.params.emitters[0] = {0x706F6C6C, 0, 100, 0.0f}; // no such description in the sample: no emitter
    MainScreenRecord& lights = records[3];
    lights.kind = kLayerLight, lights.offsetFactor = 0.3f, lights.scaleFactor = 0.3f;
    SetPicture(&lights, u"light_beam", -300, -420, -180, 260, 0xA0FFF4C0);
    SetPicture(&lights, u"light_beam", 40, -420, 160, 260, 0x80FFF4C0);
    lights.params.lights[0] = {12.0f, 0.0f, 160.0f, 4000, 7000, 800, 1200, 300, 1500, 3};
    lights.params.lights[1] = {-8.0f, 0.0f, -120.0f, 5000, 9000, 1000, 1500, 800, 2500, 3};
    MainScreenRecord& sky = records[4];
    sky.kind = 0, sky.offsetFactor = 0.1f, sky.scaleFactor = 0.2f;
    SetPicture(&sky, u"main_sky", -720, -450, 720, 450, 0xFFFFFFFF);
    const uint32_t count = uint32_t(records.size());
    const uint8_t countBytes[4] = {uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16),
                                   uint8_t(count >> 24)};
    return writer.BeginChunk(kMainScreenChunkId, kMainScreenChunkSubId) && writer.Write(countBytes, 4) &&
           writer.Write(records.data(), uint32_t(records.size() * sizeof(MainScreenRecord))) &&
           writer.EndChunk();
}
