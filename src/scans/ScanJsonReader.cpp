// The ncdu JSON reader: RapidJSON's iterative SAX parser over a buffered (and, for gzip, inflated)
// stream, with a handler that checks each value as it comes and hands the entries to TScanTreeBuilder.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/DirList.h"
#include "platform/Exception.h"
#include "platform/InFile.h"
#include "scans/ScanFile.h"
#include "scans/ScanTime.h"

#define RAPIDJSON_HAS_STDSTRING 0
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

namespace {

// Bytes from a file or from memory.
class TSource {
public:
    virtual ~TSource() = default;
    virtual std::size_t Read(unsigned char* buffer, std::size_t size) = 0;
    // How many bytes there are at most, where known: small inputs get small buffers.
    virtual std::size_t SizeHint() const { return SIZE_MAX; }
};

class TFileSource : public TSource {
public:
    explicit TFileSource(std::string_view path) : FFile(path) {}
    std::size_t Read(unsigned char* buffer, std::size_t size) override { return FFile.Read(buffer, size); }

private:
    TInFile FFile;
};

class TMemorySource : public TSource {
public:
    explicit TMemorySource(std::string_view bytes) : FBytes(bytes) {}
    std::size_t Read(unsigned char* buffer, std::size_t size) override {
        const std::size_t n = std::min(size, FBytes.size() - FAt);
        std::memcpy(buffer, FBytes.data() + FAt, n);
        FAt += n;
        return n;
    }
    std::size_t SizeHint() const override { return FBytes.size(); }

private:
    std::string_view FBytes;
    std::size_t FAt = 0;
};

// The JSON text, inflated when the source begins with gzip's magic bytes. A RapidJSON input stream.
class TJsonStream {
public:
    using Ch = char;
    explicit TJsonStream(TSource& source)
        : FSource(source), FRaw(std::clamp<std::size_t>(source.SizeHint(), 16, kChunk)) {
        FRawEnd = FSource.Read(FRaw.data(), FRaw.size());
        FGzip = FRawEnd >= 2 && FRaw[0] == 0x1F && FRaw[1] == 0x8B;
        if (FGzip) {
            FText.resize(kChunk);
            FZ = {};
            // 15 + 32: gzip or zlib headers, recognised by their bytes.
            if (inflateInit2(&FZ, 15 + 32) != Z_OK) throw Exception("Cannot start gzip decompression");
            FZ.next_in = FRaw.data();
            FZ.avail_in = static_cast<uInt>(FRawEnd);
            FInflating = true;
        }
        Fill();
    }
    ~TJsonStream() {
        if (FGzip) inflateEnd(&FZ);
    }
    char Peek() const { return FAt < FEnd ? FCur[FAt] : '\0'; }
    char Take() {
        if (FAt >= FEnd) return '\0';
        const char c = FCur[FAt++];
        if (FAt == FEnd) Fill();
        return c;
    }
    std::size_t Tell() const { return FBase + FAt; }
    // Not used for reading.
    char* PutBegin() { return nullptr; }
    void Put(char) {}
    void Flush() {}
    std::size_t PutEnd(char*) { return 0; }
    // What went wrong with the bytes themselves (a broken gzip stream), empty when nothing did.
    const std::string& Problem() const { return FProblem; }

private:
    static constexpr std::size_t kChunk = 256 * 1024;
    static constexpr std::size_t kMaxString = 64 * 1024;  // names are at most 765 bytes of UTF-8
    bool FInString = false, FEscape = false, FStopped = false;
    std::size_t FRun = 0;
    TSource& FSource;
    std::vector<unsigned char> FRaw;
    std::vector<unsigned char> FText;
    std::size_t FRawEnd = 0;
    bool FGzip = false, FInflating = false, FRawUsed = false;
    z_stream FZ;
    const char* FCur = nullptr;
    std::size_t FAt = 0, FEnd = 0, FBase = 0;
    std::string FProblem;

    [[gnu::noinline]] void Fill() {
        FBase += FEnd;
        FAt = FEnd = 0;
        if (FStopped) return;
        Read();
        Guard();
    }

