#include "foundation/List.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Elements with names, so that orders read as text.
struct Element {
    char name;
};

Element a{'a'}, b{'b'}, c{'c'}, d{'d'}, e{'e'};

std::string Names(const kis::list<Element>& l) {
    std::string s;
    for (int32_t i = 0; i < l.Count(); ++i)
        s += l.Get(i) ? l.Get(i)->name : '0';
    return s;
}

void Fill(kis::list<Element>& l, std::initializer_list<Element*> elements) {
    for (Element* x : elements)
        l.Add(x);
}

// Records the order in which elements are destroyed.
struct Tracked {
    explicit Tracked(int id, std::vector<int>& log) : id(id), log(log) {}
    virtual ~Tracked() { log.push_back(id); }
    int id;
    std::vector<int>& log;
};

// A list whose Add is overridden, to see which operations go through it.
struct CountingList : kis::list<Element> {
    int adds = 0;
    int32_t Add(Element* x) override {
        ++adds;
        return kis::list<Element>::Add(x);
    }
};

} // namespace

TEST(List, StartsEmptyWithoutStorage) {
    kis::list<Element> l;
    EXPECT_EQ(l.items, nullptr);
    EXPECT_EQ(l.count, 0);
    EXPECT_EQ(l.capacity, 0);
    EXPECT_TRUE(l.IsEmpty());
    EXPECT_EQ(l.First(), nullptr);
    EXPECT_EQ(l.Last(), nullptr);
    EXPECT_EQ(l.Get(0), nullptr);
}

TEST(List, GrowsItsCapacityByTheGrowthRule) {
    kis::list<Element> l;
    std::vector<int32_t> capacities;
    for (int i = 0; i < 120; ++i) {
        EXPECT_EQ(l.Add(&a), i);
        if (capacities.empty() || capacities.back() != l.capacity) capacities.push_back(l.capacity);
    }
    EXPECT_EQ(capacities, (std::vector<int32_t>{4, 8, 12, 28, 44, 60, 76, 95, 118, 147}));
    EXPECT_EQ(l.Count(), 120);
}

TEST(List, AddGetSetAndFind) {
    kis::list<Element> l;
    Fill(l, {&a, &b, &c, &b});
    EXPECT_EQ(l.First(), &a);
    EXPECT_EQ(l.Last(), &b);
    EXPECT_EQ(l.IndexOf(&b), 1);
    EXPECT_EQ(l.IndexOf(&d), -1);
    EXPECT_EQ(l.Get(-1), nullptr);
    EXPECT_EQ(l.Get(4), nullptr);
    l.Set(2, &d);
    l.Set(4, &e);  // out of range: nothing
    l.Set(-1, &e); // likewise
    EXPECT_EQ(Names(l), "abdb");
    EXPECT_EQ(l.AddUnique(&d), 2);
    EXPECT_EQ(l.AddUnique(&e), 4);
    EXPECT_EQ(Names(l), "abdbe");
}

TEST(List, DeleteAndRemoveShiftLaterElementsDown) {
    kis::list<Element> l;
    Fill(l, {&a, &b, &c, &d});
    l.Delete(1);
    EXPECT_EQ(Names(l), "acd");
    l.Delete(3);
    l.Delete(-1);
    EXPECT_EQ(Names(l), "acd");
    EXPECT_TRUE(l.Remove(&d));
    EXPECT_EQ(Names(l), "ac");
    EXPECT_FALSE(l.Remove(&e));
    EXPECT_EQ(Names(l), "ac");
}

TEST(List, InsertWithinBoundsOnly) {
    CountingList l;
    Fill(l, {&a, &b});
    EXPECT_EQ(l.Insert(0, &c), 0);
    EXPECT_EQ(l.Insert(2, &d), 2);
    EXPECT_EQ(Names(l), "cadb");
    int addsBefore = l.adds;
    EXPECT_EQ(l.Insert(4, &e), 4); // at count: goes through the overridden Add
    EXPECT_EQ(l.adds, addsBefore + 1);
    EXPECT_EQ(l.Insert(6, &e), -1);
    EXPECT_EQ(l.Insert(-1, &e), -1);
    EXPECT_EQ(Names(l), "cadbe");
    EXPECT_EQ(l.InsertUnique(0, &d), 2);
    EXPECT_EQ(l.InsertUnique(1, &b), 3);
    EXPECT_EQ(Names(l), "cadbe");
    kis::list<Element> fresh;
    EXPECT_EQ(fresh.InsertUnique(0, &a), 0);
}

