// Entries of the inverse of a sparse symmetric positive definite matrix,
// only where its factor has entries.
//
// The adjustment needs blocks of the inverse normal matrix: each station's
// 3x3 covariance and, for the residuals' covariances, the block between the
// two ends of every vector.  Those blocks lie on the sparsity pattern of
// the normal matrix, which is inside the pattern of its LDLᵀ factor.  The
// whole inverse is dense (n² numbers: 7 GB for 30,000 unknowns) and solving
// for each column would cost n solves; the Takahashi recurrences instead
// give Z = (L D Lᵀ)⁻¹ on the factor's pattern from the factor itself, column
// by column from the last:
//
//   Z(i,j) = -Σ_{k>j} Z(i,k) L(k,j)          for i > j in the pattern of L(:,j)
//   Z(j,j) = 1 / D(j) - Σ_{k>j} L(k,j) Z(k,j)
//
// where every Z(i,k) needed lies on the pattern again (the rows of a column
// of L form a clique of the filled graph), at about the cost of the
// factorization.  (K. Takahashi, J. Fagan, M.-S. Chin, "Formation of a
// sparse bus impedance matrix and its application to short circuit study",
// 1973; as used for selected inversion, e.g. by Erisman and Tinney, 1975.)
#pragma once

#include <cstdint>
#include <vector>

#include <Eigen/SparseCholesky>

namespace min_lumo_tool {

using NormalMatrix = Eigen::SparseMatrix<double, Eigen::ColMajor, int>;

// A fill-reducing ordering of a matrix whose unknowns come in threes (a
// station's X, Y and Z): Eigen's approximate minimum degree ordering of the
// stations' graph, each station's three unknowns kept together.  A third of
// the nodes to order, and a factor whose columns come in groups of three
// alike, which the selected inversion walks faster.
struct StationOrdering {
    using PermutationType = Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int>;
    template <typename Matrix> void operator()(const Matrix& matrix, PermutationType& permutation) {
        Order(NormalMatrix(matrix), permutation);
    }
    static void Order(const NormalMatrix& matrix, PermutationType& permutation);
};

using NormalFactor = Eigen::SimplicialLDLT<NormalMatrix, Eigen::Lower, StationOrdering>;

class SelectedInverse {
public:
    // `factor` has factorized the matrix successfully.
    explicit SelectedInverse(const NormalFactor& factor);

    // The inverse's entry at (a, b), original (unpermuted) indices; the pair
    // must lie on the factor's pattern (any pair of unknowns the matrix
    // couples does).  Throws std::logic_error otherwise.
    double At(int a, int b) const;

private:
    const NormalMatrix& factor_;     // L, strictly lower, columns sorted by row
    std::vector<int> permuted_;      // original index -> factor index
    std::vector<double> diagonal_;   // Z(j, j)
    std::vector<double> lower_;      // Z(i, j), i > j, at L's positions
};

}  // namespace min_lumo_tool
