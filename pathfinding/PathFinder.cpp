#include "pathfinding/PathFinder.h"

#include "foundation/ByteOrder.h"
#include "platform/Files.h"

#include <algorithm>
#include <chrono>

namespace shpf {

namespace {

constexpr int32_t kStraightCost = 10;
constexpr int32_t kDiagonalCost = 14;
// Cells closed between two looks at the clock.
constexpr int kExpansionsPerStep = 128;

int32_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return static_cast<int32_t>(q);
}

uint64_t SteadyMicroseconds() {
    return uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

int32_t Octile(int32_t dx, int32_t dy) {
    dx = dx < 0 ? -dx : dx;
    dy = dy < 0 ? -dy : dy;
    return kStraightCost * std::max(dx, dy) + (kDiagonalCost - kStraightCost) * std::min(dx, dy);
}

} // namespace

// The grid of one clearance class and the search cells derived from it.
struct PathFinder::ClassGrid {
    uint32_t clearance = 0;
    _SHAPEGRID grid;
    int32_t columns = 0, rows = 0;
    std::vector<uint8_t> free; // per search cell, row by row

    int32_t Left() const { return grid.left; }
    int32_t Top() const { return grid.top; }
    bool CellFree(int32_t c, int32_t r) const {
        return c >= 0 && r >= 0 && c < columns && r < rows && free[size_t(r) * columns + c];
    }
    int32_t CellOf(_PATHPOINT p) const {
        return ((p.y - Top()) / kSearchCellSize) * columns + (p.x - Left()) / kSearchCellSize;
    }
    _PATHPOINT Centre(int32_t cell) const {
        return {int16_t(Left() + (cell % columns) * kSearchCellSize + kSearchCellSize / 2),
                int16_t(Top() + (cell / columns) * kSearchCellSize + kSearchCellSize / 2)};
    }
    // The point of the cell's own pixels nearest to p.
    _PATHPOINT NearestInCell(int32_t cell, _PATHPOINT p) const {
        const int32_t x0 = Left() + (cell % columns) * kSearchCellSize;
        const int32_t y0 = Top() + (cell / columns) * kSearchCellSize;
        return {
            int16_t(std::clamp<int32_t>(p.x, x0, std::min<int32_t>(x0 + kSearchCellSize, grid.right) - 1)),
            int16_t(std::clamp<int32_t>(p.y, y0, std::min<int32_t>(y0 + kSearchCellSize, grid.bottom) - 1))};
    }

    // A cell is free when its centre is on the field and its closed square
    // keeps one pixel from every area: points within a pixel of the square
    // then round or truncate to pixels outside every area.
    void BuildCells() {
        columns = (grid.right - grid.left + kSearchCellSize - 1) / kSearchCellSize;
        rows = (grid.bottom - grid.top + kSearchCellSize - 1) / kSearchCellSize;
        free.assign(size_t(columns) * rows, 0);
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t c = 0; c < columns; ++c) {
                const _PATHPOINT centre = Centre(r * columns + c);
                free[size_t(r) * columns + c] = centre.x < grid.right && centre.y < grid.bottom;
            }
        for (const _GRIDCELL& a : grid.areas) {
            // Square c spans [Left + c * S, Left + (c + 1) * S]; it touches
            // the grown box [a.left - 1, a.right] when both overlap.
            const int32_t c0 = std::max(0, FloorDiv(a.left - 1 - Left() - 1, kSearchCellSize));
            const int32_t c1 = std::min(columns - 1, FloorDiv(a.right - Left(), kSearchCellSize));
            const int32_t r0 = std::max(0, FloorDiv(a.top - 1 - Top() - 1, kSearchCellSize));
            const int32_t r1 = std::min(rows - 1, FloorDiv(a.bottom - Top(), kSearchCellSize));
            for (int32_t r = r0; r <= r1; ++r)
                for (int32_t c = c0; c <= c1; ++c) {
                    const int32_t sl = Left() + c * kSearchCellSize, st = Top() + r * kSearchCellSize;
                    if (sl <= a.right && sl + kSearchCellSize >= a.left - 1 && st <= a.bottom &&
                        st + kSearchCellSize >= a.top - 1)
                        free[size_t(r) * columns + c] = 0;
                }
        }
    }
};