    // The parser keeps a string whole in memory until it ends: a string past kMaxString (a small gzip
    // file can hold gigabytes of one name) ends the text where it passes the limit, and Problem says why.
    // Each piece is scanned once as it comes, so reading a character stays cheap.
    void Guard() {
        for (std::size_t i = 0; i < FEnd; ++i) {
            const char c = FCur[i];
            if (FInString) {
                if (FEscape)
                    FEscape = false;
                else if (c == '\\')
                    FEscape = true;
                else if (c == '"')
                    FInString = false;
                if (++FRun > kMaxString) {
                    FProblem = "a text longer than " + std::to_string(kMaxString) + " bytes";
                    FEnd = i;
                    FStopped = true;
                    return;
                }
            } else if (c == '"') {
                FInString = true;
                FRun = 0;
            }
        }
    }

    void Read() {
        if (!FGzip) {
            if (!FRawUsed) {
                FRawUsed = true;
                FCur = reinterpret_cast<const char*>(FRaw.data());
                FEnd = FRawEnd;
                return;
            }
            FEnd = FSource.Read(FRaw.data(), FRaw.size());
            FCur = reinterpret_cast<const char*>(FRaw.data());
            return;
        }
        FCur = reinterpret_cast<const char*>(FText.data());
        while (FInflating && FEnd == 0) {
            if (FZ.avail_in == 0) {
                FRawEnd = FSource.Read(FRaw.data(), FRaw.size());
                FZ.next_in = FRaw.data();
                FZ.avail_in = static_cast<uInt>(FRawEnd);
                if (FRawEnd == 0) {
                    FInflating = false;
                    FProblem = "the gzip data ends early";
                    return;
                }
            }
            FZ.next_out = FText.data();
            FZ.avail_out = static_cast<uInt>(FText.size());
            const int rc = inflate(&FZ, Z_NO_FLUSH);
            FEnd = FText.size() - FZ.avail_out;
            if (rc == Z_STREAM_END) {
                FInflating = false;  // a second gzip member after it is not read
            } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
                FInflating = false;
                FProblem = std::string("the gzip data is damaged") + (FZ.msg ? std::string(" (") + FZ.msg + ")" : "");
            }
        }
    }
};

// The fields of one info object (a folder's own, or a file's).
struct TItem {
    std::string Name;
    bool HasName = false;
    std::int64_t Asize = 0, Dsize = 0, Mtime = 0;
    bool HasMtime = false;
    std::uint64_t Ino = 0;
    bool HasIno = false, Hlnkc = false, ReadError = false, NotReg = false, Excluded = false;
    std::uint64_t Nlink = 0;
    void Clear() {
        std::string name = std::move(Name);  // keeps its buffer for the next entry
        name.clear();
        *this = TItem{};
        Name = std::move(name);
    }
};

// Folders deeper than this are refused: no system opens such paths (Windows' limit of 32,767 characters
// holds at most about 16,000 levels) and each level costs the reader and the tree memory.
constexpr std::size_t kMaxDepth = 16384;

class THandler {
public:
    std::string Error;  // why the handler stopped the parse
    TScanFileInfo Info;
    std::string RootPath;
    std::unique_ptr<TScanTree> Tree;
    std::unique_ptr<TScanTreeBuilder> Builder;
    std::int64_t Files = 0, Folders = 0;
    bool Done = false;

