#include "platform/base/Clock.h"

#include <chrono>

namespace platform {

double RealClock::now() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void VirtualClock::setNow(double t) {
    if (t > now_) {
        now_ = t;
    }
}

} // namespace platform
