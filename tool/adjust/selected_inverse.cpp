#include "tool/adjust/selected_inverse.h"

#include <algorithm>
#include <stdexcept>

namespace min_lumo_tool {

void StationOrdering::Order(const NormalMatrix& matrix, PermutationType& permutation) {
    const int stations = static_cast<int>(matrix.cols() / 3);
    std::vector<Eigen::Triplet<double>> links;
    links.reserve(static_cast<std::size_t>(matrix.nonZeros() / 9 + 1));
    for (int column = 0; column < matrix.outerSize(); column += 3)
        for (NormalMatrix::InnerIterator it(matrix, column); it; ++it)
            if (it.row() % 3 == 0) links.emplace_back(static_cast<int>(it.row() / 3), column / 3, 1.0);
    NormalMatrix graph(stations, stations);
    graph.setFromTriplets(links.begin(), links.end());
    PermutationType byStation;
    Eigen::AMDOrdering<int>()(graph, byStation);
    permutation.resize(3 * stations);
    for (int s = 0; s < stations; ++s)
        for (int k = 0; k < 3; ++k) permutation.indices()(3 * s + k) = 3 * byStation.indices()(s) + k;
}

SelectedInverse::SelectedInverse(const NormalFactor& factor) : factor_(factor.matrixL().nestedExpression()) {
    const int n = static_cast<int>(factor_.cols());
    const int* starts = factor_.outerIndexPtr();
    const int* rows = factor_.innerIndexPtr();
    const double* values = factor_.valuePtr();
    const auto& d = factor.vectorD();
    // P N Pᵀ = L D Lᵀ: the original index a sits at P.indices()(a).
    permuted_.assign(factor.permutationP().indices().data(), factor.permutationP().indices().data() + n);
    diagonal_.assign(static_cast<std::size_t>(n), 0.0);
    lower_.assign(static_cast<std::size_t>(factor_.nonZeros()), 0.0);
    std::vector<double> y;
    for (int j = n - 1; j >= 0; --j) {
        const int first = starts[j], count = starts[j + 1] - first;
        y.assign(static_cast<std::size_t>(count), 0.0);
        // y(a) = Σ_b Z(r_a, r_b) L(r_b, j) over the rows r of column j,
        // each symmetric pair of Z taken once from column min(r_a, r_b).
        for (int b = 0; b < count; ++b) {
            const int rb = rows[first + b];
            const double lb = values[first + b];
            y[static_cast<std::size_t>(b)] += diagonal_[static_cast<std::size_t>(rb)] * lb;
            int p = starts[rb];
            const int end = starts[rb + 1];
            // Column r_b holds every later row of column j (a clique of the
            // filled graph), in order, with others between: one merge.
            for (int a = b + 1; a < count; ++a) {
                const int ra = rows[first + a];
                while (p < end && rows[p] < ra) ++p;
                if (p == end || rows[p] != ra) throw std::logic_error("selected inversion: the factor's pattern is not closed");
                const double z = lower_[static_cast<std::size_t>(p)];
                y[static_cast<std::size_t>(a)] += z * lb;
                y[static_cast<std::size_t>(b)] += z * values[first + a];
            }
        }
        double sum = 0.0;
        for (int a = 0; a < count; ++a) {
            lower_[static_cast<std::size_t>(first + a)] = -y[static_cast<std::size_t>(a)];
            sum += values[first + a] * y[static_cast<std::size_t>(a)];
        }
        diagonal_[static_cast<std::size_t>(j)] = 1.0 / d(j) + sum;
    }
}

double SelectedInverse::At(int a, int b) const {
    const int i = permuted_[static_cast<std::size_t>(a)], k = permuted_[static_cast<std::size_t>(b)];
    if (i == k) return diagonal_[static_cast<std::size_t>(i)];
    const int column = std::min(i, k), row = std::max(i, k);
    const int* rows = factor_.innerIndexPtr();
    const int* begin = rows + factor_.outerIndexPtr()[column];
    const int* end = rows + factor_.outerIndexPtr()[column + 1];
    const int* found = std::lower_bound(begin, end, row);
    if (found == end || *found != row) throw std::logic_error("selected inversion: an entry off the factor's pattern");
    return lower_[static_cast<std::size_t>(found - rows)];
}

}  // namespace min_lumo_tool