    bool Null() { return Value(TValue::Other); }
    bool Bool(bool b) {
        FBool = b;
        return Value(TValue::Bool);
    }
    bool Int(int i) { return Signed(i); }
    bool Int64(std::int64_t i) { return Signed(i); }
    bool Uint(unsigned u) { return Unsigned(u); }
    bool Uint64(std::uint64_t u) { return Unsigned(u); }
    bool Double(double) { return Value(TValue::Double); }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return Value(TValue::Other); }
    bool String(const char* s, rapidjson::SizeType length, bool) {
        FString = std::string_view(s, length);
        return Value(TValue::String);
    }
    bool StartObject() {
        if (FSkip) return Skip();
        switch (FState) {
            case TState::Meta:
                FState = TState::MetaObject;
                return true;
            case TState::FolderInfo:
            case TState::FolderBody:
                FInFolderInfo = FState == TState::FolderInfo;
                FItem.Clear();
                FState = TState::ItemObject;
                return true;
            case TState::MetaObject:
            case TState::ItemObject:
                return Skip();  // an unknown field's object
            default:
                return Fail("an object where none belongs");
        }
    }
    bool Key(const char* s, rapidjson::SizeType length, bool) {
        if (FSkip) return true;
        FKey.assign(s, length);
        return true;
    }
    bool EndObject(rapidjson::SizeType) {
        if (FSkip) return --FSkip, true;
        if (FState == TState::MetaObject) {
            FState = TState::Root;
            return true;
        }
        if (FState != TState::ItemObject) return Fail("an object ends where none began");
        FKey.clear();
        return FInFolderInfo ? OpenFolder() : AddEntry();
    }
    bool StartArray() {
        if (FSkip) return Skip();
        switch (FState) {
            case TState::Start:
                FState = TState::Major;
                return true;
            case TState::Root:
            case TState::FolderBody:
                if (FDepth >= kMaxDepth)
                    return Fail("folders nested deeper than " + std::to_string(kMaxDepth) + " levels");
                FState = TState::FolderInfo;
                return true;
            case TState::MetaObject:
            case TState::ItemObject:
                return Skip();  // an unknown field's array
            default:
                return Fail("an array where none belongs");
        }
    }
    bool EndArray(rapidjson::SizeType) {
        if (FSkip) return --FSkip, true;
        if (FState == TState::FolderBody) {
            CheckNames();
            if (!Error.empty()) return false;
            --FNameLevels;
            const bool readError = FReadErrors.back();
            FReadErrors.pop_back();
            --FDepth;
            if (FDepth == 0) {
                FRootReadError = readError;
                FState = TState::End;
            } else {
                Builder->CloseFolder(readError ? TDirStatus::AccessDenied : TDirStatus::Ok);
            }
            return true;
        }
        if (FState == TState::End) {
            FState = TState::Finished;
            Done = true;
            return true;
        }
        if (FState == TState::FolderInfo) return Fail("a folder without its info object");
        if (FState == TState::Minor || FState == TState::Major) return Fail("the file ends before its version");
        return Fail("the file holds no folder");
    }
    bool RootReadError() const { return FRootReadError; }

