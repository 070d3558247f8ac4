// Runs the simulated chip on the test's fake clock, so that its conversions follow the
// program's clock instead of real time. Restores the steady clock when it goes.
#pragma once

#include "SimControl.h"
#include "TestSupport.h"

class SimClockScope {
public:
    explicit SimClockScope(FakeClock& clock)
    {
        const double start = clock.now;
        SimSetTimeSource([&clock, start] {
            const double t = clock.now - start;
            return t < 0 ? t + 86400.0 : t;
        });
    }
    ~SimClockScope() { SimSetTimeSource({}); }
    SimClockScope(const SimClockScope&) = delete;
    SimClockScope& operator=(const SimClockScope&) = delete;
};
