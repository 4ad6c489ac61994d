#include "analysis/NumMatrix.h"

#include <cmath>
#include <numbers>

namespace tessarine {

NumMatrix::NumMatrix(int rows, int columns)
{
    // A matrix may have rows but no columns (or the reverse): no tracks still
    // has a frame count, which later stages need.
    rows_ = rows > 0 ? rows : 0;
    columns_ = columns > 0 ? columns : 0;
    values_.assign(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_), 0.0);
}

NumMatrix NumMatrix::filled(FillKind kind, int rows, int columns)
{
    NumMatrix m(rows, columns);
    const double value = kind == FillKind::Ones ? 1.0 : (kind == FillKind::Missing ? kMissing : 0.0);
    for (double& x : m.values_) {
        x = value;
    }
    return m;
}

NumVector NumMatrix::row(int r) const
{
    if (r < 1 || r > rows_) {
        return {};
    }
    NumVector v(columns_);
    for (int c = 1; c <= columns_; ++c) {
        v(c) = (*this)(r, c);
    }
    return v;
}

NumMatrix NumMatrix::transposed() const
{
    NumMatrix t(columns_, rows_);
    for (int r = 1; r <= rows_; ++r) {
        for (int c = 1; c <= columns_; ++c) {
            t(c, r) = (*this)(r, c);
        }
    }
    return t;
}

NumMatrix operator*(const NumMatrix& a, double s)
{
    NumMatrix m = a;
    for (std::size_t i = 0; i < static_cast<std::size_t>(a.rows()) * static_cast<std::size_t>(a.columns()); ++i) {
        m.data()[i] *= s;
    }
    return m;
}

NumMatrix operator/(const NumMatrix& a, double s)
{
    return a * (1.0 / s);
}

namespace {

template <typename Op>
NumMatrix combined(const NumMatrix& a, const NumMatrix& b, Op op)
{
    if (a.rows() != b.rows() || a.columns() != b.columns()) {
        return {};
    }
    NumMatrix m(a.rows(), a.columns());
    const std::size_t count = static_cast<std::size_t>(a.rows()) * static_cast<std::size_t>(a.columns());
    for (std::size_t i = 0; i < count; ++i) {
        m.data()[i] = op(a.data()[i], b.data()[i]);
    }
    return m;
}

} // namespace

NumMatrix magnitude(const NumMatrix& re, const NumMatrix& im)
{
    return combined(re, im, [](double x, double y) { return std::sqrt(x * x + y * y); });
}

double maximum(const NumMatrix& m)
{
    double best = -1e308;
    const std::size_t count = static_cast<std::size_t>(m.rows()) * static_cast<std::size_t>(m.columns());
    for (std::size_t i = 0; i < count; ++i) {
        if (m.data()[i] > best) {
            best = m.data()[i];
        }
    }
    return best;
}

NumVector columnSums(const NumMatrix& m)
{
    NumVector v(m.columns());
    for (int c = 1; c <= m.columns(); ++c) {
        double total = 0.0;
        for (int r = 1; r <= m.rows(); ++r) {
            total += m(r, c);
        }
        v(c) = total;
    }
    return v;
}

} // namespace tessarine
