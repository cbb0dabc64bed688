#pragma once
// re2-device's JSON output, written the one way the ports command set: an object or an
// array on standard output, keys in ASCII, numbers as numbers, missing values as null.

#include <nlohmann/json.hpp>
#include <string>

// The text of value: indented by two (the ports listing's look), or on one line for a
// stream of objects (monitor). Bytes of a text that are no UTF-8 become U+FFFD.
std::string JsonText(const nlohmann::json& value, bool oneLine = false);