// One A* search over the search cells, resumable between frames. Costs are
// integers (10 straight, 14 diagonal) and the open list pops the least
// (f, h, cell), a total order, so the route never depends on the machine or
// on how the work was sliced.
class PathFinder::Search {
  public:
    explicit Search(size_t cells) : g_(cells), parent_(cells), seen_(cells, 0), closed_(cells, 0) {
        open_.reserve(cells);
    }

    // Prepares a search; false when the class has no free cell at all.
    bool Begin(const ClassGrid& grid, _PATHPOINT start, _PATHPOINT goal) {
        grid_ = &grid;
        goal_ = goal;
        if (++generation_ == 0) { // after 2^32 searches the marks start over
            std::fill(seen_.begin(), seen_.end(), 0);
            std::fill(closed_.begin(), closed_.end(), 0);
            generation_ = 1;
        }
        open_.clear();
        startBlocked_ = false;
        if (grid.free.empty()) return false; // a field without cells
        startCell_ = grid.CellOf(start);
        if (!grid.free[size_t(startCell_)]) {
            startBlocked_ = true;
            startCell_ = NearestFreeCell(start);
            if (startCell_ < 0) return false;
        }
        const int32_t goalCell = grid.CellOf(goal);
        target_ = grid.free[size_t(goalCell)] ? goalCell : -1;
        goalColumn_ = goalCell % grid.columns;
        goalRow_ = goalCell / grid.columns;
        best_ = -1;
        reached_ = false;
        Push(startCell_, 0, -1);
        return true;
    }

    // Closes up to `budget` cells; true when the search is over.
    bool Step(int budget) {
        static constexpr int kDx[8] = {1, 0, -1, 0, 1, -1, -1, 1};
        static constexpr int kDy[8] = {0, 1, 0, -1, 1, 1, -1, -1};
        const ClassGrid& grid = *grid_;
        while (budget-- > 0) {
            if (open_.empty()) return true;
            std::pop_heap(open_.begin(), open_.end(), Later);
            const Entry e = open_.back();
            open_.pop_back();
            if (closed_[size_t(e.cell)] == generation_) continue; // a stale entry
            closed_[size_t(e.cell)] = generation_;
            Consider(e.cell);
            if (e.cell == target_) {
                reached_ = true;
                best_ = e.cell;
                return true;
            }
            const int32_t c = e.cell % grid.columns, r = e.cell / grid.columns;
            for (int k = 0; k < 8; ++k) {
                const int32_t nc = c + kDx[k], nr = r + kDy[k];
                if (!grid.CellFree(nc, nr)) continue;
                // Diagonal steps need both side cells free: a walker does not
                // brush the corner of an area.
                if (k >= 4 && (!grid.CellFree(nc, r) || !grid.CellFree(c, nr))) continue;
                const int32_t n = nr * grid.columns + nc;
                if (closed_[size_t(n)] == generation_) continue;
                Push(n, g_[size_t(e.cell)] + (k < 4 ? kStraightCost : kDiagonalCost), e.cell);
            }
        }
        return open_.empty();
    }

    bool Reached() const { return reached_; }
    bool StartBlocked() const { return startBlocked_; }
    int32_t EndCell() const { return best_; }
    int32_t StartCell() const { return startCell_; }
    int32_t Parent(int32_t cell) const { return parent_[size_t(cell)]; }

  private:
    struct Entry {
        int32_t f, h, cell;
    };
    // The heap keeps the least entry on top.
    static bool Later(const Entry& a, const Entry& b) {
        if (a.f != b.f) return a.f > b.f;
        if (a.h != b.h) return a.h > b.h;
        return a.cell > b.cell;
    }

    void Push(int32_t cell, int32_t g, int32_t parent) {
        const size_t i = size_t(cell);
        if (seen_[i] == generation_ && g_[i] <= g) return;
        seen_[i] = generation_;
        g_[i] = g;
        parent_[i] = parent;
        const int32_t h = Octile(cell % grid_->columns - goalColumn_, cell / grid_->columns - goalRow_);
        open_.push_back({g + h, h, cell});
        std::push_heap(open_.begin(), open_.end(), Later);
    }

    // Keeps the closed cell whose own pixels come nearest to the goal
    // (then the cheaper, then the lower cell), the end of a route whose goal
    // cannot be reached.
    void Consider(int32_t cell) {
        const int64_t d = Distance2(cell);
        if (best_ < 0 || d < bestDistance_ ||
            (d == bestDistance_ && (g_[size_t(cell)] < g_[size_t(best_)] ||
                                    (g_[size_t(cell)] == g_[size_t(best_)] && cell < best_)))) {
            best_ = cell;
            bestDistance_ = d;
        }
    }

