#include "comtrade/record.h"

namespace qz::comtrade {

bool SiFactor(const AnalogChannel& channel, double& factor) {
    const std::string& u = channel.unit;
    if (u == "V" || u == "A") {
        factor = 1;
        return true;
    }
    if (u == "kV" || u == "kA") {
        factor = 1000;
        return true;
    }
    return false;
}

}  // namespace qz::comtrade
