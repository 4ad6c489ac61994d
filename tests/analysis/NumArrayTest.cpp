// The array conventions every analysis stage leans on: 1-based index vectors,
// NaN as the missing mark, a sort that keeps ties in order, and indexes that
// are refused rather than read out of bounds.

#include "SignalHelpers.h"

#include "analysis/NumMatrix.h"
#include "analysis/NumVector.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

namespace {

using tessarine::kMissing;
using tessarine::NumMatrix;
using tessarine::NumVector;

using testsignal::vec;

std::vector<double> values(const NumVector& v)
{
    return std::vector<double>(v.data(), v.data() + v.size());
}

// Missing values never win extremes; the sort keeps ties in order.
TEST(NumVector, RangesFindSwapExtremesAndSort)
{
    const auto sortedOf = [](const NumVector& v, bool wantOrder) {
        NumVector sorted;
        NumVector order;
        tessarine::sortAscending(v, sorted, order);
        return wantOrder ? order : sorted;
    };
    const NumVector withMissing = vec({kMissing, -3, 7, kMissing});
    struct Case { NumVector got; std::vector<double> want; };
    const Case cases[] = {
        {NumVector::range(5, 4), {}},
        {NumVector::range(1, 1), {1}},
        {NumVector::range(2, 3, 9), {2, 5, 8}},
        {NumVector::range(9, -4, 1), {9, 5, 1}},
        {vec({10, 20, 30}).slice(2, 3), {20, 30}},
        {vec({10, 20, 30}).slice(0, 2), {}},
        {vec({1, 2}) + vec({1, 2, 3}), {}},
        {vec({tessarine::maximum(withMissing)}), {7}},
        {vec({tessarine::maximum(NumVector())}), {-1e308}},
        {sortedOf(vec({3, 1, 3, 2}), false), {1, 2, 3, 3}},
        {sortedOf(vec({3, 1, 3, 2}), true), {2, 4, 1, 3}},
        {sortedOf(vec({5, 5, 5, 1}), true), {4, 1, 2, 3}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(values(cases[i].got), cases[i].want) << "row " << i;
    }
}

TEST(NumMatrix, ShapeEditsAndIndexChecks)
{
    NumMatrix m(2, 3);
    for (int r = 1; r <= 2; ++r) {
        for (int c = 1; c <= 3; ++c) {
            m(r, c) = 10 * r + c;
        }
    }
    EXPECT_EQ(m.data()[4], 22) << "row-major: (2, 2) is the fifth element";
    EXPECT_EQ(values(m.transposed().row(3)), (std::vector<double>{13, 23}));
    EXPECT_TRUE(m.row(0).empty());
}

} // namespace
