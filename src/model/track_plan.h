// The plan of the line: one point per metre, points 0 to M = L + 7000, two components
// (x across the initial direction of travel, y along it). Points 0 and 1 are stored as
// 16-bit integers, computed points as doubles, and the rest stay empty.
//
// Held compactly as two arrays of doubles and the point counter: every point below the
// counter has been computed, every point from the counter up is empty. The arrays are
// not cleared when made: only points below the counter are ever read, and clearing a
// plan of a million points would cost more than computing the built-in line.
#ifndef PERCORSO_MODEL_TRACK_PLAN_H_
#define PERCORSO_MODEL_TRACK_PLAN_H_

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>

namespace percorso {

// Tags of a plan element in the plan file (the variant type numbers).
inline constexpr uint16_t kPlanEmpty = 0;
inline constexpr uint16_t kPlanInt16 = 2;
inline constexpr uint16_t kPlanDouble = 5;

// The longest line the loader accepts, in metres.
inline constexpr int32_t kMaxPlanLineLength = 1000000;

class TrackPlan {
 public:
  // Creates the plan for a line of `line_length` metres, every element empty. The loader
  // accepts lengths up to kMaxPlanLineLength; a longer one gets a plan of that maximum
  // size, and a length below -7000 a plan with no points at all.
  void Create(int32_t line_length);
  // Removes the plan (a build without plan).
  void Reset();

  bool exists() const { return exists_; }
  // M, the last point number; -1 before the plan exists.
  int32_t upper() const { return exists_ ? upper_ : -1; }

  // Sets points 0 and 1 to the integers (0, 0) and (0, 1); the point counter becomes 2.
  // Does nothing on a plan too short to hold both points.
  void Start();
  bool started() const { return next_ >= 2; }
  // The point counter: the number of the next point to compute (0 before Start).
  int64_t next() const { return next_; }

  // Stores point `next()` and advances the counter. Returns false, storing nothing, before
  // Start() or once the counter has passed upper(): callers keep next() <= upper().
  bool Append(double x, double y) {
    if (!started() || next_ > upper_) return false;
    x_[static_cast<size_t>(next_)] = x;
    y_[static_cast<size_t>(next_)] = y;
    ++next_;
    return true;
  }

  // Checked access to a point's components: callers read only points below next();
  // any other point number is a bug, refused with std::out_of_range.
  double x(int64_t j) const { return x_[Computed(j)]; }
  double y(int64_t j) const { return y_[Computed(j)]; }
  // The computed points' components, points 0 to next() - 1.
  std::span<const double> xs() const { return {x_.get(), static_cast<size_t>(next_)}; }
  std::span<const double> ys() const { return {y_.get(), static_cast<size_t>(next_)}; }

  // Tag of point j's elements: int16 for points 0 and 1 once started, double for
  // computed points, empty otherwise.
  uint16_t TagOf(int64_t j) const {
    if (j < 0 || j >= next_) return kPlanEmpty;
    return j < 2 ? kPlanInt16 : kPlanDouble;
  }

 private:
  size_t Computed(int64_t j) const {
    if (j < 0 || j >= next_) throw std::out_of_range("plan point not computed");
    return static_cast<size_t>(j);
  }

  bool exists_ = false;
  int32_t upper_ = -1;
  int64_t next_ = 0;
  std::unique_ptr<double[]> x_;  // upper_ + 1 places, those below next_ set
  std::unique_ptr<double[]> y_;
};

}  // namespace percorso

#endif  // PERCORSO_MODEL_TRACK_PLAN_H_