    int64_t Distance2(int32_t cell) const {
        const _PATHPOINT p = grid_->NearestInCell(cell, goal_);
        const int64_t dx = p.x - goal_.x, dy = p.y - goal_.y;
        return dx * dx + dy * dy;
    }

    // The free cell whose centre is nearest to p (then the lower cell), or -1.
    int32_t NearestFreeCell(_PATHPOINT p) const {
        int32_t found = -1;
        int64_t foundDistance = 0;
        for (int32_t cell = 0; cell < int32_t(grid_->free.size()); ++cell) {
            if (!grid_->free[size_t(cell)]) continue;
            const _PATHPOINT c = grid_->Centre(cell);
            const int64_t dx = c.x - p.x, dy = c.y - p.y, d = dx * dx + dy * dy;
            if (found < 0 || d < foundDistance) {
                found = cell;
                foundDistance = d;
            }
        }
        return found;
    }

    const ClassGrid* grid_ = nullptr;
    _PATHPOINT goal_{};
    int32_t goalColumn_ = 0, goalRow_ = 0;
    int32_t startCell_ = -1, target_ = -1, best_ = -1;
    int64_t bestDistance_ = 0;
    bool reached_ = false, startBlocked_ = false;
    uint32_t generation_ = 0;
    std::vector<int32_t> g_, parent_;
    std::vector<uint32_t> seen_, closed_;
    std::vector<Entry> open_;
};

// ---------------------------------------------------------------------------

MapShapes::MapShapes(PathFinder* finder, std::span<const _SHAPE> shapes, int32_t x, int32_t y,
                     const void* owner)
    : finder_(finder), shapes_(shapes.begin(), shapes.end()), x_(x), y_(y), owner_(owner) {
    if (finder_) finder_->Register(this);
}

MapShapes::~MapShapes() {
    if (finder_) finder_->Unregister(this);
}

void MapShapes::SetPosition(int32_t x, int32_t y) {
    if (x == x_ && y == y_) return;
    x_ = x;
    y_ = y;
    if (finder_) finder_->MarkDirty();
}

// ---------------------------------------------------------------------------

PathFinder::PathFinder(uint32_t width, uint32_t height, std::span<const uint32_t> clearances,
                       MicrosecondClock clock, std::u16string dumpFolder)
    : clock_(clock ? std::move(clock) : MicrosecondClock(SteadyMicroseconds)),
      dumpFolder_(std::move(dumpFolder)) {
    BuildShapeGrid(&frame_, 0, 0, width, height, {});
    for (uint32_t clearance : clearances) {
        auto grid = std::make_unique<ClassGrid>();
        grid->clearance = clearance;
        classes_.push_back(std::move(grid));
    }
    const size_t cells = size_t((frame_.right - frame_.left + kSearchCellSize - 1) / kSearchCellSize) *
                         size_t((frame_.bottom - frame_.top + kSearchCellSize - 1) / kSearchCellSize);
    search_ = std::make_unique<Search>(cells);
}

PathFinder::~PathFinder() {
    for (MapShapes* set : sets_)
        set->finder_ = nullptr;
}

void PathFinder::Register(MapShapes* set) {
    sets_.push_back(set);
    dirty_ = true;
}

void PathFinder::Unregister(MapShapes* set) {
    sets_.erase(std::remove(sets_.begin(), sets_.end(), set), sets_.end());
    dirty_ = true;
}

void PathFinder::SetLevelShapes(std::span<const _SHAPE> shapes) {
    levelShapes_.assign(shapes.begin(), shapes.end());
    dirty_ = true;
}

void PathFinder::RebuildIfDirty() {
    if (!dirty_) return;
    std::vector<PlacedShape> placed;
    for (const _SHAPE& s : levelShapes_)
        placed.push_back({&s, 0, 0});
    for (const MapShapes* set : sets_)
        for (const _SHAPE& s : set->shapes_)
            placed.push_back({&s, set->x_, set->y_});
    const RowRuns covered = RasterizeShapes(frame_, placed);
    for (auto& c : classes_) {
        const std::vector<_GRIDCELL> areas = GrowRuns(covered, c->clearance);
        BuildShapeGrid(&c->grid, frame_.left, frame_.top, frame_.right, frame_.bottom, areas);
        c->BuildCells();
    }
    dirty_ = false;
    ++revision_;
}

