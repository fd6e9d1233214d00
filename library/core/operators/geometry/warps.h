// Affine and polynomial warps: each destination element (x, y) takes the
// source element at column sum A[i] term_i(x, y) and row sum B[i] term_i(x, y)
// (x and y the destination's element indices, no half-element shift), by
// nearest neighbour or bilinear interpolation as the system's "interpolation"
// says. Terms in order: 1, x, y, x^2, xy, y^2, x^3, x^2y, xy^2, y^3, x^3y,
// x^2y^2, xy^3, x^2y^3, x^3y^2, x^3y^3. Destination elements whose position
// falls outside the source (or is not a number) keep what they held.
#ifndef PELRITH_CORE_OPERATORS_GEOMETRY_WARPS_H_
#define PELRITH_CORE_OPERATORS_GEOMETRY_WARPS_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

inline constexpr int kWarpTerms = 16;

// "interpolation" 191 or 192; 12 for any other.
int IpiWarpAffine(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                  const double b[kWarpTerms]);
// Pick the kernel that evaluates every non-zero term: 16 terms when any of
// 10-15 is set, else 10 when any of 3-9 is, else 3.
int IpiWarpNearest(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                   const double b[kWarpTerms]);
int IpiWarpBilinear(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                    const double b[kWarpTerms]);

// The six kernels: terms 0-2, 0-9 and 0-15.
int IpiWarpNearestAffine(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                         const double b[kWarpTerms]);
int IpiWarpNearestCubic(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                        const double b[kWarpTerms]);
int IpiWarpNearestBicubic(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                          const double b[kWarpTerms]);
int IpiWarpBilinearAffine(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                          const double b[kWarpTerms]);
int IpiWarpBilinearCubic(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                         const double b[kWarpTerms]);
int IpiWarpBilinearBicubic(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                           const double b[kWarpTerms]);

// Rotation by `angle` radians about (cx, cy): column = cx + (x - cx) cos -
// (y - cy) sin, row = cy + (x - cx) sin + (y - cy) cos, through IpiWarpAffine.
// A sine or cosine within 1e-15 of 0 counts as 0, so quarter and half turns
// land exactly on elements.
int IpiRotateByAngle(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t cx, int32_t cy,
                     double angle);

#endif  // PELRITH_CORE_OPERATORS_GEOMETRY_WARPS_H_
