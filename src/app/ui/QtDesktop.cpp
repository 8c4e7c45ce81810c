#include "app/ui/QtDesktop.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputDevice>
#include <QMediaDevices>
#include <QPrinterInfo>
#include <QScreen>
#include <QSoundEffect>
#include <QUrl>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

QScreen* Screen()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen()
                                                                         : nullptr;
}

// The X server's pointer button map: swapped when physical button 1 gives
// logical button 3 (a left-handed set-up). False off X11.
bool X11ButtonsSwapped()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    xcb_get_pointer_mapping_reply_t* reply =
        xcb_get_pointer_mapping_reply(connection, xcb_get_pointer_mapping(connection), nullptr);
    if (!reply)
        return false;
    const int length = xcb_get_pointer_mapping_map_length(reply);
    const std::uint8_t* map = xcb_get_pointer_mapping_map(reply);
    const bool swapped = length >= 3 && map[0] == 3;
    std::free(reply);
    return swapped;
}

}  // namespace

CQtDesktop::CQtDesktop() = default;
CQtDesktop::~CQtDesktop() = default;

int CQtDesktop::ScreenBitsPerPixel() const
{
    QScreen* screen = Screen();
    return screen ? screen->depth() : 0;
}

int CQtDesktop::ScreenWidth() const
{
    QScreen* screen = Screen();
    return screen ? screen->size().width() : -1;
}

int CQtDesktop::ScreenHeight() const
{
    QScreen* screen = Screen();
    return screen ? screen->size().height() : -1;
}

bool CQtDesktop::HasStaticSystemColours() const
{
    // Every display Qt drives draws in true colour: no palette of fixed entries.
    return Screen() != nullptr;
}

bool CQtDesktop::IsPrinterInstalled() const
{
    return !QPrinterInfo::defaultPrinterName().isEmpty();
}

bool CQtDesktop::IsMousePresent() const
{
    const auto devices = QInputDevice::devices();
    for (const QInputDevice* device : devices) {
        if (device->type() == QInputDevice::DeviceType::Mouse ||
            device->type() == QInputDevice::DeviceType::TouchPad)
            return true;
    }
    // A platform that lists no devices (offscreen, some Wayland set-ups)
    // still delivers pointer events: count it as having a mouse.
    return devices.isEmpty() && Screen() != nullptr;
}

bool CQtDesktop::AreMouseButtonsSwapped() const
{
    return X11ButtonsSwapped();
}

bool CQtDesktop::HasWaveDevice() const
{
    return !QMediaDevices::audioOutputs().isEmpty();
}

bool CQtDesktop::PlaySoundFile(const std::filesystem::path& file, bool loop)
{
    std::error_code ec;
    if (!HasWaveDevice() || !std::filesystem::is_regular_file(file, ec))
        return false;
    if (!m_sound)
        m_sound = std::make_unique<QSoundEffect>();
    m_sound->setSource(QUrl::fromLocalFile(QString::fromStdString(file.string())));
    m_sound->setLoopCount(loop ? QSoundEffect::Infinite : 1);
    m_sound->play();
    return true;
}

void CQtDesktop::StopSound()
{
    if (m_sound)
        m_sound->stop();
}

void CQtDesktop::PumpMessages()
{
    QCoreApplication::processEvents();
}
