#include "analysis/NumVector.h"

#include <cmath>
#include <utility>

namespace tessarine {

namespace {

template <typename Op>
NumVector elementWise(const NumVector& a, const NumVector& b, Op op)
{
    if (a.size() != b.size()) {
        return {};
    }
    NumVector out(a.size());
    for (int i = 0; i < a.size(); ++i) {
        out.data()[i] = op(a.data()[i], b.data()[i]);
    }
    return out;
}

template <typename Op>
NumVector mapped(const NumVector& a, Op op)
{
    NumVector out(a.size());
    for (int i = 0; i < a.size(); ++i) {
        out.data()[i] = op(a.data()[i]);
    }
    return out;
}

} // namespace

NumVector::NumVector(int count)
{
    if (count > 0) {
        values_.assign(static_cast<std::size_t>(count), 0.0);
    }
}

NumVector NumVector::filled(FillKind kind, int count)
{
    NumVector v(count);
    const double value = kind == FillKind::Ones ? 1.0 : (kind == FillKind::Missing ? kMissing : 0.0);
    for (double& x : v.values_) {
        x = value;
    }
    return v;
}

NumVector NumVector::range(int first, int last)
{
    return range(first, 1, last);
}

NumVector NumVector::range(int first, int step, int last)
{
    if (step == 0) {
        return {};
    }
    const long long count = (static_cast<long long>(last) - first) / step + 1;
    if (count < 1 || count > std::numeric_limits<int>::max()) {
        return {};
    }
    NumVector v(static_cast<int>(count));
    for (int i = 0; i < v.size(); ++i) {
        v.values_[static_cast<std::size_t>(i)] = static_cast<double>(first) + static_cast<double>(i) * step;
    }
    return v;
}

NumVector NumVector::fromFloats(const float* values, int offset, int count)
{
    if (values == nullptr || offset < 0 || count < 1) {
        return {};
    }
    NumVector v(count);
    for (int i = 0; i < count; ++i) {
        v.values_[static_cast<std::size_t>(i)] = static_cast<double>(values[offset + i]);
    }
    return v;
}

NumVector NumVector::slice(int first, int last) const
{
    if (first < 1 || last > size() || last < first) {
        return {};
    }
    NumVector v(last - first + 1);
    for (int i = first; i <= last; ++i) {
        v(i - first + 1) = (*this)(i);
    }
    return v;
}

void NumVector::append(const NumVector& tail)
{
    values_.insert(values_.end(), tail.values_.begin(), tail.values_.end());
}

NumVector operator+(const NumVector& a, const NumVector& b)
{
    return elementWise(a, b, [](double x, double y) { return x + y; });
}

NumVector operator-(const NumVector& a, const NumVector& b)
{
    return elementWise(a, b, [](double x, double y) { return x - y; });
}

NumVector operator*(const NumVector& a, const NumVector& b)
{
    return elementWise(a, b, [](double x, double y) { return x * y; });
}

NumVector operator+(const NumVector& a, double s)
{
    return mapped(a, [s](double x) { return x + s; });
}

NumVector operator-(const NumVector& a, double s)
{
    return mapped(a, [s](double x) { return x - s; });
}

NumVector operator*(const NumVector& a, double s)
{
    return mapped(a, [s](double x) { return x * s; });
}

NumVector operator/(const NumVector& a, double s)
{
    return a * (1.0 / s);
}

double sum(const NumVector& a)
{
    double total = 0.0;
    for (int i = 0; i < a.size(); ++i) {
        total += a.data()[i];
    }
    return total;
}

double maximum(const NumVector& a)
{
    double best = -1e308;
    for (int i = 0; i < a.size(); ++i) {
        if (a.data()[i] > best) {
            best = a.data()[i];
        }
    }
    return best;
}

bool contains(const NumVector& a, double s)
{
    for (int i = 0; i < a.size(); ++i) {
        if (a.data()[i] == s) {
            return true;
        }
    }
    return false;
}

void sortAscending(const NumVector& values, NumVector& sorted, NumVector& order)
{
    sorted = values;
    order = NumVector::range(1, values.size());
    double* v = sorted.data();
    double* o = order.data();
    for (int end = values.size() - 1; end > 0; --end) {
        bool swapped = false;
        for (int i = 0; i < end; ++i) {
            if (v[i] > v[i + 1]) {
                std::swap(v[i], v[i + 1]);
                std::swap(o[i], o[i + 1]);
                swapped = true;
            }
        }
        if (!swapped) {
            break;
        }
    }
}

} // namespace tessarine
