// Test helper: plants system-call faults for one scope and clears them when
// the scope ends.
#pragma once

#include <utility>
#include <vector>

#include "runtime/SystemCall.h"

namespace corvel::testing {

class PlantedFaults {
public:
    explicit PlantedFaults(std::vector<SystemCallFault> faults) {
        plantSystemCallFaults(std::move(faults));
    }
    ~PlantedFaults() { clearSystemCallFaults(); }
    PlantedFaults(const PlantedFaults&) = delete;
    PlantedFaults& operator=(const PlantedFaults&) = delete;
};

}  // namespace corvel::testing
