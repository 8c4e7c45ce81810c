#include "shell/LocalTimeText.h"

#include <QDateTime>
#include <QLocale>

namespace shell {

std::string LocalDateTimeText(std::chrono::system_clock::time_point utc)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(utc.time_since_epoch());
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms.count()).toLocalTime();
    return QLocale().toString(local, QLocale::ShortFormat).toStdString();
}

}   // namespace shell
