#pragma once

#include <exception>
#include <string>

#include "KorvantaAPI.h"

// Why the host's own files, model files and the preference store, were
// refused, in the user's language.
namespace kvhost {

// Why the modelling library did not read a model file: one line, without
// the file's name.
std::string WhyModelFileNotRead(const KVModelFileVerdict& verdict);

// What an exception from the importer or the preference store says: for a
// store that could not be read or written, which file and why; for anything
// else, the exception's own text.
std::string WhatWentWrong(const std::exception& exception);

}  // namespace kvhost
