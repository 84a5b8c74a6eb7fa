#pragma once

#include <string>
#include <vector>

namespace hollin::importer::testing {

// The converter works on the host's real modelling library; the link puts
// this spy between the two (see CMakeLists.txt). It writes down the calls
// that leave nothing in the saved model to show for them, and plays a host
// that refuses a material.
struct HostApiSpy {
    bool refuseNextMaterial = false;
    std::vector<std::string> calls;
};

// The one spy of the process; tests reset it with `Spy() = {}`.
HostApiSpy& Spy();

}  // namespace hollin::importer::testing