const _GRIDCELL* PathFinder::GetGridCell(const _SHAPEGRID* grid, int x, int y) {
    if (!grid) return nullptr;
    if (x < grid->left || y < grid->top || x >= grid->right || y >= grid->bottom) return nullptr;
    const size_t bucket = size_t((y - grid->top) / grid->cellHeight) * grid->columns +
                          size_t((x - grid->left) / grid->cellWidth);
    if (bucket + 1 >= grid->bucketStart.size()) return nullptr;
    for (uint32_t i = grid->bucketStart[bucket + 1]; i-- > grid->bucketStart[bucket];) {
        const _GRIDCELL& a = grid->areas[grid->bucketAreas[i]];
        if (x >= a.left && x < a.right && y >= a.top && y < a.bottom) return &a;
    }
    return nullptr;
}

const _SHAPEGRID* PathFinder::GetGrid(uint32_t clearanceClass) {
    if (clearanceClass >= classes_.size()) return nullptr;
    RebuildIfDirty();
    return &classes_[clearanceClass]->grid;
}

uint32_t PathFinder::Revision() {
    RebuildIfDirty();
    return revision_;
}

_PATHPOINT PathFinder::ClampPoint(int32_t x, int32_t y) const {
    // An empty field still gives a point; the grids then have no free cell.
    return {int16_t(std::clamp<int32_t>(x, frame_.left, std::max<int32_t>(frame_.left, frame_.right - 1))),
            int16_t(std::clamp<int32_t>(y, frame_.top, std::max<int32_t>(frame_.top, frame_.bottom - 1)))};
}

// Whether every search cell the segment passes through is free. Column by
// column, the rows the segment spans there are taken from its y at the
// column's closed ends, so the test errs only towards "blocked".
bool PathFinder::SegmentFree(const ClassGrid& grid, _PATHPOINT a, _PATHPOINT b) const {
    if (grid.columns == 0 || grid.rows == 0) return false;
    if (b.x < a.x) std::swap(a, b);
    const int64_t dx = int64_t(b.x) - a.x, dy = int64_t(b.y) - a.y;
    const int32_t c0 = FloorDiv(a.x - grid.Left(), kSearchCellSize);
    const int32_t c1 = FloorDiv(b.x - grid.Left(), kSearchCellSize);
    for (int32_t c = c0; c <= c1; ++c) {
        const int64_t x0 = std::max<int64_t>(a.x, grid.Left() + int64_t(c) * kSearchCellSize);
        const int64_t x1 = std::min<int64_t>(b.x, grid.Left() + int64_t(c + 1) * kSearchCellSize);
        int64_t y0 = a.y, y1 = b.y;
        if (dx != 0) {
            y0 = a.y + FloorDiv(dy * (x0 - a.x), dx);
            y1 = a.y + FloorDiv(dy * (x1 - a.x), dx);
        }
        // Between its ends the segment's y runs monotonically, so the rows
        // of the floors at the ends bound the rows it passes.
        if (y1 < y0) std::swap(y0, y1);
        const int32_t r0 = FloorDiv(y0 - grid.Top(), kSearchCellSize);
        const int32_t r1 = FloorDiv(y1 - grid.Top(), kSearchCellSize);
        for (int32_t r = r0; r <= r1; ++r)
            if (!grid.CellFree(c, r)) return false;
    }
    return true;
}

bool PathFinder::IsRouteFree(uint32_t clearanceClass, int32_t x, int32_t y,
                             std::span<const _PATHPOINT> points) {
    if (clearanceClass >= classes_.size()) return false;
    RebuildIfDirty();
    const ClassGrid& grid = *classes_[clearanceClass];
    _PATHPOINT from = ClampPoint(x, y);
    for (const _PATHPOINT& p : points) {
        if (!SegmentFree(grid, from, p)) return false;
        from = p;
    }
    return points.empty() ? IsFree(clearanceClass, x, y) : true;
}

bool PathFinder::IsFree(uint32_t clearanceClass, int32_t x, int32_t y) {
    if (clearanceClass >= classes_.size()) return false;
    RebuildIfDirty();
    const ClassGrid& grid = *classes_[clearanceClass];
    if (grid.free.empty()) return false;
    return grid.free[size_t(grid.CellOf(ClampPoint(x, y)))] != 0;
}

