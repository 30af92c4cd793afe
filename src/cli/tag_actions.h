#pragma once
// What velmora-tag does to the tag on the reader: the window's READ and WRITE without their
// boxes, and the read-back that checks a write.

#include <optional>
#include <string>

#include "cli/port_session.h"
#include "platform/result.h"
#include "tag/answers.h"

namespace cli {

struct TagWrite {
    std::string homepage;   // as the operator gave it, "http://" and commas included
    std::string tableInfo;  // as given
    bool lock = false;
};

// Whether these items can go out; else why not (a control character, more bytes than the tag
// takes once "http://" and commas are removed), or why nothing would be written. `lockName` is how
// the operator spells the lock ("--lock", "lock").
[[nodiscard]] platform::Result<void> CheckTagWrite(const TagWrite& items,
                                                   std::string_view lockName);

// Whether a tag holding `held` holds every item that `items` writes, as the write leaves it.
bool Holds(const tag::ReadAnswer& held, const TagWrite& items);

// Nothing when the device did not answer at all; an empty tag answers ",".
[[nodiscard]] std::optional<tag::ReadAnswer> ReadTag(PortSession& session);

struct WriteReport {
    // Payloads as sent and the device's answers; empty for an item not written.
    std::string homepagePayload;
    std::string homepageAnswer;
    std::string tableInfoPayload;
    std::string tableInfoAnswer;
    std::optional<std::string> readBack;  // the read-back's answer, when there was one
    bool verified = false;
    // A locked homepage write that the row's own tag, put back holding that homepage, refused:
    // the refusal proves the lock, so the row is not failed for it.
    bool lockedAlready = false;
    // Bytes that came while the line had to be quiet before a frame: late answers, dropped.
    std::string late;
    // Every write said "Success" (and the read-back matched); else why not.
    platform::Result<void> outcome;
    bool portLost = false;  // the device is gone, or a frame did not go out: nothing more can

    bool Succeeded() const { return outcome.has_value(); }
};

struct WriteMode {
    bool verify = false;    // read the tag back and compare
    bool wholeRow = false;  // a refused homepage keeps the table info from being written
    // What the tag on the reader holds, when it is the row's own tag put back after the batch
    // was stopped in the middle of it: an item it holds already is not written again, save a
    // locked homepage, which is written again to be sure of the lock.
    const tag::ReadAnswer* onTag = nullptr;
};

// The items of the write sequence, each judged by the "Success" test; then, with `verify` and
// every write successful, a READ whose items must equal the row's (with the quick end, a mismatch
// counts only once a second READ with the whole second agrees). A read-back that matches
// decides the row even when the device went away right behind it. `items` must have passed
// CheckTagWrite.
[[nodiscard]] WriteReport WriteTag(PortSession& session, const TagWrite& items, WriteMode mode);

}  // namespace cli
