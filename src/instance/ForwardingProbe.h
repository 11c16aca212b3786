#pragma once
// Points in forwarding where a test may hold a thread, so that the races at
// a primary's end (a worker waking just as the primary stops) happen every
// time instead of once in many runs. The product sets no probe.

namespace launcher {

enum class ForwardingPoint {
    // A worker has woken to serve its launch and has not yet decided
    // whether it may.
    WorkerBeforeServer,
    // stop() has marked the primary as stopping and has not yet let go.
    StopBegun,
};

using ForwardingProbe = void (*)(ForwardingPoint point);

// Tests only; null removes the probe.
void setForwardingProbe(ForwardingProbe probe);
// Called by forwarding's threads at each point.
void atForwardingPoint(ForwardingPoint point);

} // namespace launcher
