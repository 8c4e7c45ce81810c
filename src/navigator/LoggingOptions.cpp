#include "navigator/LoggingOptions.h"

#include <algorithm>
#include <filesystem>

#include "app/DateTimeSpanEx.h"
#include "app/SystemUtils.h"
#include "navigator/NavigatorModule.h"
#include "nmea/GPSModule.h"

namespace fs = std::filesystem;

namespace navigator {

namespace {

// "/a/b/" and "/a/b" name the same folder.
fs::path FolderPath(const std::string& text)
{
    fs::path path = fs::path(text).lexically_normal();
    if (!path.has_filename() && path.has_parent_path() && path != path.root_path())
        path = path.parent_path();
    return path;
}

std::optional<app::CFieldError> CheckSpan(const char* field, const std::string& label, long value)
{
    if (value >= kLoggingSpanMin && value <= kLoggingSpanMax)
        return std::nullopt;
    return app::CFieldError{field, label + " runs from 00:00:01 to 06:00:00"};
}

// The folder is made on apply, so here it only has to be makeable: a whole
// path, not a file, and, while it does not exist, under a folder that can
// be written.
std::optional<app::CFieldError> CheckLogFolder(const std::string& text)
{
    constexpr const char* kField = "logFolder";
    if (text.empty())
        return app::CFieldError{kField, "Database folder: a folder is needed."};
    const fs::path path = FolderPath(text);
    if (!path.is_absolute())
        return app::CFieldError{kField, "Database folder: give the whole path, from \"/\"."};
    std::error_code ec;
    if (fs::exists(path, ec))
        return fs::is_directory(path, ec)
                   ? std::nullopt
                   : std::optional<app::CFieldError>{{kField, text + " is a file, not a folder."}};
    if (app::IsReadOnlyPath(path))
        return app::CFieldError{
            kField, text + " cannot be made there: " + app::GetExistingAncestor(path).string() +
                        " cannot be written."};
    return std::nullopt;
}

}   // namespace

CLoggingValues CurrentLoggingValues(const CNavigatorModule& nav, const nmea::CGPSModule& gps)
{
    CLoggingValues v;
    v.trackSeconds = static_cast<long>(nav.TrackInterval().count());
    v.logSeconds = static_cast<long>(gps.GetLoggingPeriod().GetTotalSeconds());
    v.loggingOn = nav.Logbook().IsLogging();
    v.folder = nav.Logbook().Folder().string();
    return v;
}

std::string ApplyLoggingValues(CNavigatorModule& nav, nmea::CGPSModule& gps,
                               const CLoggingValues& values)
{
    nav.SetTrackInterval(std::chrono::seconds(values.trackSeconds));
    nav.SetLoggingPeriod(std::chrono::seconds(values.logSeconds));
    gps.SetLoggingPeriod(app::CDateTimeSpanEx(values.logSeconds));
    // Switching logging restarts both intervals; an unchanged box leaves them running.
    if (values.loggingOn != nav.Logbook().IsLogging())
        nav.SetLogging(values.loggingOn);
    std::string failure;
    const fs::path folder = FolderPath(values.folder);
    if (app::FolderExists(folder) || app::CreateFolderPath(folder))
        nav.Logbook().SetFolder(folder);
    else if (folder != FolderPath(nav.Logbook().Folder().string()))
        failure = "The log folder " + values.folder + " could not be made; new logs stay in " +
                  nav.Logbook().Folder().string() + ".";
    nav.SaveSettings();
    gps.SaveSettings();
    return failure;
}

CLoggingOptionsModel::CLoggingOptionsModel(const CLoggingValues& current, ApplyFn apply)
    : m_values(current), m_shownFolder(current.folder), m_lastLogging(current.loggingOn),
      m_apply(std::move(apply))
{
    // Stored spans outside the page's range open at the nearest allowed value.
    m_values.trackSeconds = std::clamp(m_values.trackSeconds, kLoggingSpanMin, kLoggingSpanMax);
    m_values.logSeconds = std::clamp(m_values.logSeconds, kLoggingSpanMin, kLoggingSpanMax);
}

bool CLoggingOptionsModel::FollowLogging(bool moduleOn)
{
    if (moduleOn == m_lastLogging)
        return false;
    m_values.loggingOn = m_lastLogging = moduleOn;
    return true;
}

std::vector<app::CFieldError> CLoggingOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    // The folder is checked once the user has changed it: the one the log
    // has now (by default beside the program, perhaps not writable there)
    // must not hold up the other pages.
    const bool folderChanged = FolderPath(m_values.folder) != FolderPath(m_shownFolder);
    for (auto error : {CheckSpan("trackTime", "Position marker every", m_values.trackSeconds),
                       CheckSpan("logTime", "Log position every", m_values.logSeconds),
                       folderChanged ? CheckLogFolder(m_values.folder) : std::nullopt})
        if (error)
            errors.push_back(std::move(*error));
    return errors;
}

void CLoggingOptionsModel::Apply()
{
    m_lastLogging = m_values.loggingOn;
    m_shownFolder = m_values.folder;
    if (m_apply)
        m_apply(m_values);
}

}   // namespace navigator
