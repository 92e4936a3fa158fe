// The ncdu JSON writer: a depth-first walk of the scan tree with an explicit stack, writing as it goes.
#include <zlib.h>

#include <charconv>
#include <cstring>
#include <vector>

#include "platform/Exception.h"
#include "platform/OutFile.h"
#include "scans/ScanFile.h"
#include "scans/ScanTime.h"

namespace {

// Where the text goes: a string, a file, or a file through gzip.
class TSink {
public:
    virtual ~TSink() = default;
    virtual void Put(std::string_view text) = 0;
};

class TStringSink : public TSink {
public:
    std::string Text;
    void Put(std::string_view text) override { Text.append(text); }
};

class TFileSink : public TSink {
public:
    explicit TFileSink(TOutFile& out) : FOut(out) {}
    void Put(std::string_view text) override {
        FOut.Write(text);
        Bytes += static_cast<std::int64_t>(text.size());
    }
    std::int64_t Bytes = 0;

private:
    TOutFile& FOut;
};

class TGzipSink : public TSink {
public:
    explicit TGzipSink(TOutFile& out) : FOut(out) {
        FStream = {};
        // 15 + 16: a gzip header and trailer around the deflate stream.
        if (deflateInit2(&FStream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw Exception("Cannot start gzip compression");
    }
    ~TGzipSink() override { deflateEnd(&FStream); }
    void Put(std::string_view text) override { Deflate(text, Z_NO_FLUSH); }
    void Finish() { Deflate({}, Z_FINISH); }
    std::int64_t Bytes = 0;

private:
    TOutFile& FOut;
    z_stream FStream;
    unsigned char FChunk[64 * 1024];

    void Deflate(std::string_view text, int flush) {
        FStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
        FStream.avail_in = static_cast<uInt>(text.size());
        int rc;
        do {
            FStream.next_out = FChunk;
            FStream.avail_out = sizeof FChunk;
            rc = deflate(&FStream, flush);
            if (rc == Z_STREAM_ERROR) throw Exception("gzip compression failed");
            const std::size_t n = sizeof FChunk - FStream.avail_out;
            FOut.Write(std::string_view(reinterpret_cast<const char*>(FChunk), n));
            Bytes += static_cast<std::int64_t>(n);
        } while (FStream.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
    }
};

// Buffers small pieces so that the sink is called with large ones.
class TWriter {
public:
    TWriter(TSink& sink, TScanExportResult& result) : FSink(sink), FResult(result) { FBuffer.reserve(kSize + 1024); }
    void Raw(std::string_view s) {
        FBuffer.append(s);
        if (FBuffer.size() >= kSize) Flush();
    }
    void Number(std::int64_t v) {
        char text[24];
        const auto r = std::to_chars(text, text + sizeof text, v);
        FBuffer.append(text, r.ptr);
    }
    void Unsigned(std::uint64_t v) {
        char text[24];
        const auto r = std::to_chars(text, text + sizeof text, v);
        FBuffer.append(text, r.ptr);
    }
    // A JSON string: only '"', '\\' and control characters are escaped; invalid UTF-8 becomes U+FFFD.
    void String(std::string_view s) {
        FBuffer.push_back('"');
        bool replaced = false;
        const auto* p = reinterpret_cast<const unsigned char*>(s.data());
        const std::size_t n = s.size();
        for (std::size_t i = 0; i < n;) {
            const unsigned char c = p[i];
            if (c >= 0x80) {
                const std::size_t len = Utf8Length(p + i, n - i);
                if (len == 0) {
                    FBuffer.append("\xEF\xBF\xBD");
                    replaced = true;
                    ++i;
                } else {
                    FBuffer.append(reinterpret_cast<const char*>(p + i), len);
                    i += len;
                }
                continue;
            }
            if (c == '"' || c == '\\') {
                FBuffer.push_back('\\');
                FBuffer.push_back(static_cast<char>(c));
            } else if (c < 0x20) {
                static const char kHex[] = "0123456789abcdef";
                const char esc[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
                FBuffer.append(esc, sizeof esc);
            } else {
                FBuffer.push_back(static_cast<char>(c));
            }
            ++i;
        }
        FBuffer.push_back('"');
        if (replaced) ++FResult.ReplacedNames;
    }
    void Flush() {
        FResult.TextBytes += static_cast<std::int64_t>(FBuffer.size());
        FSink.Put(FBuffer);
        FBuffer.clear();
    }

private:
    static constexpr std::size_t kSize = 256 * 1024;
    TSink& FSink;
    TScanExportResult& FResult;
    std::string FBuffer;

    // The length of the valid UTF-8 sequence at p, 0 when it is not one (overlong forms, surrogates and
    // code points past U+10FFFF included).
    static std::size_t Utf8Length(const unsigned char* p, std::size_t left) {
        const unsigned char c = p[0];
        std::size_t len;
        std::uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return 0;
        }
        if (left < len) return 0;
        for (std::size_t k = 1; k < len; ++k) {
            if ((p[k] & 0xC0) != 0x80) return 0;
            cp = (cp << 6) | (p[k] & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return 0;
        return len;
    }
};

void PutMtime(TWriter& w, std::int64_t ticks) {
    if (ticks < kUnixEpochTicks) return;  // unknown (0), or before 1970: ncdu's times are unsigned
    w.Raw(",\"mtime\":");
    w.Number(UnixSecondsOf(ticks));
}

// The root's name: its full path without the trailing separator, except for a root of the file system.
std::string RootName(std::string_view path, char sep) {
    std::string name(path);
    while (name.size() > 1 && name.back() == sep && !(name.size() == 3 && name[1] == ':')) name.pop_back();
    return name;
}

bool WriteTree(const TScanReader& reader, TScanRef root, const TScanFileInfo& info, TWriter& w,
               TScanExportResult& result, char sep, const std::atomic<bool>* cancel) {
    const TScanFolder* top = reader.Folder(root);
    if (!top) throw Exception("The scan of the folder is not held any more");
    w.Raw("[1,2,{\"progname\":");
    w.String(info.ProgName);
    w.Raw(",\"progver\":");
    w.String(info.ProgVer);
    w.Raw(",\"timestamp\":");
    w.Number(info.Timestamp);
    w.Raw("},\n");

    struct TLevel {
        const TScanFolder* Folder;
        std::uint32_t Next;  // the sub-folder to write next
    };
    std::vector<TLevel> stack;
    auto open = [&](std::uint32_t index, const TScanFolder& f, bool isRoot) {
        ++result.Folders;
        w.Raw("[{\"name\":");
        if (isRoot)
            w.String(RootName(reader.Name(index), sep));
        else
            w.String(reader.Name(index));
        PutMtime(w, f.LastWriteTime);
        if (f.ListingStatus() != TDirStatus::Ok || f.Has(TScanFolder::kMissing) || !f.Has(TScanFolder::kScanned)) {
            w.Raw(",\"read_error\":true");
            ++result.ReadErrors;
        }
        w.Raw("}");
        const TScanFile* files = f.Files();
        const TScanLinkKey* links = f.Links();
        std::uint32_t link = 0;
        for (std::uint32_t i = 0; i < f.FileCount; ++i) {
            const TScanFile& file = files[i];
            w.Raw(",\n{\"name\":");
            w.String(f.FileName(file));
            w.Raw(",\"asize\":");
            w.Number(file.Size);
            w.Raw(",\"dsize\":");
            w.Number(file.Allocated);
            PutMtime(w, file.LastWriteTime);
            if (file.Attributes & faReparsePoint) w.Raw(",\"notreg\":true");
            while (link < f.LinkCount && links[link].File < i) ++link;
            if (link < f.LinkCount && links[link].File == i) {
                w.Raw(",\"ino\":");
                w.Unsigned(links[link].Key);
                w.Raw(",\"hlnkc\":true");
                if (links[link].Links > 1) {
                    w.Raw(",\"nlink\":");
                    w.Unsigned(links[link].Links);
                }
            }
            w.Raw("}");
        }
        result.Files += f.FileCount;
        stack.push_back({&f, f.FirstChild});
    };
    open(root.Index, *top, true);
    while (!stack.empty()) {
        TLevel& level = stack.back();
        if (level.Next == TScanFolder::kNone) {
            w.Raw("]");
            stack.pop_back();
            if (cancel && cancel->load(std::memory_order_relaxed)) return false;
            continue;
        }
        const std::uint32_t c = level.Next;
        const TScanFolder& child = reader.At(c);
        level.Next = child.NextSibling;
        if (child.Has(TScanFolder::kLink)) {
            // Listed, never entered: a link to a folder.
            w.Raw(",\n{\"name\":");
            w.String(reader.Name(c));
            PutMtime(w, child.LastWriteTime);
            w.Raw(",\"notreg\":true,\"excluded\":\"link\"}");
            continue;
        }
        w.Raw(",\n");
        open(c, child, false);
    }
    w.Raw("]\n");
    w.Flush();
    return true;
}

bool EndsWithGz(std::string_view file) {
    if (file.size() < 3) return false;
    const std::string_view tail = file.substr(file.size() - 3);
    return tail[0] == '.' && (tail[1] | 0x20) == 'g' && (tail[2] | 0x20) == 'z';
}

char SeparatorOf(std::string_view path) {
    return !path.empty() && path[0] == '/' ? '/' : '\\';
}

}  // namespace

std::string ScanJsonText(const TScanReader& reader, TScanRef root, const TScanFileInfo& info) {
    TStringSink sink;
    TScanExportResult result;
    TWriter w(sink, result);
    const TScanFolder* f = reader.Folder(root);
    WriteTree(reader, root, info, w, result, f ? SeparatorOf(reader.Name(root.Index)) : '/', nullptr);
    return std::move(sink.Text);
}

TScanExportResult ExportScan(const TScanReader& reader, TScanRef root, std::string_view file, const TScanFileInfo& info,
                             const std::atomic<bool>* cancel) {
    TScanExportResult result;
    if (!reader.Folder(root)) throw Exception("The scan of the folder is not held any more");
    const char sep = SeparatorOf(reader.Name(root.Index));
    TOutFile out(file);
    if (EndsWithGz(file)) {
        TGzipSink sink(out);
        TWriter w(sink, result);
        if (!WriteTree(reader, root, info, w, result, sep, cancel)) {
            result.Cancelled = true;
            return result;  // the target stays as it was: TOutFile removes its temporary file
        }
        sink.Finish();
        result.FileBytes = sink.Bytes;
    } else {
        TFileSink sink(out);
        TWriter w(sink, result);
        if (!WriteTree(reader, root, info, w, result, sep, cancel)) {
            result.Cancelled = true;
            return result;
        }
        result.FileBytes = sink.Bytes;
    }
    out.Close();
    return result;
}
