#include "decode/Decoder.h"

#include <algorithm>
#include <cstring>

namespace sonaroaudio {

size_t Decoder::read(uint8_t *out, size_t size)
{
    interrupted_ = false;
    size_t got = 0;
    while (got < size) {
        if (pendingPos_ < pending_.size()) {
            const size_t n = std::min(size - got, pending_.size() - pendingPos_);
            std::memcpy(out + got, pending_.data() + pendingPos_, n);
            pendingPos_ += n;
            got += n;
            continue;
        }
        dropPending();
        if (!decodeMore(pending_)) {
            interrupted_ = interruptRequested();
            break;
        }
    }
    return got;
}

} // namespace sonaroaudio