private:
    enum class TState {
        Start,
        Major,
        Minor,
        Meta,
        MetaObject,
        Root,
        FolderInfo,
        ItemObject,
        FolderBody,
        End,
        Finished
    };
    enum class TValue { Bool, Unsigned, Signed, Double, String, Other };
    TState FState = TState::Start;
    int FSkip = 0;  // depth inside an unknown field's value
    std::string FKey;
    bool FInFolderInfo = false;
    TItem FItem;
    bool FBool = false;
    std::uint64_t FUnsigned = 0;
    std::int64_t FSigned = 0;
    std::string_view FString;
    std::size_t FDepth = 0;
    bool FRootReadError = false;
    std::int64_t FTotalAsize = 0, FTotalDsize = 0;
    // Per open folder: its entries' names (in key form) for the duplicate check, and its read_error.
    struct TNames {
        std::string Text;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> Spans;
    };
    std::vector<TNames> FNames;   // one per level, kept (with their capacity) when their folder ends
    std::size_t FNameLevels = 0;  // levels in use
    std::vector<bool> FReadErrors;
    char FSeparator = '/';

    bool Skip() {
        if (++FSkip > static_cast<int>(kMaxDepth)) return Fail("values nested too deep");
        return true;
    }
    bool Fail(std::string why) {
        if (Error.empty()) Error = std::move(why);
        return false;
    }
    bool Signed(std::int64_t i) {
        FSigned = i;
        if (i >= 0) {
            FUnsigned = static_cast<std::uint64_t>(i);
            return Value(TValue::Unsigned);
        }
        return Value(TValue::Signed);
    }
    bool Unsigned(std::uint64_t u) {
        FUnsigned = u;
        return Value(TValue::Unsigned);
    }

    // A size or time: a whole number from 0 to 2^63-1.
    bool Size(TValue kind, std::int64_t& out) {
        if (kind == TValue::Signed) return Fail("a negative " + FKey);
        if (kind == TValue::Double) return Fail("\"" + FKey + "\" is not a whole number below 2^63");
        if (kind != TValue::Unsigned) return Fail("\"" + FKey + "\" is not a number");
        if (FUnsigned > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return Fail("\"" + FKey + "\" is beyond 2^63-1");
        out = static_cast<std::int64_t>(FUnsigned);
        return true;
    }
    bool Flag(TValue kind, bool& out) {
        // ncdu writes true; a number is read as its truth too.
        if (kind == TValue::Bool)
            out = FBool;
        else if (kind == TValue::Unsigned)
            out = FUnsigned != 0;
        else
            return Fail("\"" + FKey + "\" is not true or false");
        return true;
    }

    bool Value(TValue kind) {
        if (FSkip) return true;
        switch (FState) {
            case TState::Major:
                if (kind != TValue::Unsigned) return Fail("the file is not an ncdu JSON export");
                if (FUnsigned != 1) return Fail("major version " + std::to_string(FUnsigned) + " is not 1");
                FState = TState::Minor;
                return true;
            case TState::Minor:
                if (kind != TValue::Unsigned) return Fail("the minor version is not a number");
                FState = TState::Meta;
                return true;
            case TState::MetaObject:
                if (FKey == "progname" && kind == TValue::String) Info.ProgName = FString;
                if (FKey == "progver" && kind == TValue::String) Info.ProgVer = FString;
                if (FKey == "timestamp" && kind == TValue::Unsigned && FUnsigned <= kMaxUnixSeconds)
                    Info.Timestamp = static_cast<std::int64_t>(FUnsigned);
                return true;
            case TState::ItemObject:
                return Field(kind);
            case TState::Meta:
                return Fail("the metadata is not an object");
            case TState::Root:
                return Fail("the root is not a folder");
            case TState::FolderInfo:
                return Fail("a folder's first element is not its info object");
            case TState::FolderBody:
                return Fail("a folder holds a value that is neither a file nor a folder");
            default:
                return Fail("a value after the root");
        }
    }

    bool Field(TValue kind) {
        TItem& it = FItem;
        if (FKey == "name") {
            if (kind != TValue::String) return Fail("a name that is not a string");
            it.Name.assign(FString);
            it.HasName = true;
        } else if (FKey == "asize") {
            return Size(kind, it.Asize);
        } else if (FKey == "dsize") {
            return Size(kind, it.Dsize);
        } else if (FKey == "mtime") {
            if (!Size(kind, it.Mtime)) return false;
            if (it.Mtime > kMaxUnixSeconds) return Fail("\"mtime\" is beyond the year 30,000");
            it.HasMtime = true;
        } else if (FKey == "ino") {
            if (kind != TValue::Unsigned) return Fail("\"ino\" is not a whole number from 0 to 2^64-1");
            it.Ino = FUnsigned;
            it.HasIno = true;
        } else if (FKey == "nlink") {
            if (kind != TValue::Unsigned) return Fail("\"nlink\" is not a whole number");
            it.Nlink = FUnsigned;
        } else if (FKey == "hlnkc") {
            return Flag(kind, it.Hlnkc);
        } else if (FKey == "read_error") {
            return Flag(kind, it.ReadError);
        } else if (FKey == "notreg") {
            return Flag(kind, it.NotReg);
        } else if (FKey == "excluded") {
            // ncdu writes why ("pattern", "otherfs", "kernfs", "frmlnk"); any value marks it.
            it.Excluded = kind != TValue::Bool || FBool;
        }
        return true;  // other fields (dev, uid, gid, mode, ...) are not kept
    }

    bool CheckName(bool root) {
        if (!FItem.HasName) return Fail("an entry without a name");
        const std::string& n = FItem.Name;
        if (n.empty()) return Fail("an empty name");
        if (std::memchr(n.data(), 0, n.size())) return Fail("a name with a NUL character");
        if (root) return true;
        if (n == "." || n == "..") return Fail("the name \"" + n + "\"");
        if (n.find('/') != std::string::npos || (FSeparator == '\\' && n.find('\\') != std::string::npos))
            return Fail("a name with a path separator: \"" + n + "\"");
        // Keep its key form for the duplicate check at the folder's end.
        TNames& names = FNames[FNameLevels - 1];
        const auto at = static_cast<std::uint32_t>(names.Text.size());
        Tree->AppendKeyName(names.Text, n);
        names.Spans.emplace_back(at, static_cast<std::uint32_t>(names.Text.size()) - at);
        return true;
    }

    void CheckNames() {
        TNames& names = FNames[FNameLevels - 1];
        if (names.Spans.size() < 2) return;
        auto view = [&](const std::pair<std::uint32_t, std::uint32_t>& s) {
            return std::string_view(names.Text).substr(s.first, s.second);
        };
        std::sort(names.Spans.begin(), names.Spans.end(),
                  [&](const auto& a, const auto& b) { return view(a) < view(b); });
        for (std::size_t i = 1; i < names.Spans.size(); ++i)
            if (view(names.Spans[i]) == view(names.Spans[i - 1]))
                Fail("two entries named \"" + std::string(view(names.Spans[i])) + "\" in one folder");
    }

    bool AddSizes() {
        if (__builtin_add_overflow(FTotalAsize, FItem.Asize, &FTotalAsize) ||
            __builtin_add_overflow(FTotalDsize, FItem.Dsize, &FTotalDsize))
            return Fail("the sizes add up to more than 2^63-1 bytes");
        return true;
    }

    std::int64_t Ticks() const { return FItem.HasMtime ? TicksOfUnixSeconds(FItem.Mtime) : 0; }

    bool OpenFolder() {
        const bool root = FDepth == 0;
        if (root) {
            if (!FItem.HasName || FItem.Name.empty()) return Fail("the root folder has no name");
            if (!CheckName(true)) return false;
            RootPath = FItem.Name;
            FSeparator = RootPath[0] == '/' ? '/' : '\\';
            Tree = std::make_unique<TScanTree>(FSeparator, FSeparator == '/');
            std::string key;
            Tree->AppendKeyName(key, CanonicalFolder(RootPath, FSeparator));
            Builder = std::make_unique<TScanTreeBuilder>(*Tree, CanonicalFolder(RootPath, FSeparator), key);
        } else {
            if (!CheckName(false)) return false;
            Builder->OpenFolder(FItem.Name, Ticks(), faDirectory);
        }
        ++Folders;
        ++FDepth;
        if (FNameLevels == FNames.size()) FNames.emplace_back();
        FNames[FNameLevels].Text.clear();
        FNames[FNameLevels].Spans.clear();
        ++FNameLevels;
        FReadErrors.push_back(FItem.ReadError);
        FState = TState::FolderBody;
        return true;
    }

    bool AddEntry() {
        FState = TState::FolderBody;
        if (!CheckName(false)) return false;
        if (FItem.Excluded) {
            // Not entered by the program that wrote it: listed as a folder that is not entered.
            Builder->OpenFolder(FItem.Name, Ticks(), faDirectory | faReparsePoint);
            Builder->CloseFolder();
            return true;
        }
        // A link or other non-regular entry takes no space of its own in the program's model (a walk lists
        // links with size 0), so the size ncdu and gdu give it (a link's target length) is not counted.
        if (FItem.NotReg) FItem.Asize = FItem.Dsize = 0;
        if (!AddSizes()) return false;
        Builder->AddFile(FItem.Name, FItem.Asize, FItem.Dsize, Ticks(), FItem.NotReg ? faReparsePoint : faArchive);
        if (FItem.HasIno && (FItem.Hlnkc || FItem.Nlink > 1)) Builder->SetLinkKey(FItem.Ino);
        ++Files;
        return true;
    }
};

