#pragma once

namespace kvhost {

// Keeps memory the importer frees in the heap for its next allocations,
// which makes large imports faster; for programs that run imports.
void KeepFreedMemoryForReuse();

// Hands the heap's free memory back to the system, for a program that lives
// on after an import.
void ReturnFreedMemory();

}  // namespace kvhost
