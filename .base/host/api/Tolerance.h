#pragma once

namespace korvanta {

// The host's length tolerance in inches: points closer than this are one point.
inline constexpr double kLengthTolerance = 0.001;

// Coordinates beyond this (inches) are treated as garbage rather than geometry;
// it keeps spatial hashing in range of 64-bit cell numbers.
inline constexpr double kMaxCoordinate = 1.0e12;

}  // namespace korvanta
