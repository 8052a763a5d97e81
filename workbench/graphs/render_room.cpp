// Marking what the data cover, and choosing the freest place for a box.
#include "workbench/graphs/render_room.h"

#include <algorithm>
#include <cmath>

#include "workbench/graphs/trace_points.h"

namespace kwt {
namespace {

constexpr double kMaxCells = 250000;
constexpr double kMinCell = 2;      // device pixels
constexpr int64_t kBoxCost = 1000;  // a cell of another box, against one of data

}  // namespace

RoomMap::RoomMap(int width, int height) {
  const double area = static_cast<double>(std::max(width, 1)) * std::max(height, 1);
  cell_ = std::max(kMinCell, std::ceil(std::sqrt(area / kMaxCells)));
  columns_ = static_cast<int>(std::ceil(std::max(width, 1) / cell_));
  rows_ = static_cast<int>(std::ceil(std::max(height, 1) / cell_));
  cells_.assign(static_cast<size_t>(columns_) * rows_, 0);
}

void RoomMap::MarkCell(double x, double y, uint8_t what) {
  const double cx = std::floor(x / cell_), cy = std::floor(y / cell_);
  if (!(cx >= 0 && cx < columns_ && cy >= 0 && cy < rows_)) return;  // NaN fails too
  cells_[static_cast<size_t>(cy) * columns_ + static_cast<size_t>(cx)] |= what;
}

// The line is first clipped to the picture (its ends may lie a million
// pixels away), then walked in steps of under a cell.
void RoomMap::MarkLine(double x0, double y0, double x1, double y1) {
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return;
  const double w = columns_ * cell_, h = rows_ * cell_;
  double t0 = 0, t1 = 1;
  const double dx = x1 - x0, dy = y1 - y0;
  // Each edge of the picture cuts off part of the parameter range.
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0, w - x0, y0, h - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return;  // parallel to this edge and outside it
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0) t0 = std::max(t0, r);
    else t1 = std::min(t1, r);
  }
  if (t0 > t1) return;
  const double length = (t1 - t0) * std::max(std::fabs(dx), std::fabs(dy));
  const int steps = static_cast<int>(std::ceil(length / (cell_ / 2))) + 1;
  for (int i = 0; i <= steps; ++i) {
    const double t = t0 + (t1 - t0) * i / steps;
    MarkCell(x0 + t * dx, y0 + t * dy, kData);
  }
}

void RoomMap::Mark(double x0, double y0, double x1, double y1, uint8_t what) {
  const double left = std::min(x0, x1), right = std::max(x0, x1);
  const double top = std::min(y0, y1), bottom = std::max(y0, y1);
  if (!(right >= 0 && bottom >= 0 && left < columns_ * cell_ && top < rows_ * cell_)) return;
  const int c0 = std::max(0, static_cast<int>(left / cell_));
  const int c1 = std::min(columns_ - 1, static_cast<int>(right / cell_));
  const int r0 = std::max(0, static_cast<int>(top / cell_));
  const int r1 = std::min(rows_ - 1, static_cast<int>(bottom / cell_));
  for (int r = r0; r <= r1; ++r)
    for (int c = c0; c <= c1; ++c) cells_[static_cast<size_t>(r) * columns_ + c] |= what;
}

void RoomMap::MarkArea(double x0, double y0, double x1, double y1) { Mark(x0, y0, x1, y1, kData); }

void RoomMap::MarkBox(double left, double top, double right, double bottom) {
  Mark(left, top, right, bottom, kBox);
}

int64_t RoomMap::Cost(double left, double top, double right, double bottom) const {
  const int c0 = std::max(0, static_cast<int>(std::floor(left / cell_)));
  const int c1 = std::min(columns_ - 1, static_cast<int>(std::floor(right / cell_)));
  const int r0 = std::max(0, static_cast<int>(std::floor(top / cell_)));
  const int r1 = std::min(rows_ - 1, static_cast<int>(std::floor(bottom / cell_)));
  int64_t cost = 0;
  for (int r = r0; r <= r1; ++r) {
    for (int c = c0; c <= c1; ++c) {
      const uint8_t v = cells_[static_cast<size_t>(r) * columns_ + c];
      if ((v & kBox) != 0) cost += kBoxCost;
      else if ((v & kData) != 0) cost += 1;
    }
  }
  return cost;
}

void MarkTrace(RoomMap& room, const std::vector<std::vector<DevicePoint>>& runs, int mode,
               double base, double markerRadius) {
  for (const auto& run : runs) {
    for (size_t i = 0; i < run.size(); ++i) {
      const DevicePoint& p = run[i];
      const DevicePoint* next = i + 1 < run.size() ? &run[i + 1] : nullptr;
      switch (mode) {
        case 1:
        case 8:
          room.MarkLine(p.x, base, p.x, p.y);
          break;
        case 2:
        case 3:
          break;  // only markers or dots: below
        case 5:
          room.MarkArea(p.x, base, next != nullptr ? next->x : p.x, p.y);
          break;
        case 6:
          if (next != nullptr) {
            room.MarkLine(p.x, p.y, next->x, p.y);
            room.MarkLine(next->x, p.y, next->x, next->y);
          }
          break;
        case 7:
          // The fill reaches from zero to the nearer of the two points.
          if (next != nullptr) {
            const bool nearer = std::fabs(p.y - base) < std::fabs(next->y - base);
            room.MarkArea(p.x, base, next->x, nearer ? p.y : next->y);
            room.MarkLine(p.x, p.y, next->x, next->y);
          }
          break;
        default:
          if (next != nullptr) room.MarkLine(p.x, p.y, next->x, next->y);
          break;
      }
      if (run.size() == 1 || mode == 2 || mode == 3 || mode == 4 || mode == 8)
        room.MarkArea(p.x - markerRadius, p.y - markerRadius, p.x + markerRadius, p.y + markerRadius);
    }
  }
}

void MarkErrorSpans(RoomMap& room, const std::vector<ErrorSpan>& spans, bool vertical, bool band) {
  for (size_t i = 0; i < spans.size(); ++i) {
    const ErrorSpan& s = spans[i];
    const bool joined = band && i + 1 < spans.size() && !spans[i + 1].startsRun;
    const ErrorSpan* next = joined ? &spans[i + 1] : nullptr;
    // A band covers what lies between neighbouring spans as well.
    const double at1 = next != nullptr ? next->at : s.at;
    const double from = next != nullptr ? std::min(s.from, next->from) : s.from;
    const double to = next != nullptr ? std::max(s.to, next->to) : s.to;
    if (vertical) room.MarkArea(s.at, from, at1, to);
    else room.MarkArea(from, s.at, to, at1);
  }
}

void PlaceInRoom(const RoomMap& room, const RoomRequest& q, double* left, double* top) {
  const double l = q.plotLeft + q.inset, r = q.plotRight - q.inset - q.width;
  const double t = q.plotTop + q.inset, b = q.plotBottom - q.inset - q.height;
  const double cx = (q.plotLeft + q.plotRight - q.width) / 2;
  const double cy = (q.plotTop + q.plotBottom - q.height) / 2;
  const double places[8][2] = {{r, t}, {l, t}, {r, b}, {l, b}, {cx, t}, {cx, b}, {r, cy}, {l, cy}};
  int64_t best = -1;
  for (const auto& p : places) {
    const int64_t cost = room.Cost(p[0], p[1], p[0] + q.width, p[1] + q.height);
    if (best >= 0 && cost >= best) continue;
    best = cost;
    *left = p[0];
    *top = p[1];
    if (cost == 0) return;
  }
}

}  // namespace kwt
