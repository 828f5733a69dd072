#include "level/LevelPoint.h"

#include "level/SaveStream.h"

namespace {
constexpr uint32_t kBaseBlockSize = 24;
constexpr uint32_t kDamageBlockSize = 12;
constexpr uint32_t kBaseFlagLocked = 0x1;
} // namespace

void BaseLevelPoint::Setup(const PointRecord& record) {
    stage_ = record.stage;
    objectId_ = record.objectId;
    value_ = record.value;
    water_ = record.water;
    waterMax_ = record.waterMax;
    x_ = record.x;
    y_ = record.y;
    SetMirrored((record.flags & 1) != 0);
}

uint32_t BaseLevelPoint::Remove(bool, bool, uint32_t delay) {
    return delay;
}

int32_t BaseLevelPoint::Update(uint32_t ms) {
    if (countdownMs_ < 0) return -1;
    countdownMs_ = countdownMs_ > static_cast<int32_t>(ms) ? countdownMs_ - static_cast<int32_t>(ms) : 0;
    return countdownMs_;
}

void BaseLevelPoint::GetInfo(PointRecord* record) const {
    *record = {};
    record->kind = kind_;
    record->stage = stage_;
    record->objectId = objectId_;
    record->value = value_;
    record->water = water_;
    record->waterMax = waterMax_;
    record->x = x_;
    record->y = y_;
    record->flags = mirrored_ ? 1u : 0u;
}

void BaseLevelPoint::SaveSecondPass(SaveWriter& out) const {
    out.PutU32(4);
}

bool BaseLevelPoint::LoadSecondPass(SaveReader& in) {
    SaveReader block = in.ReadBlock(4, 4);
    return !block.Failed();
}

void BaseLevelPoint::SaveBase(SaveWriter& out) const {
    out.PutU32(kBaseBlockSize);
    out.PutU32(locked_ ? kBaseFlagLocked : 0);
    out.PutI32(countdownMs_);
    out.PutU32(pendingDelayMs_);
    out.PutU32(clickAction_);
    out.PutU32(0);
}

bool BaseLevelPoint::LoadBase(SaveReader& in) {
    SaveReader block = in.ReadBlock(kBaseBlockSize, kBaseBlockSize);
    const uint32_t flags = block.ReadU32();
    const int32_t countdown = block.ReadI32();
    const uint32_t pending = block.ReadU32();
    const uint32_t action = block.ReadU32();
    if (block.Failed() || (flags & ~kBaseFlagLocked) || countdown < -1) {
        in.Fail();
        return false;
    }
    locked_ = (flags & kBaseFlagLocked) != 0;
    countdownMs_ = countdown;
    pendingDelayMs_ = pending;
    clickAction_ = action;
    return true;
}

void BaseLevelPoint::SaveDamage(SaveWriter& out) const {
    out.PutU32(kDamageBlockSize);
    out.PutI32(damage_);
    out.PutU32(0);
}

bool BaseLevelPoint::LoadDamage(SaveReader& in) {
    SaveReader block = in.ReadBlock(kDamageBlockSize, kDamageBlockSize);
    const int32_t damage = block.ReadI32();
    if (block.Failed() || damage < 0) {
        in.Fail();
        return false;
    }
    damage_ = damage;
    return true;
}

void BaseLevelPoint::AddDamage(int32_t strength, bool animated) {
    if (strength <= 0) return;
    damage_ = damage_ > INT32_MAX - strength ? INT32_MAX : damage_ + strength;
    OnDamaged(animated);
}

uint32_t BaseLevelPoint::RequestRemove(bool animated, bool forGood, uint32_t delay) {
    if (beingRemoved_) return delay;
    if (forGood) beingRemoved_ = true;
    return Remove(animated, forGood, delay);
}