uint32_t PathFinder::RequestRoute(int32_t startX, int32_t startY, int32_t goalX, int32_t goalY,
                                  uint32_t clearanceClass) {
    if (clearanceClass >= classes_.size()) return 0;
    const uint32_t id = nextId_++;
    if (nextId_ == 0) nextId_ = 1;
    queue_.push_back({id, ClampPoint(startX, startY), ClampPoint(goalX, goalY), clearanceClass});
    return id;
}

RouteStatus PathFinder::GetRoute(uint32_t id, std::vector<_PATHPOINT>* points) {
    auto it = finished_.find(id);
    if (it != finished_.end()) {
        const RouteStatus status = it->second.status;
        if (points) *points = std::move(it->second.points);
        finished_.erase(it);
        return status;
    }
    for (const Request& r : queue_)
        if (r.id == id) return RouteStatus::Pending;
    return RouteStatus::Unknown;
}

void PathFinder::CancelRoute(uint32_t id) {
    finished_.erase(id);
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (it->id != id) continue;
        if (it == queue_.begin()) searching_ = false;
        queue_.erase(it);
        return;
    }
}

void PathFinder::Update(uint64_t budgetMicroseconds) {
    const uint64_t started = clock_();
    uint64_t last = started;
    if (dirty_) {
        RebuildIfDirty(); // counts against the frame, not as a step
        last = clock_();
    }
    while (!queue_.empty()) {
        const Request head = queue_.front();
        // A search begun on grids that have changed since starts over.
        if (!searching_ || searchRevision_ != revision_) {
            searching_ = search_->Begin(*classes_[head.clearanceClass], head.start, head.goal);
            searchRevision_ = revision_;
            if (!searching_) {
                finished_[head.id] = {RouteStatus::Failed, {head.start}};
                queue_.pop_front();
                continue;
            }
        }
        if (search_->Step(kExpansionsPerStep)) {
            finished_[head.id] = FinishSearch(head);
            queue_.pop_front();
            searching_ = false;
        }
        // Another step is taken only when the longest recent one still fits,
        // so a frame ends within its budget rather than one step after it.
        const uint64_t now = clock_();
        longestStep_ = std::max(now - last, longestStep_ - longestStep_ / 64);
        last = now;
        if (now - started + longestStep_ > budgetMicroseconds) break;
    }
}

RouteStatus PathFinder::FindRoute(int32_t startX, int32_t startY, int32_t goalX, int32_t goalY,
                                  uint32_t clearanceClass, std::vector<_PATHPOINT>* points) {
    if (clearanceClass >= classes_.size()) return RouteStatus::Unknown;
    RebuildIfDirty();
    const Request request{0, ClampPoint(startX, startY), ClampPoint(goalX, goalY), clearanceClass};
    // The shared search space is taken over: the queue's head starts again.
    searching_ = false;
    Finished result{RouteStatus::Failed, {request.start}};
    if (search_->Begin(*classes_[clearanceClass], request.start, request.goal)) {
        while (!search_->Step(1 << 20)) {
        }
        result = FinishSearch(request);
    }
    if (points) *points = std::move(result.points);
    return result.status;
}

// Turns the finished search into waypoints: the start, the cell centres of
// the found way, the end; then drops every waypoint that a straight run from
// the previous kept one can skip. Each run is checked once more at the end;
// a blocked run there is an internal fault.
PathFinder::Finished PathFinder::FinishSearch(const Request& request) {
    const ClassGrid& grid = *classes_[request.clearanceClass];
    const int32_t end = search_->EndCell();
    std::vector<_PATHPOINT> way;
    way.push_back(search_->Reached() ? request.goal : grid.NearestInCell(end, request.goal));
    size_t guard = grid.free.size() + 1;
    for (int32_t cell = end; cell >= 0; cell = search_->Parent(cell)) {
        if (guard-- == 0) {
            Fault("the parent chain of a route loops", &request);
            return {RouteStatus::Failed, {request.start}};
        }
        way.push_back(grid.Centre(cell));
    }
    way.push_back(request.start);
    std::reverse(way.begin(), way.end());

    // A start inside a blocked cell first steps to the nearest free cell;
    // that first run is the only one allowed to leave the free cells.
    const size_t firstChecked = search_->StartBlocked() ? 1 : 0;
    std::vector<_PATHPOINT> route;
    route.push_back(way[0]);
    size_t at = 0;
    if (firstChecked == 1) {
        route.push_back(way[1]);
        at = 1;
    }
    while (at + 1 < way.size()) {
        size_t next = at + 1;
        while (next + 1 < way.size() && SegmentFree(grid, way[at], way[next + 1]))
            ++next;
        route.push_back(way[next]);
        at = next;
    }
    // Repeated points (a start on a cell centre, an end on the last centre) say nothing.
    route.erase(
        std::unique(route.begin(), route.end(),
                    [](const _PATHPOINT& a, const _PATHPOINT& b) { return a.x == b.x && a.y == b.y; }),
        route.end());
    for (size_t i = firstChecked; i + 1 < route.size(); ++i) {
        if (!SegmentFree(grid, route[i], route[i + 1])) {
            Fault("a route runs through a blocked cell", &request);
            return {RouteStatus::Failed, {request.start}};
        }
    }
    return {search_->Reached() ? RouteStatus::Found : RouteStatus::NearestOnly, std::move(route)};
}

