#pragma once
// Directory listing: the entries of one folder whose names match a FindFirstFile pattern (DosWildcard.h),
// with their attributes, 64-bit sizes and last-write times. Both backends filter by name in-process
// with the same matcher, so a pattern selects the same entries on every platform (and Windows' habit of
// matching 8.3 short names, where "*.txt" finds "a.txtx", does not apply).
//
// A caller that refuses an entry by its name pays nothing more for it: an entry's kind comes from the
// directory read itself where the file system gives it, and its size and time are read only when asked
// for (the POSIX backend calls fstatat lazily; the Win32 backend has them in the find data anyway).
//
// Paths of any length work: the Win32 backend uses the "\\?\" form (up to 32,767 characters), the POSIX
// backend opens a path past PATH_MAX a piece at a time, each piece relative to the folder before it.
//
// The POSIX backend never follows a symbolic link: a link is an entry with faReparsePoint, plus
// faDirectory when it points to a folder (as Windows reports its links), and its size is 0.
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// File attributes with Windows' values.
enum : std::uint32_t {
    faReadOnly = 0x1,
    faHidden = 0x2,
    faSystem = 0x4,
    faDirectory = 0x10,
    faArchive = 0x20,
    faNormal = 0x80,
    faReparsePoint = 0x400,
    faOffline = 0x1000,
    faRecallOnOpen = 0x40000,
    faRecallOnDataAccess = 0x400000,
};

// A cloud placeholder (or a file moved to slower storage): its data is not on the disk, and opening or
// reading it would fetch it, slowly and perhaps at a cost. No feature opens such a file: its figures come
// from the listing alone, and the shell is asked about it by its name and attributes only.
inline bool IsDataOffDisk(std::uint32_t attributes) {
    return (attributes & (faOffline | faRecallOnOpen | faRecallOnDataAccess)) != 0;
}

// One entry met during a listing. Valid only inside the visit call; "." and ".." are never visited.
class TDirEntry {
public:
    // The name in UTF-8 (one path component).
    virtual std::string_view Name() const = 0;
    // Cheap: from the directory read. True also for links that point to a folder.
    virtual bool IsDirectory() const = 0;
    // Cheap: junctions and symbolic links (POSIX: every symbolic link).
    virtual bool IsReparsePoint() const = 0;
    // All attributes (may read the entry's metadata on POSIX).
    virtual std::uint32_t Attributes() const = 0;
    // Size in bytes; 0 for folders and links; 0 when the entry vanished before it could be read.
    virtual std::int64_t Size() const = 0;
    // Last write time in 100-ns ticks since 1601-01-01 UTC (FILETIME); 0 when unknown.
    virtual std::int64_t LastWriteTime() const = 0;
    // False when the entry's size, time and attributes could not be read (POSIX: a folder that may be
    // listed but not searched, or an entry that vanished meanwhile); Size and LastWriteTime then give 0.
    virtual bool DetailsRead() const { return true; }
    // True when attributes, size and time came with the directory read (the Win32 find data), so asking
    // for them costs nothing; false where each entry costs a request of its own (POSIX).
    virtual bool DetailsInListing() const { return true; }
    // A file with more than one hard link: its id, the same for each of its names on its volume (POSIX: the
    // inode), with the volume's id in LinkDevice and the number of names in LinkCount. 0 for a file with one
    // name, for folders, and where the listing cannot tell without opening the file.
    virtual std::uint64_t LinkId() const { return 0; }
    virtual std::uint64_t LinkDevice() const { return 0; }
    virtual std::uint32_t LinkCount() const { return 1; }
    // The file's id where the listing gives one but no count of names (Windows: the file system's file id,
    // which Wine takes from the inode): the same for every name of one file on its volume, so two names
    // with one id are hard links of one file. 0 for folders, and where the listing gives none (POSIX gives
    // LinkId instead).
    virtual std::uint64_t FileId() const { return 0; }

protected:
    ~TDirEntry() = default;
};

// The walks' rule for sub-folders, shared by the folder-size service and the report walker: a folder is
// entered unless it is a reparse point (a junction or directory link; on POSIX every link to a folder),
// which holds no space of its own and may lead back into the tree.
inline bool IsFolderToEnter(const TDirEntry& entry) {
    return entry.IsDirectory() && !entry.IsReparsePoint();
}

enum class TDirStatus {
    Ok,            // listed in full (an empty folder too)
    NotFound,      // no folder at that path (or not a folder)
    AccessDenied,  // the folder exists but may not be listed
    TooLong,       // the path is past what the system can open
    Failed,        // another failure; the entries visited before it are valid
};

// A non-owning reference to the visit callback, so a listing allocates nothing for it. The callback
// returns false to end the listing early (the status is still Ok).
class TDirVisit {
public:
    template <typename F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, TDirVisit>)
        TDirVisit(F&& f)  // NOLINT: implicit on purpose, so lambdas can be passed directly
        : FObject(const_cast<void*>(static_cast<const void*>(&f))),
          FCall([](void* o, const TDirEntry& e) -> bool { return (*static_cast<std::remove_reference_t<F>*>(o))(e); }) {
    }
    bool operator()(const TDirEntry& entry) const { return FCall(FObject, entry); }

private:
    void* FObject;
    bool (*FCall)(void*, const TDirEntry&);
};

// The listing interface. The system's lives behind SystemDirLister(); tests put fakes in its place.
// Folder paths are UTF-8, with or without a trailing separator. Implementations are safe to call from
// several threads at once.
class TDirLister {
public:
    virtual ~TDirLister() = default;
    // Visits every entry of folder whose name matches pattern.
    virtual TDirStatus List(std::string_view folder, std::string_view pattern, TDirVisit visit) = 0;
    // True when a folder (or a link to one) exists at the path.
    virtual bool FolderExists(std::string_view folder) = 0;
    // The path rules: '\\' and case-insensitive on Windows, '/' and case-sensitive on POSIX.
    virtual char Separator() const = 0;
    virtual bool CaseSensitive() const = 0;
    // The path made absolute against the working folder (Windows also resolves "." and ".." and reads
    // '/' as '\\'). The default takes every path as absolute already.
    virtual std::string AbsolutePath(std::string_view path) const { return std::string(path); }
    // A path a user typed, made absolute the way the system reads typed paths: on Windows by its full-path
    // rules (which also drop trailing dots and blanks of names, and under Wine map a Unix path such as
    // "/tmp/x" to the drive that shows the Unix root); elsewhere as AbsolutePath.
    virtual std::string UserAbsolutePath(std::string_view path) const { return AbsolutePath(path); }
};

// The canonical form of an absolute folder path under the given separator: no doubled separators,
// no "." components, exactly one trailing separator; on Windows ('\\') '/' reads as '\\', the "\\?\"
// prefix goes ("\\?\UNC\server" becomes "\\server") and a network path keeps its leading "\\\\".
// Letters keep their case.
std::string CanonicalFolder(std::string_view path, char separator);

TDirLister& SystemDirLister();

// One entry with everything read, for callers that want the whole listing at once.
struct TDirItem {
    std::string Name;
    std::uint32_t Attributes = 0;
    std::int64_t Size = 0;
    std::int64_t LastWriteTime = 0;
    bool IsDirectory() const { return (Attributes & faDirectory) != 0; }
};

// Appends the matching entries of folder to items.
TDirStatus ListDir(std::string_view folder, std::string_view pattern, std::vector<TDirItem>& items,
                   TDirLister& lister = SystemDirLister());
