#pragma once
// The analysis' two-dimensional array of doubles: spectra (one row per bin,
// one column per frame), partial tracks (one row per track) and harmonic
// curves (one row per harmonic number). Row-major storage; operations use
// 1-based rows and columns like NumVector. Index checks as in NumVector: a
// bad index gives an empty result or `false` and changes nothing.

#include "analysis/NumVector.h"

#include <vector>

namespace tessarine {

class NumMatrix {
public:
    NumMatrix() = default;
    // rows x columns zeros; a non-positive extent counts as 0 and gives no storage.
    NumMatrix(int rows, int columns);

    static NumMatrix filled(FillKind kind, int rows, int columns);

    int rows() const { return rows_; }
    int columns() const { return columns_; }
    // No elements (either extent 0).
    bool empty() const { return values_.empty(); }
    double* data() { return values_.data(); }
    const double* data() const { return values_.data(); }

    // Element (r, c), 1-based; the caller guarantees both are in range.
    double& operator()(int r, int c) { return values_[offset(r, c)]; }
    double operator()(int r, int c) const { return values_[offset(r, c)]; }

    // Empty when r is outside the matrix.
    NumVector row(int r) const;

    NumMatrix transposed() const;

private:
    std::size_t offset(int r, int c) const
    {
        return static_cast<std::size_t>(r - 1) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(c - 1);
    }

    int rows_ = 0;
    int columns_ = 0;
    std::vector<double> values_;
};

NumMatrix operator*(const NumMatrix& a, double s);
NumMatrix operator/(const NumMatrix& a, double s); // multiplies by 1 / s

// sqrt(re^2 + im^2) element by element; empty when the shapes differ.
NumMatrix magnitude(const NumMatrix& re, const NumMatrix& im);

double maximum(const NumMatrix& m); // -1e308 when empty; NaN never wins
NumVector columnSums(const NumMatrix& m);

} // namespace tessarine
