#include "tag/exchange.h"

namespace tag {

bool Exchange(const ByteWriter& write, std::string_view payload, bool portOpen,
              const AnswerWait& wait) {
    const bool sent = SendFrame(write, payload);
    if (sent || !portOpen) {
        wait(kAnswerWaitMs);
    }
    return sent;
}

}  // namespace tag
