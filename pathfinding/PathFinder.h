#pragma once
// The level's path finder: one grid of blocking areas per clearance class,
// built from the level's obstacle shapes and the registered obstacle sets,
// and routes for walkers served in time slices within a per-frame budget.
//
// Routes are searched on a lattice of square cells over the field. A cell is
// free when its closed square keeps a pixel's distance from every blocking
// area, so a straight run that touches free cells only never enters an area.
// Searches use integer costs and a total order on ties, so the same field and
// request give the same route on every machine, however the work is sliced.

#include "pathfinding/ShapeGrid.h"
#include "pathfinding/Shapes.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace shpf {

// A waypoint of a route, in field pixels.
struct _PATHPOINT {
    int16_t x, y;
};
static_assert(sizeof(_PATHPOINT) == 4, "waypoints are two 16-bit values");

// Side of a search cell in field pixels.
constexpr int kSearchCellSize = 8;

enum class RouteStatus {
    Unknown,     // no such request (never made, cancelled, or already taken)
    Pending,     // waiting or being searched
    Found,       // the route ends at the goal
    NearestOnly, // the goal cannot be reached; the route ends at the nearest reachable place
    Failed,      // no free place at all for the class, or an internal fault (see the crash dump)
};

// A microsecond clock; the budget of a frame is measured with it.
using MicrosecondClock = std::function<uint64_t()>;

class PathFinder;

// An obstacle shape set: shapes in coordinates relative to the set's
// position, registered in every grid of its path finder while it lives.
// The owner (a level point or a villain) owns the set; the path finder keeps
// a non-owning pointer to it until it is deleted or the finder goes first.
class MapShapes {
  public:
    MapShapes(PathFinder* finder, std::span<const _SHAPE> shapes, int32_t x, int32_t y, const void* owner);
    ~MapShapes();
    MapShapes(const MapShapes&) = delete;
    MapShapes& operator=(const MapShapes&) = delete;

    // Moves the set with its owner; the grids follow at their next use.
    void SetPosition(int32_t x, int32_t y);
    int32_t X() const { return x_; }
    int32_t Y() const { return y_; }
    const void* Owner() const { return owner_; }
    std::span<const _SHAPE> Shapes() const { return shapes_; }

  private:
    friend class PathFinder;
    PathFinder* finder_;
    std::vector<_SHAPE> shapes_;
    int32_t x_, y_;
    const void* owner_;
};

class PathFinder {
  public:
    // A field of width x height pixels from (0, 0), clamped to the 16-bit
    // range; clearances[c] is the clearance in pixels of class c. The crash
    // dumps go to dumpFolder (game form, ending in '\'; empty = the program's
    // folder). Without a clock the monotonic system clock is used.
    PathFinder(uint32_t width, uint32_t height, std::span<const uint32_t> clearances,
               MicrosecondClock clock = nullptr, std::u16string dumpFolder = u"");
    ~PathFinder();
    PathFinder(const PathFinder&) = delete;
    PathFinder& operator=(const PathFinder&) = delete;

    // The blocking area of the grid that contains the integer point, or null:
    // null for a null grid and for a point outside the grid's rectangle (left
    // and top inclusive, right and bottom exclusive); otherwise the areas of
    // the point's bucket are tested from the last to the first.
    static const _GRIDCELL* GetGridCell(const _SHAPEGRID* grid, int x, int y);

    // The level's own obstacles (the level table's shapes), replacing the
    // previous ones.
    void SetLevelShapes(std::span<const _SHAPE> shapes);

    // The size of the field in pixels (as clamped).
    int32_t FieldWidth() const { return frame_.right - frame_.left; }
    int32_t FieldHeight() const { return frame_.bottom - frame_.top; }

    uint32_t ClassCount() const { return uint32_t(classes_.size()); }
    // The grid of a class, rebuilt first when obstacles changed; null for an
    // unknown class. Owned by the path finder; valid until obstacles change.
    const _SHAPEGRID* GetGrid(uint32_t clearanceClass);
    // Counts the rebuilds of the grids: a walker that saw another value
    // checks its remaining route with IsRouteFree.
    uint32_t Revision();

    // Whether a walker of the class can go straight from (x, y) through the
    // points without touching a blocking area.
    bool IsRouteFree(uint32_t clearanceClass, int32_t x, int32_t y, std::span<const _PATHPOINT> points);
    // Whether the search cell holding the point is free for the class.
    bool IsFree(uint32_t clearanceClass, int32_t x, int32_t y);

    // Queues a route request; the answer is an id for GetRoute, or 0 for an
    // unknown class. Points are clamped to the field.
    uint32_t RequestRoute(int32_t startX, int32_t startY, int32_t goalX, int32_t goalY,
                          uint32_t clearanceClass);
    // The state of a request; once it is finished the waypoints (the start
    // first, the end last) are moved to *points and the request is forgotten.
    RouteStatus GetRoute(uint32_t id, std::vector<_PATHPOINT>* points);
    void CancelRoute(uint32_t id);
    size_t PendingCount() const { return queue_.size(); }

    // Serves queued requests in their order until budgetMicroseconds of the
    // clock are used; at least one step of work is done per call, so no
    // request waits for ever. Only how many calls a request takes depends
    // on the budget, never its route.
    void Update(uint64_t budgetMicroseconds);

    // Finds a route at once (the level's load, tests, tools).
    RouteStatus FindRoute(int32_t startX, int32_t startY, int32_t goalX, int32_t goalY,
                          uint32_t clearanceClass, std::vector<_PATHPOINT>* points);

    // Writes "$crash.shpf" (the obstacles, clearances and the request being
    // served) and "$crash.log" (the reason) into the dump folder; the path
    // finder does this itself on an internal fault. False when a file could
    // not be written.
    bool WriteCrashDump(std::string_view reason);

  private:
    friend class MapShapes;
    struct ClassGrid;
    struct Request {
        uint32_t id;
        _PATHPOINT start, goal;
        uint32_t clearanceClass;
    };
    struct Finished {
        RouteStatus status;
        std::vector<_PATHPOINT> points;
    };
    class Search;

    void Register(MapShapes* set);
    void Unregister(MapShapes* set);
    void MarkDirty() { dirty_ = true; }
    void RebuildIfDirty();
    _PATHPOINT ClampPoint(int32_t x, int32_t y) const;
    bool SegmentFree(const ClassGrid& grid, _PATHPOINT a, _PATHPOINT b) const;
    Finished FinishSearch(const Request& request);
    void Fault(std::string_view reason, const Request* request);

    _SHAPEGRID frame_;
    std::vector<_SHAPE> levelShapes_;
    std::vector<MapShapes*> sets_; // registered, owned by their owners
    std::vector<std::unique_ptr<ClassGrid>> classes_;
    bool dirty_ = true;
    uint32_t revision_ = 0;

    MicrosecondClock clock_;
    uint64_t longestStep_ = 0; // of recent steps, in clock units
    std::u16string dumpFolder_;

    uint32_t nextId_ = 1;
    std::deque<Request> queue_;
    std::unordered_map<uint32_t, Finished> finished_;
    std::unique_ptr<Search> search_;
    bool searching_ = false;      // the queue's head has a search under way
    uint32_t searchRevision_ = 0; // the grid revision that search started on
    const Request* faultRequest_ = nullptr;
};

} // namespace shpf
