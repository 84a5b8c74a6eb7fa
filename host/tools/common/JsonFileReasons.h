#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "KorvantaAPI.h"

// Why the host's own files, model files and the preference store, were
// refused, in the user's language.
namespace kvhost {

// Why the modelling library did not read a model file: one line, without
// the file's name.
std::string WhyModelFileNotRead(const KVModelFileVerdict& verdict);

// A model that a viewer could not hold: what drawing it needs, and the
// memory there is, in kvimport's words for an import over its budget.
std::string DrawingNeedsMoreMemory(std::uint64_t placements, std::uint64_t triangles, std::uint64_t needed,
                                   std::uint64_t available);

// What an exception from the importer or the preference store says: for a
// store that could not be read or written, which file and why; for anything
// else, the exception's own text.
std::string WhatWentWrong(const std::exception& exception);

}  // namespace kvhost
