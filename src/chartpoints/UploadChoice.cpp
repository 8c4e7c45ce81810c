#include "chartpoints/UploadChoice.h"

namespace chartpoints {

void CUploadChoice::ClickId(bool on)
{
    id = on || (!name && !number);
    if (id)
        name = false;
}

void CUploadChoice::ClickName(bool on)
{
    name = on || (!id && !number);
    if (name)
        id = false;
}

void CUploadChoice::ClickNumber(bool on)
{
    number = on || (!id && !name);
}

int CUploadChoice::NamingMode() const
{
    if (number)
        return name ? 3 : id ? 4 : 2;
    return name ? 1 : 0;
}

}   // namespace chartpoints
