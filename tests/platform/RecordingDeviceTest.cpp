#include "platform/RecordingDevice.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace platform;

TEST(RecordingDevice, RecordsEveryCallInOrderAndForwardsIt) {
    PresentParameters p;
    p.backBufferWidth = 32;
    p.backBufferHeight = 16;
    RecordingDevice device(p);
    TexturePtr texture;
    ASSERT_EQ(device.CreateTexture(4, 4, Format::A8L8, Pool::Managed, &texture), kOk);
    ASSERT_NE(texture, nullptr);
    device.SetRenderState(RenderState::AlphaBlendEnable, 1);
    uint32_t value = 0;
    device.GetRenderState(RenderState::AlphaBlendEnable, &value);
    EXPECT_EQ(value, 1u); // forwarded to the software device
    device.SetTexture(0, texture);
    device.SetSamplerState(0, SamplerState::MagFilter, 2);
    device.SetTextureStageState(0, TextureStageState::ColorOp, 4);
    device.SetVertexFormat(kFvfColouredVertex);
    EXPECT_EQ(device.BeginScene(), kOk);
    ColouredVertex v[4] = {
        {0, 0, 0, 0xFF00FF00}, {4, 0, 0, 0xFF00FF00}, {4, 4, 0, 0xFF00FF00}, {0, 4, 0, 0xFF00FF00}};
    device.DrawPrimitiveUP(PrimitiveType::TriangleFan, 2, v, sizeof(ColouredVertex));
    device.Clear(kClearTarget, 0xFF000000, 0.0f, 0);
    EXPECT_EQ(device.EndScene(), kOk);
    device.SetLossCause(true);
    EXPECT_EQ(device.Present(), kErrDeviceLost);

    const std::vector<std::string> expected = {"CreateTexture(4, 4, 51, 1)",
                                               "SetRenderState(27, 1)",
                                               "GetRenderState(27)",
                                               "SetTexture(0, 1)",
                                               "SetSamplerState(0, 5, 2)",
                                               "SetTextureStageState(0, 1, 4)",
                                               "SetVertexFormat(66)",
                                               "BeginScene()",
                                               "DrawPrimitiveUP(6, 2, 16)",
                                               "Clear(1, 4278190080, 0, 0)",
                                               "EndScene()",
                                               "SetLossCause(1)",
                                               "Present()"};
    EXPECT_EQ(device.CallTexts(), expected);
    EXPECT_EQ(device.Calls()[3].texture, texture.get());
    ASSERT_EQ(device.Calls()[8].data.size(), 4 * sizeof(ColouredVertex));
    EXPECT_EQ(std::memcmp(device.Calls()[8].data.data(), v, sizeof v), 0);
    device.ClearCalls();
    EXPECT_TRUE(device.Calls().empty());
}
