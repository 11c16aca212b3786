#include "instance/ForwardingProbe.h"

#include <atomic>

namespace launcher {

namespace {
std::atomic<ForwardingProbe> probe{nullptr};
} // namespace

void setForwardingProbe(ForwardingProbe next) { probe.store(next); }

void atForwardingPoint(ForwardingPoint point) {
    if (ForwardingProbe current = probe.load()) current(point);
}

} // namespace launcher
