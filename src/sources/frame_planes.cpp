#include "sources/frame_planes.h"

namespace mivo {

FramePlanes& framePlanes() {
    static FramePlanes planes;
    return planes;
}

} // namespace mivo
