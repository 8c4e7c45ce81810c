#include "app/Version.h"

#ifndef BRINE_VERSION
#define BRINE_VERSION "0.0.0"
#endif

namespace version {

std::string ProductVersion()
{
    return BRINE_VERSION;
}

}   // namespace version
