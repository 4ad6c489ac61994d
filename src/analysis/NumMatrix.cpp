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

NumVector NumMatrix::column(int c) const
{
    if (c < 1 || c > columns_) {
        return {};
    }
    NumVector v(rows_);
    for (int r = 1; r <= rows_; ++r) {
        v(r) = (*this)(r, c);
    }
    return v;
}

bool NumMatrix::setRow(int r, const NumVector& values)
{
    if (r < 1 || r > rows_ || values.size() != columns_) {
        return false;
    }
    for (int c = 1; c <= columns_; ++c) {
        (*this)(r, c) = values(c);
    }
    return true;
}

NumMatrix NumMatrix::rowsAt(const NumVector& indexes) const
{
    NumMatrix m(indexes.size(), columns_);
    for (int i = 1; i <= indexes.size(); ++i) {
        const double index = indexes(i);
        if (!(index >= 1.0) || !(index < rows_ + 1.0)) {
            return {};
        }
        const int r = static_cast<int>(index);
        for (int c = 1; c <= columns_; ++c) {
            m(i, c) = (*this)(r, c);
        }
    }
    return m;
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

bool NumMatrix::appendColumns(const NumMatrix& right)
{
    if (empty()) {
        *this = right;
        return true;
    }
    if (right.empty()) {
        return true;
    }
    if (right.rows_ != rows_) {
        return false;
    }
    NumMatrix joined(rows_, columns_ + right.columns_);
    for (int r = 1; r <= rows_; ++r) {
        for (int c = 1; c <= columns_; ++c) {
            joined(r, c) = (*this)(r, c);
        }
        for (int c = 1; c <= right.columns_; ++c) {
            joined(r, columns_ + c) = right(r, c);
        }
    }
    *this = std::move(joined);
    return true;
}

bool NumMatrix::appendRows(const NumMatrix& below)
{
    if (empty()) {
        *this = below;
        return true;
    }
    if (below.empty()) {
        return true;
    }
    if (below.columns_ != columns_) {
        return false;
    }
    values_.insert(values_.end(), below.values_.begin(), below.values_.end());
    rows_ += below.rows_;
    return true;
}

bool NumMatrix::deleteColumn(int c)
{
    if (c < 1 || c > columns_) {
        return false;
    }
    NumMatrix kept(rows_, columns_ - 1);
    for (int r = 1; r <= kept.rows_; ++r) {
        for (int k = 1; k <= kept.columns_; ++k) {
            kept(r, k) = (*this)(r, k < c ? k : k + 1);
        }
    }
    *this = std::move(kept);
    return true;
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

NumMatrix phase(const NumMatrix& re, const NumMatrix& im)
{
    return combined(re, im, [](double x, double y) { return std::atan2(-y, x); });
}

void unwrapColumns(NumMatrix& m)
{
    constexpr double pi = std::numbers::pi;
    for (int c = 1; c <= m.columns(); ++c) {
        for (int r = 2; r <= m.rows(); ++r) {
            const double above = m(r - 1, c);
            double value = m(r, c);
            if (!std::isfinite(value) || !std::isfinite(above)) {
                continue; // a loop on NaN or infinity would never end
            }
            // Whole turns at once (phases of high bins lie many turns apart),
            // then the strict comparisons settle any rounding.
            const double difference = value - above;
            if (difference > pi) {
                value -= 2.0 * pi * std::ceil((difference - pi) / (2.0 * pi));
            } else if (difference < -pi) {
                value += 2.0 * pi * std::ceil((-pi - difference) / (2.0 * pi));
            }
            while (value - above > pi) {
                value -= 2.0 * pi;
            }
            while (value - above < -pi) {
                value += 2.0 * pi;
            }
            m(r, c) = value;
        }
    }
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

NumVector columnMaxima(const NumMatrix& m)
{
    NumVector v(m.columns());
    for (int c = 1; c <= m.columns(); ++c) {
        double best = -1e308;
        for (int r = 1; r <= m.rows(); ++r) {
            if (m(r, c) > best) {
                best = m(r, c);
            }
        }
        v(c) = best;
    }
    return v;
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