TEST(List, InsertGrowsAFullList) {
    kis::list<Element> l;
    Fill(l, {&a, &b, &c, &d});
    ASSERT_EQ(l.capacity, 4);
    EXPECT_EQ(l.Insert(1, &e), 1);
    EXPECT_EQ(l.capacity, 8);
    EXPECT_EQ(Names(l), "aebcd");
}

TEST(List, MoveShiftsTheElementsBetween) {
    struct Case {
        int32_t from, to;
        const char* expected;
    };
    for (const Case& t : {Case{2, 3, "abdc"}, Case{3, 2, "abdc"}, Case{0, 3, "bcda"}, Case{3, 0, "dabc"},
                          Case{1, 1, "abcd"}, Case{-1, 2, "abcd"}, Case{0, 4, "abcd"}}) {
        kis::list<Element> l;
        Fill(l, {&a, &b, &c, &d});
        l.Move(t.from, t.to);
        EXPECT_EQ(Names(l), t.expected) << t.from << " -> " << t.to;
    }
}

TEST(List, AddListAppendsAndSizesExactly) {
    kis::list<Element> l, other;
    Fill(l, {&a});
    Fill(other, {&b, &c, &d, &e});
    l.AddList(&other);
    EXPECT_EQ(Names(l), "abcde");
    EXPECT_EQ(l.capacity, 5); // exact, not by the growth rule
    l.AddList(nullptr);
    kis::list<Element> empty;
    l.AddList(&empty);
    EXPECT_EQ(Names(l), "abcde");
    l.AddList(&l); // appending itself copies the original elements once
    EXPECT_EQ(Names(l), "abcdeabcde");
}

TEST(List, SetCountAddsNullSlotsOrShrinks) {
    kis::list<Element> l;
    l.SetCount(5);
    EXPECT_EQ(l.Count(), 5);
    EXPECT_EQ(l.capacity, 5);
    EXPECT_EQ(Names(l), "00000");
    l.Set(4, &e);
    l.SetCount(2);
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(l.capacity, 5);
    l.SetCount(4); // regrown slots are null again
    EXPECT_EQ(Names(l), "0000");
}

TEST(List, NegativeCountEmptiesTheList) {
    struct Freeing : kis::list<Element> {
        std::vector<int32_t> calls;
        void FreeItems(int32_t n) override { calls.push_back(n); }
    } l;
    Fill(l, {&a, &b, &c});
    l.SetCount(-3);
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.calls, (std::vector<int32_t>{0}));
    EXPECT_EQ(l.Get(0), nullptr);
    l.SetCount(-1); // already empty: nothing more to free
    EXPECT_EQ(l.calls.size(), 1u);
}

TEST(List, ResetKeepsStorageAndClearFreesIt) {
    kis::list<Element> l;
    Fill(l, {&a, &b, &c, &d, &e});
    l.Reset();
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.capacity, 8);
    EXPECT_NE(l.items, nullptr);
    Fill(l, {&a});
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.capacity, 0);
    EXPECT_EQ(l.items, nullptr);
}

TEST(List, SetCapacityNeverDropsElements) {
    kis::list<Element> l;
    Fill(l, {&a, &b, &c});
    l.SetCapacity(2);
    EXPECT_EQ(l.capacity, 4);
    l.SetCapacity(3);
    EXPECT_EQ(l.capacity, 3);
    EXPECT_EQ(Names(l), "abc");
    l.Add(&d);
    EXPECT_EQ(l.capacity, 7);
}

TEST(List, DeleteAllDestroysFromTheLastElement) {
    std::vector<int> log;
    kis::list<Tracked> l;
    for (int i = 0; i < 4; ++i)
        l.Add(new Tracked(i, log));
    l.Add(nullptr);
    l.Insert(1, nullptr);
    l.DeleteAll();
    EXPECT_EQ(log, (std::vector<int>{3, 2, 1, 0}));
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.items, nullptr);
}

TEST(List, DestructorLeavesElementsAlive) {
    std::vector<int> log;
    Tracked kept(7, log);
    {
        kis::list<Tracked> l;
        l.Add(&kept);
    }
    EXPECT_TRUE(log.empty());
}
