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

namespace app {

namespace {

QScreen* Screen()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::primaryScreen()
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

bool MouseListed()
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

}   // namespace

CQtDesktop::CQtDesktop() : m_watcher(std::make_unique<QObject>())
{
    Refresh();
    if (qGuiApp) {
        auto refresh = [this] { Refresh(); };
        QObject::connect(qGuiApp, &QGuiApplication::primaryScreenChanged, m_watcher.get(), refresh);
        if (QScreen* screen = Screen())
            QObject::connect(screen, &QScreen::geometryChanged, m_watcher.get(), refresh);
    }
}

CQtDesktop::~CQtDesktop() = default;

void CQtDesktop::Refresh()
{
    QScreen* screen = Screen();
    m_hasScreen = screen != nullptr;
    m_bitsPerPixel = screen ? screen->depth() : 0;
    m_width = screen ? screen->size().width() : -1;
    m_height = screen ? screen->size().height() : -1;
    m_printer = !QPrinterInfo::defaultPrinterName().isEmpty();
    m_mouse = MouseListed();
    m_swapped = X11ButtonsSwapped();
    m_wave = !QMediaDevices::audioOutputs().isEmpty();
}

int CQtDesktop::ScreenBitsPerPixel() const
{
    return m_bitsPerPixel;
}
int CQtDesktop::ScreenWidth() const
{
    return m_width;
}
int CQtDesktop::ScreenHeight() const
{
    return m_height;
}

bool CQtDesktop::HasStaticSystemColours() const
{
    // Every display Qt drives draws in true colour: no palette of fixed entries.
    return m_hasScreen;
}

bool CQtDesktop::IsPrinterInstalled() const
{
    return m_printer;
}
bool CQtDesktop::IsMousePresent() const
{
    return m_mouse;
}
bool CQtDesktop::AreMouseButtonsSwapped() const
{
    return m_swapped;
}
bool CQtDesktop::HasWaveDevice() const
{
    return m_wave;
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

}   // namespace app