TImportedScan Import(TSource& source, std::string_view name) {
    TJsonStream stream(source);
    THandler handler;
    rapidjson::Reader reader;
    constexpr unsigned kFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;
    const rapidjson::ParseResult ok = reader.Parse<kFlags>(stream, handler);
    auto fail = [&](const std::string& what, std::size_t offset) {
        throw Exception("Cannot read scan \"" + std::string(name) + "\": " + what + " at byte " +
                        std::to_string(offset));
    };
    if (!stream.Problem().empty()) fail(stream.Problem(), stream.Tell());
    if (!ok) {
        if (!handler.Error.empty()) fail(handler.Error, ok.Offset());
        if (ok.Code() == rapidjson::kParseErrorDocumentEmpty) fail("the file is empty", ok.Offset());
        fail(rapidjson::GetParseError_En(ok.Code()), ok.Offset());
    }
    if (!handler.Done || !handler.Builder) fail("the file holds no folder", stream.Tell());
    TImportedScan scan;
    scan.Root = handler.Builder->Finish(handler.RootReadError() ? TDirStatus::AccessDenied : TDirStatus::Ok);
    if (!scan.Root)
        throw Exception("Cannot read scan \"" + std::string(name) +
                        "\": it needs more memory than the scan tree may use");
    scan.Tree = std::move(handler.Tree);
    scan.Path = handler.RootPath;
    scan.Info = handler.Info;
    scan.Origin = name;
    scan.Files = handler.Files;
    scan.Folders = handler.Folders;
    scan.Tree->AppendKeyName(scan.Key, CanonicalFolder(scan.Path, scan.Tree->Separator()));
    return scan;
}

}  // namespace

TImportedScan ImportScan(std::string_view file) {
    TFileSource source(file);
    return Import(source, file);
}

TImportedScan ImportScanBytes(std::string_view bytes, std::string_view name) {
    TMemorySource source(bytes);
    return Import(source, name);
}
