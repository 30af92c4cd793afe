#include "tag/write_sequence.h"

#include "tag/answers.h"
#include "tag/commands.h"

namespace tag {

bool IsPresent(std::string_view item) {
    return !RemoveAll(item, " ").empty();
}

std::size_t ItemLimit(TagItem item) {
    return item == TagItem::Homepage ? kHomepageLimit : kTableInfoLimit;
}

std::vector<WriteStep> WriteSequence(std::string_view homepage, std::string_view tableInfo,
                                     bool lock) {
    std::vector<WriteStep> steps;
    if (IsPresent(homepage)) {
        std::string stored = HomepageForWire(homepage);
        std::string payload = HomepagePayload(stored, lock);
        steps.push_back({TagItem::Homepage, std::move(stored), std::move(payload)});
    }
    if (IsPresent(tableInfo)) {
        steps.push_back({TagItem::TableInfo, std::string(tableInfo), TableInfoPayload(tableInfo)});
    }
    return steps;
}

}  // namespace tag
