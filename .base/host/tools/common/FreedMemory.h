#pragma once

namespace kvhost {

// Keeps memory the importer frees in the heap for its next allocations,
// which makes large imports faster; for programs that run imports.
void KeepFreedMemoryForReuse();

// Hands the heap's free memory back to the system, for a program that lives
// on after an import.
void ReturnFreedMemory();

// Has the heap grow on transparent huge pages, where the system gives them
// to those who ask: glibc does this only when told at start-up, so the first
// call starts the program again (`argv` as main received it) with its
// tunable set. Returns when the heap already does, or the program cannot be
// started again.
void GrowTheHeapOnHugePages(char** argv);

}  // namespace kvhost
