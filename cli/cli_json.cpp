#include "cli/cli_json.h"

std::string JsonText(const nlohmann::json& value, bool oneLine) {
    return value.dump(oneLine ? -1 : 2, ' ', false, nlohmann::json::error_handler_t::replace) +
           "\n";
}
