#pragma once
// Free functions between the program and the operating system: version texts,
// the desktop's capabilities, memory and disk space, drives, folders and
// temporary files, serial-port presence, sounds, and the short display forms
// of distances and bearings.
//
// File-system functions take native paths. Stored paths with backslashes go
// through ToNativePath first. Byte counts are 64-bit throughout.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace app {

// ---- Desktop ---------------------------------------------------------------
// Screen, printer, mouse and sound facts come from the window system, which
// core code does not link. The application makes one implementation at
// start-up and hands it to the main frame, which passes it on to whoever asks;
// code handed none uses CNoDesktop.
class CDesktop {
public:
    virtual ~CDesktop() = default;
    virtual int ScreenBitsPerPixel() const = 0;
    virtual int ScreenWidth() const = 0;
    virtual int ScreenHeight() const = 0;
    virtual bool HasStaticSystemColours() const = 0;
    virtual bool IsPrinterInstalled() const = 0;   // a default printer with a name
    virtual bool IsMousePresent() const = 0;
    virtual bool AreMouseButtonsSwapped() const = 0;
    virtual bool HasWaveDevice() const = 0;
    // Starts playing a sound file without waiting; true when it started.
    virtual bool PlaySoundFile(const std::filesystem::path& file, bool loop) = 0;
    virtual void StopSound() = 0;
    // Delivers every event waiting for the user-interface thread.
    virtual void PumpMessages() = 0;
};

// The answers without a window system: no screen (0 bits per pixel, a size
// of -1), no printer, mouse or sound output; no sound is tried.
class CNoDesktop final : public CDesktop {
public:
    int ScreenBitsPerPixel() const override { return 0; }
    int ScreenWidth() const override { return -1; }
    int ScreenHeight() const override { return -1; }
    bool HasStaticSystemColours() const override { return false; }
    bool IsPrinterInstalled() const override { return false; }
    bool IsMousePresent() const override { return false; }
    bool AreMouseButtonsSwapped() const override { return false; }
    bool HasWaveDevice() const override { return false; }
    bool PlaySoundFile(const std::filesystem::path&, bool) override { return false; }
    void StopSound() override { }
    void PumpMessages() override { }
};

// ---- Program and system --------------------------------------------------------
// "CompanyName", "ProductName", "ProductVersion", "FileVersion"; empty for others.
std::string GetFileVersionString(std::string_view name);
// Linux answers as the NT family did in everything callers ask: full build
// numbers and zone rules for each date.
bool IsWindowsNT();
std::string GetOSName();   // the kernel's name ("Linux"); "Unknown" when unreadable
std::string GetOSVersionString();   // the kernel's release and version; "Unknown" when unreadable

// ---- Memory and disk -------------------------------------------------------------
int GetMemoryLoad();   // physical memory in use, percent; 0 when unknown
std::uint64_t GetTotalMemory();   // physical memory plus swap, bytes
std::uint64_t GetAvailableMemory();   // available memory plus free swap, bytes
// Total and free bytes of the file system holding the path (or its nearest
// existing ancestor). False for an empty path or when the figures cannot be read.
bool GetDiskFreeSpaceOf(const std::filesystem::path& path, std::uint64_t& total,
                        std::uint64_t& free);
std::uint64_t GetDiskFreeBytes(const std::filesystem::path& path);
std::uint64_t GetDiskFreeMegabytes(const std::filesystem::path& path);   // bytes / 2^20
// Sum of the sizes of the files in `folder` matching `mask` (wildcards * and ?,
// case ignored, "*.*" matches every name); with `recursive`, every file of
// every subfolder is added.
std::uint64_t GetFolderSize(const std::filesystem::path& folder, std::string_view mask,
                            bool recursive);

