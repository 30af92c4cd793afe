#include "tag/exchange.h"

namespace tag {

bool Exchange(const FrameSender& send, std::string_view payload, bool portOpen,
              const AnswerWait& wait) {
    const bool sent = send(payload);
    if (sent || !portOpen) {
        wait(kAnswerWaitMs);
    }
    return sent;
}

}  // namespace tag
