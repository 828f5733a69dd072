#include "engine/NotifyObject.h"

#include "engine/Viewer.h"

DXLNotifyObject::~DXLNotifyObject() {
    Notify(kNotifyDestroyed);
    targets_.Clear();
}

void DXLNotifyObject::OnNotify(DXLNotifyObject*, uint32_t) {}

void DXLNotifyObject::AddTarget(DXLNotifyObject* target) {
    if (!target || IndexOfTarget(target) >= 0) return;
    targets_.Add(target);
}

void DXLNotifyObject::RemoveTarget(DXLNotifyObject* target) {
    targets_.Remove(target);
}

int32_t DXLNotifyObject::IndexOfTarget(DXLNotifyObject* target) const {
    if (!target) return -1;
    return targets_.IndexOf(target);
}

void DXLNotifyObject::Notify(uint32_t code) {
    // The count is read once; a target that removes itself during its call
    // only moves the higher indexes, which have been called already.
    const int32_t count = targets_.Count();
    for (int32_t i = count - 1; i >= 0; --i) {
        DXLNotifyObject* target = targets_.Get(i);
        if (target) target->OnNotify(this, code);
    }
}

void DXLDeviceObject::ChangeViewer(DXLViewer* viewer) {
    if (viewer == viewer_) return;
    OnDeviceEvent(viewer_, kDeviceDetach);
    OnDeviceEvent(viewer, kDeviceAttach);
}

void DXLDeviceObject::AttachToViewer(DXLViewer* viewer) {
    viewer_ = viewer;
    if (viewer) viewer->AddDeviceObject(this);
}

void DXLDeviceObject::DetachFromViewer() {
    if (viewer_) viewer_->RemoveDeviceObject(this);
    viewer_ = nullptr;
}

void DXLUpdateableObject::Changed(DXLNotifyObject*) {
    if (owner_) owner_->Update(this);
}

void DXLUpdateableObject::Update(DXLNotifyObject* sender) {
    if (updateCount_ == 0) Changed(sender);
}

void DXLUpdateableObject::EndUpdate() {
    if (updateCount_ == 0) return;
    --updateCount_;
    Update(nullptr);
}
