#pragma once
// The comma-separated lines of batch files and logs: fields in double quotes where they hold a
// comma or a quote, a quote inside doubled. A record is one line: the items a tag holds can
// have no line end, so quotes never span lines.

#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace cli {

// The fields of one line (its line end already removed), or why it is no CSV line.
[[nodiscard]] platform::Result<std::vector<std::string>> SplitCsvLine(std::string_view line);

// The fields as one line, without a line end.
std::string JoinCsvLine(const std::vector<std::string>& fields);

}  // namespace cli
