#include "engines/vector/Disclaimer.h"

namespace vengine {

std::string DisclaimerText()
{
    std::string text =
        "The vector charts shown here are made from S-57 electronic navigational chart cells "
        "copied into the chart folder by the user.\r\n"
        "Quorwick Ltd does not check, correct or keep up to date the contents of those cells, "
        "and cannot warrant that what is drawn is complete or fit for navigation. A cell may "
        "be out of date, may lack its latest updates, or may be drawn in a simplified way: "
        "depth areas, soundings, lights and buoys are shown with simple symbols, not with the "
        "official presentation.\r\n"
        "The sample charts that come with the program are invented around real shorelines "
        "and must never be used for navigation.\r\n"
        "Use these charts only together with the official charts and publications for the "
        "waters you navigate, and with a proper lookout.";
    if (text.size() > kDisclaimerLimit)
        text.resize(kDisclaimerLimit);
    return text;
}

}   // namespace vengine
