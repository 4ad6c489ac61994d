#pragma once
// The analysis' one-dimensional array of doubles, with the few operations of a
// matrix language that the analysis is written in: 1-based positions,
// ranges and a stable sort. Values own their storage and operations return
// fresh copies. NaN (`kMissing`) marks an absent value, such as a partial
// track that has no peak in a frame. A range of positions outside the vector
// gives an empty result and leaves the operands as they were.

#include <limits>
#include <vector>

namespace tessarine {

inline constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

enum class FillKind { Zeros, Ones, Missing };

class NumVector {
public:
    NumVector() = default;
    // n zeros; n below 1 gives the empty vector.
    explicit NumVector(int count);

    static NumVector filled(FillKind kind, int count);
    // first, first + 1, ..., last (empty when last < first).
    static NumVector range(int first, int last);
    // first, first + step, ... with (last - first) / step + 1 values (integer division).
    static NumVector range(int first, int step, int last);
    // count values of a float buffer starting at offset, widened to double.
    static NumVector fromFloats(const float* values, int offset, int count);

    int size() const { return static_cast<int>(values_.size()); }
    bool empty() const { return values_.empty(); }
    double* data() { return values_.data(); }
    const double* data() const { return values_.data(); }

    // Element i, 1-based; the caller guarantees 1 <= i <= size().
    double& operator()(int i) { return values_[static_cast<std::size_t>(i - 1)]; }
    double operator()(int i) const { return values_[static_cast<std::size_t>(i - 1)]; }

    // v(first..last); empty when the range leaves the vector.
    NumVector slice(int first, int last) const;

    void append(double value) { values_.push_back(value); }
    void append(const NumVector& tail);

private:
    std::vector<double> values_;
};

NumVector operator+(const NumVector& a, const NumVector& b); // empty when lengths differ
NumVector operator-(const NumVector& a, const NumVector& b); // empty when lengths differ
NumVector operator*(const NumVector& a, const NumVector& b); // element-wise; empty when lengths differ
NumVector operator+(const NumVector& a, double s);
NumVector operator-(const NumVector& a, double s);
NumVector operator*(const NumVector& a, double s);
NumVector operator/(const NumVector& a, double s); // multiplies by 1 / s

double sum(const NumVector& a);
double maximum(const NumVector& a); // -1e308 when no finite-comparable value; NaN never wins
bool contains(const NumVector& a, double s);

// Ascending sort by exchanging neighbours only when the left one is strictly
// greater, so equal values keep their order. `order` receives the 1-based
// origin of each sorted value.
void sortAscending(const NumVector& values, NumVector& sorted, NumVector& order);

} // namespace tessarine