void PathFinder::Fault(std::string_view reason, const Request* request) {
    faultRequest_ = request;
    WriteCrashDump(reason);
    faultRequest_ = nullptr;
}

bool PathFinder::WriteCrashDump(std::string_view reason) {
    std::vector<uint8_t> bytes;
    auto put32 = [&](uint32_t v) {
        const size_t at = bytes.size();
        bytes.resize(at + 4);
        kis::StoreLE32(bytes.data() + at, v);
    };
    auto put16 = [&](int16_t v) {
        const size_t at = bytes.size();
        bytes.resize(at + 2);
        kis::StoreLE16(bytes.data() + at, uint16_t(v));
    };
    auto putSet = [&](int32_t x, int32_t y, std::span<const _SHAPE> shapes) {
        put32(uint32_t(x));
        put32(uint32_t(y));
        put32(uint32_t(shapes.size()));
        for (const _SHAPE& s : shapes) {
            const size_t at = bytes.size();
            bytes.resize(at + kShapeRecordSize);
            WriteShape(s, bytes.data() + at);
        }
    };
    for (char c : {'S', 'H', 'P', 'F'})
        bytes.push_back(uint8_t(c));
    put32(1);
    put16(frame_.left);
    put16(frame_.top);
    put16(frame_.right);
    put16(frame_.bottom);
    put32(uint32_t(classes_.size()));
    for (const auto& c : classes_)
        put32(c->clearance);
    put32(uint32_t(1 + sets_.size()));
    putSet(0, 0, levelShapes_);
    for (const MapShapes* set : sets_)
        putSet(set->x_, set->y_, set->shapes_);
    put32(faultRequest_ ? 1 : 0);
    if (faultRequest_) {
        put16(faultRequest_->start.x);
        put16(faultRequest_->start.y);
        put16(faultRequest_->goal.x);
        put16(faultRequest_->goal.y);
        put32(faultRequest_->clearanceClass);
    }

    std::string log = "Path finder internal fault: " + std::string(reason) + "\n";
    if (faultRequest_) {
        log += "request: start " + std::to_string(faultRequest_->start.x) + "," +
               std::to_string(faultRequest_->start.y) + " goal " + std::to_string(faultRequest_->goal.x) +
               "," + std::to_string(faultRequest_->goal.y) + " class " +
               std::to_string(faultRequest_->clearanceClass) + "\n";
    }
    log += "grid revision " + std::to_string(revision_) + ", " + std::to_string(sets_.size()) +
           " obstacle sets, " + std::to_string(levelShapes_.size()) + " level shapes\n";

    std::u16string folder = dumpFolder_.empty() ? platform::ModuleFolder() : dumpFolder_;
    if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
    // An earlier dump is replaced by a new file, never written through a link
    // (symbolic or hard) to another file.
    auto write = [&](const std::u16string& name, const void* data, size_t size) {
        const platform::GamePath path(folder + name);
        platform::RemoveForReplacing(path.Utf8());
        platform::File file =
            platform::File::Open(path, platform::kFileWrite, platform::FileCreation::CreateNew);
        return file.IsOpen() && file.WriteExact(data, int64_t(size)) && file.Close();
    };
    const bool dumped = write(u"$crash.shpf", bytes.data(), bytes.size());
    const bool logged = write(u"$crash.log", log.data(), log.size());
    return dumped && logged;
}

} // namespace shpf
