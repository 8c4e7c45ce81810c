#pragma once
// The upload dialog's identifier boxes without windows: Name and ID exclude
// each other, at least one of Number, Name and ID stays on, and the naming
// mode the GPS device is given follows from them.

namespace chartpoints {

struct CUploadChoice {
    bool number = false;
    bool name = true;
    bool id = false;

    void ClickId(bool on);
    void ClickName(bool on);
    void ClickNumber(bool on);
    // 0 ID, 1 name, 2 number, 3 number and name, 4 number and ID.
    int NamingMode() const;
};

}   // namespace chartpoints
