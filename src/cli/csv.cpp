#include "cli/csv.h"

namespace cli {

platform::Result<std::vector<std::string>> SplitCsvLine(std::string_view line) {
    std::vector<std::string> fields(1);
    std::size_t i = 0;
    while (i < line.size()) {
        std::string& field = fields.back();
        const char c = line[i++];
        if (c == ',') {
            fields.emplace_back();
        } else if (c != '"') {
            field += c;
        } else if (!field.empty()) {
            return platform::Failure("a quote inside an unquoted field (field " +
                                     std::to_string(fields.size()) + ")");
        } else {
            // A quoted field runs to the quote that is not doubled, and a comma or the end of the
            // line must follow it.
            for (;;) {
                if (i == line.size()) {
                    return platform::Failure("a quote that is never closed (field " +
                                             std::to_string(fields.size()) + ")");
                }
                if (line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                    field += '"';
                    i += 2;
                } else if (line[i] == '"') {
                    ++i;
                    break;
                } else {
                    field += line[i++];
                }
            }
            if (i < line.size() && line[i] != ',') {
                return platform::Failure("text after a closing quote (field " +
                                         std::to_string(fields.size()) + ")");
            }
        }
    }
    return fields;
}

std::string JoinCsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            line += ',';
        }
        if (fields[i].find_first_of(",\"") == std::string::npos) {
            line += fields[i];
            continue;
        }
        line += '"';
        for (const char c : fields[i]) {
            line += c == '"' ? "\"\"" : std::string(1, c);
        }
        line += '"';
    }
    return line;
}

}  // namespace cli
