#pragma once
// A stand-in for the status bar under the wait state: it keeps every text
// the wait state sets, over "Ready", so a test can tell what the user read.

#include "app/WaitStatus.h"

#include <optional>
#include <string>
#include <vector>

namespace brine_test {

class WaitStatusRecorder final : public app::CWaitHost {
public:
    void SetWaitCursor(bool) override { }
    std::optional<std::string> StatusText() const override { return current; }
    void SetStatusText(const std::string& text) override
    {
        current = text;
        texts.push_back(text);
    }
    std::string current = "Ready";
    std::vector<std::string> texts;
};

}   // namespace brine_test
