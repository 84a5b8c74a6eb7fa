#pragma once

#include <chrono>
#include <functional>

namespace hollin::importer {

// Runs `work` in a short-lived child process and tells whether it returned
// true there within `timeLimit`. A crash or a hang in the child counts as
// false and leaves the calling process untouched. When no child process can
// be made, or its outcome cannot be learnt, the answer is true so that the
// caller goes on as it would without the isolation.
bool SucceedsInIsolation(const std::function<bool()>& work, std::chrono::milliseconds timeLimit);

}  // namespace hollin::importer
