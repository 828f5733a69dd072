#pragma once
#include "foundation/List.h"

#include <cstdint>

// The engine's object model: objects that tell listeners about themselves,
// objects that live on a viewer's graphics device, and objects whose changes
// are batched and passed up to an owner.

class DXLViewer;

// Notify code sent by a DXLNotifyObject's destructor: the sender is going away.
constexpr uint32_t kNotifyDestroyed = 1;

class DXLNotifyObject {
  public:
    DXLNotifyObject() = default;
    // Sends kNotifyDestroyed to every target, then forgets them. A target that
    // must not outlive its senders removes itself when it receives that code.
    virtual ~DXLNotifyObject();
    DXLNotifyObject(const DXLNotifyObject&) = delete;
    DXLNotifyObject& operator=(const DXLNotifyObject&) = delete;

    virtual void OnNotify(DXLNotifyObject* sender, uint32_t code);

    // Null and targets already listed are ignored.
    void AddTarget(DXLNotifyObject* target);
    void RemoveTarget(DXLNotifyObject* target);
    // -1 for null or a target not listed.
    int32_t IndexOfTarget(DXLNotifyObject* target) const;
    int32_t TargetCount() const { return targets_.Count(); }
    // Calls every target's OnNotify(this, code), from the last added down to
    // the first. A target may remove itself during its call.
    void Notify(uint32_t code);

  private:
    kis::list<DXLNotifyObject> targets_; // not owned
};

// Events a viewer sends to the objects on its device (the same numbers
// throughout the engine).
enum DeviceEvent : uint32_t {
    kDeviceAttach = 0,        // the object is now on this viewer (sent by the object to itself)
    kDeviceDetach = 1,        // the object leaves the viewer, or the viewer is being destroyed
    kDeviceCreated = 2,       // the device was just created
    kDeviceReleasing = 3,     // the device is about to be released
    kDeviceResetting = 4,     // the device is about to be reset
    kDeviceResetComplete = 5, // the device was reset successfully
};

// An object with resources on a viewer's device. The viewer keeps a list of
// these and calls OnDeviceEvent around device creation, reset and release,
// and with kDeviceDetach from its destructor.
//
// Attach/detach protocol: when the object's viewer changes it sends itself
// kDeviceDetach with the old viewer, then kDeviceAttach with the new one
// (ChangeViewer does this). The handler for kDeviceAttach calls
// AttachToViewer (store the viewer, register with it); the handler for
// kDeviceDetach releases the device resources, then calls DetachFromViewer
// (unregister, store null).
class DXLDeviceObject : public DXLNotifyObject {
  public:
    DXLDeviceObject() = default;
    // Does not detach: each derived class sends itself kDeviceDetach first, so
    // that the viewer never lists a destroyed object.
    ~DXLDeviceObject() override = default;

    virtual void OnDeviceEvent(DXLViewer* viewer, uint32_t event) = 0;

    DXLViewer* GetViewer() const { return viewer_; }

  protected:
    // Runs the attach/detach protocol; nothing when the viewer is unchanged.
    void ChangeViewer(DXLViewer* viewer);
    // The shared halves of the kDeviceAttach and kDeviceDetach handlers.
    void AttachToViewer(DXLViewer* viewer);
    void DetachFromViewer();
    void StoreViewer(DXLViewer* viewer) { viewer_ = viewer; }

  private:
    DXLViewer* viewer_ = nullptr;
};

// An object whose changes are batched: while its update lock is held, changes
// are dropped, and the final EndUpdate makes one Update call. A change passes
// up the owner chain, each level subject to its own lock.
class DXLUpdateableObject : public DXLNotifyObject {
  public:
    DXLUpdateableObject() = default;

    // Calls the owner's Update(this) when there is an owner.
    virtual void Changed(DXLNotifyObject* sender);
    // Empty; derived classes may override it.
    virtual void UpdateHook() {}
    // Calls Changed(sender) unless the lock is held.
    virtual void Update(DXLNotifyObject* sender);

    void BeginUpdate() { ++updateCount_; }
    // Releases one level of the lock and calls Update(null); nothing when not locked.
    void EndUpdate();
    bool IsUpdating() const { return updateCount_ > 0; }
    uint32_t GetUpdateCount() const { return updateCount_; }

    DXLUpdateableObject* GetOwner() const { return owner_; }
    void SetOwner(DXLUpdateableObject* owner) { owner_ = owner; }

  protected:
    // Sets a property the object's look depends on; only a new value makes
    // the Update(null) call.
    template <typename T> void SetAndUpdate(T& field, T value) {
        if (field == value) return;
        field = value;
        Update(nullptr);
    }

  private:
    DXLUpdateableObject* owner_ = nullptr;
    uint32_t updateCount_ = 0;
};
