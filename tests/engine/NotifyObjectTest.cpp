#include "engine/NotifyObject.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct Listener : DXLNotifyObject {
    std::string name;
    std::vector<std::string>* log;
    DXLNotifyObject* removeFrom = nullptr; // removes itself from this sender when called
    Listener(std::string n, std::vector<std::string>* l) : name(std::move(n)), log(l) {}
    void OnNotify(DXLNotifyObject* sender, uint32_t code) override {
        log->push_back(name + ":" + std::to_string(code));
        if (removeFrom) removeFrom->RemoveTarget(this);
        (void)sender;
    }
};

} // namespace

TEST(NotifyObject, TargetsAreUniqueAndCalledLastFirst) {
    std::vector<std::string> log;
    DXLNotifyObject sender;
    Listener a("A", &log), b("B", &log), c("C", &log);
    sender.Notify(7); // no targets: nothing
    EXPECT_TRUE(log.empty());

    sender.AddTarget(&a);
    sender.AddTarget(&b);
    sender.AddTarget(&c);
    sender.AddTarget(&a);
    sender.AddTarget(nullptr);
    EXPECT_EQ(sender.TargetCount(), 3);
    EXPECT_EQ(sender.IndexOfTarget(&b), 1);
    EXPECT_EQ(sender.IndexOfTarget(nullptr), -1);

    sender.Notify(5);
    EXPECT_EQ(log, (std::vector<std::string>{"C:5", "B:5", "A:5"}));

    // Targets that remove themselves during the call do not disturb the rest.
    log.clear();
    c.removeFrom = &sender;
    b.removeFrom = &sender;
    sender.Notify(6);
    EXPECT_EQ(log, (std::vector<std::string>{"C:6", "B:6", "A:6"}));
    EXPECT_EQ(sender.TargetCount(), 1);
    sender.RemoveTarget(&a);
    EXPECT_EQ(sender.IndexOfTarget(&a), -1);
}

TEST(NotifyObject, DestructorSendsDestroyed) {
    std::vector<std::string> log;
    Listener a("A", &log);
    {
        DXLNotifyObject sender;
        sender.AddTarget(&a);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"A:1"}));
}

namespace {

// A device object that records its events and follows the attach protocol
// (a registry stands in for the viewer's device-object list).
struct FakeDeviceObject : DXLDeviceObject {
    std::vector<std::pair<DXLViewer*, uint32_t>> events;
    std::vector<DXLDeviceObject*>* registry;
    explicit FakeDeviceObject(std::vector<DXLDeviceObject*>* r) : registry(r) {}
    ~FakeDeviceObject() override { ChangeViewer(nullptr); }
    void Attach(DXLViewer* viewer) { ChangeViewer(viewer); }
    void OnDeviceEvent(DXLViewer* viewer, uint32_t event) override {
        events.emplace_back(viewer, event);
        if (event == kDeviceAttach) {
            StoreViewer(viewer);
            if (viewer) registry->push_back(this);
        } else if (event == kDeviceDetach) {
            std::erase(*registry, this);
            StoreViewer(nullptr);
        }
    }
};

} // namespace

TEST(DeviceObject, ChangingViewerDetachesThenAttaches) {
    std::vector<DXLDeviceObject*> registry;
    auto* v1 = reinterpret_cast<DXLViewer*>(0x1000);
    auto* v2 = reinterpret_cast<DXLViewer*>(0x2000);
    {
        FakeDeviceObject object(&registry);
        EXPECT_EQ(object.GetViewer(), nullptr);
        object.Attach(v1);
        EXPECT_EQ(object.GetViewer(), v1);
        object.Attach(v1); // unchanged: nothing
        object.Attach(v2);
        using E = std::pair<DXLViewer*, uint32_t>;
        EXPECT_EQ(object.events, (std::vector<E>{{nullptr, 1}, {v1, 0}, {v1, 1}, {v2, 0}}));
        EXPECT_EQ(registry, (std::vector<DXLDeviceObject*>{&object}));
        object.OnDeviceEvent(v2, kDeviceResetting); // what the viewer sends around a reset
        EXPECT_EQ(object.events.back().second, 4u);
    }
    EXPECT_TRUE(registry.empty());
}

namespace {

struct Updateable : DXLUpdateableObject {
    int changed = 0;
    void Changed(DXLNotifyObject* sender) override {
        ++changed;
        DXLUpdateableObject::Changed(sender);
    }
};

} // namespace

TEST(UpdateableObject, LockBatchesChangesAndBubblesToOwner) {
    Updateable owner, child;
    child.SetOwner(&owner);

    child.EndUpdate(); // unmatched: nothing
    EXPECT_EQ(child.changed, 0);
    EXPECT_EQ(child.GetUpdateCount(), 0u);

    child.BeginUpdate();
    child.BeginUpdate();
    EXPECT_TRUE(child.IsUpdating());
    child.Update(nullptr); // dropped while locked
    child.EndUpdate();
    EXPECT_EQ(child.changed, 0);
    child.EndUpdate();
    EXPECT_EQ(child.changed, 1);
    EXPECT_EQ(owner.changed, 1);

    owner.BeginUpdate();
    child.Update(nullptr);
    EXPECT_EQ(child.changed, 2);
    EXPECT_EQ(owner.changed, 1); // owner locked
    owner.EndUpdate();
    EXPECT_EQ(owner.changed, 2);

    owner.Update(nullptr); // no owner: Changed does nothing further
    EXPECT_EQ(owner.changed, 3);
}