// ---- Drives and network folders ----------------------------------------------------
bool IsNetworkDrive(const std::filesystem::path& path);   // on a network file system
bool IsCdRomDrive(const std::filesystem::path& path);   // on an optical-disc file system
bool IsUncPath(std::string_view path);   // "\\server\share..." or "//server/share..."
bool IsNetworkPath(std::string_view path);
// True for a path on a mounted network file system. A server path that the
// system has not mounted cannot be connected from here: false.
bool ConnectNetworkDrive(std::string_view path);
// Mount point of the first mounted optical disc; empty when none.
std::string GetFirstCdRomRoot();
// The label of the volume holding the path (/dev/disk/by-label), or the
// folder's own name when the volume has none. False for an empty path.
bool GetVolumeLabel(const std::filesystem::path& path, std::string& label);

// ---- Files and folders -----------------------------------------------------------------
// Stored backslash paths to native ones.
std::filesystem::path ToNativePath(std::string_view storedPath);
// A file or folder exists; a name with wildcards finds any match.
bool FileExists(const std::filesystem::path& path);
bool FolderExists(const std::filesystem::path& path);
bool IsValidFolderPath(const std::filesystem::path& path);
bool IsFolderEmpty(const std::filesystem::path& folder);
// Creates every missing level; true when the whole path is a folder afterwards.
bool CreateFolderPath(const std::filesystem::path& path);
// The path itself or its nearest ancestor that is an existing folder; empty when none.
std::filesystem::path GetExistingAncestor(const std::filesystem::path& path);
// True for an empty path and for one whose nearest existing folder cannot be written.
bool IsReadOnlyPath(const std::filesystem::path& path);
// Why no folder can be had at `path`, as a sentence naming it: it is a file, a file
// stands in its way, or the nearest existing folder cannot be written; empty when it
// is a folder or can be made.
std::string WhyNoFolderAt(const std::filesystem::path& path);
// Wildcard match of a file name: '*' any run, '?' any one character, case ignored;
// "*.*" matches names without a dot too, as the system's file masks do.
bool MatchFileMask(std::string_view name, std::string_view mask);
// Deletes the files (never folders) matching the wildcard name; true when all went.
bool DeleteFilesByMask(const std::filesystem::path& maskPath);
bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to);
bool RemoveFolderTree(const std::filesystem::path& folder);
bool CopyFolderTree(const std::filesystem::path& from, const std::filesystem::path& to);
// Moves a data folder to a new place, emptying the target first. Refused when
// the source is missing or one folder lies inside the other, since emptying
// the target would then destroy the data being moved.
bool MoveFolder(const std::filesystem::path& from, const std::filesystem::path& to);

struct FileStatus {
    std::time_t created = 0;   // status change time: Linux keeps no creation time here
    std::time_t modified = 0;
    std::time_t accessed = 0;
    std::uint64_t size = 0;
    bool directory = false;
    bool readOnly = false;
    std::filesystem::path fullName;
};
bool GetFileStatus(const std::filesystem::path& path, FileStatus& status);

// Creates a new empty file "~" + prefix + unique characters + ".tmp" in the
// folder. 0 on success with `name` set, else the system error number.
int MakeTempFileName(const std::filesystem::path& folder, std::string_view prefix,
                     std::filesystem::path& name);
std::filesystem::path GetTempFileNameIn(const std::filesystem::path& folder,
                                        std::string_view prefix);
// Deletes the files of the folder whose extension is "tmp" in any case.
void DeleteTempFiles(const std::filesystem::path& folder);
// The folder to use for a module's data: `folder` when it exists or can be
// created, else `fallback` (created when missing); empty when neither works.
std::filesystem::path EnsureFolder(const std::filesystem::path& folder,
                                   const std::filesystem::path& fallback);

// ---- Serial ports ------------------------------------------------------------------------
// The device exists and opens (it is closed again at once).
bool IsComPortPresent(const std::filesystem::path& device);

// ---- Display forms -------------------------------------------------------------------------
// Two decimals below 10, one below 100, none from 100 up.
std::string FormatDistance(double distance);
// Whole degrees with three digits ("005"); "000" unless 0.49 < value < 359.5.
std::string FormatBearing(double degrees);

}   // namespace app
