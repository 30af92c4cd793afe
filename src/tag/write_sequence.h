#pragma once
// What a WRITE sends, for the window and for velmora-tag alike: which items go out, in which
// order, what counts as present, and what each item may hold.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tag {

enum class TagItem { Homepage, TableInfo };

// Whether an item is written: one made only of spaces is not.
bool IsPresent(std::string_view item);

// What the tag keeps of the item, in bytes of the wire.
std::size_t ItemLimit(TagItem item);

struct WriteStep {
    TagItem item;
    // What the tag holds of the item once written: the homepage without "http://" and commas,
    // the table info as given. A read-back compares against this.
    std::string stored;
    std::string payload;
};

// The homepage first, when present, then the table info, when present; nothing when neither is.
// The homepage goes out locked or not by `lock`.
std::vector<WriteStep> WriteSequence(std::string_view homepage, std::string_view tableInfo,
                                     bool lock);

}  // namespace tag
