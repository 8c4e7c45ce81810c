#pragma once
// A UTC moment as the user's locale writes local date and time (short
// form): what target rows, logs and position markers show.

#include <chrono>
#include <string>

namespace shell {

std::string LocalDateTimeText(std::chrono::system_clock::time_point utc);

}   // namespace shell
