#include "reports/ReportTables.h"

#include <cstring>

#include "platform/Exception.h"

namespace {

std::size_t VarIntSize(std::size_t v) {
    std::size_t n = 1;
    while (v >= 0x80) v >>= 7, ++n;
    return n;
}

unsigned char* PutVarInt(unsigned char* p, std::size_t v) {
    while (v >= 0x80) {
        *p++ = static_cast<unsigned char>(v | 0x80);
        v >>= 7;
    }
    *p++ = static_cast<unsigned char>(v);
    return p;
}

std::size_t GetVarInt(const unsigned char*& p) {
    std::size_t v = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char b = *p++;
        v |= static_cast<std::size_t>(b & 0x7F) << shift;
        if (b < 0x80) return v;
    }
}

}  // namespace

void TFileRows::Add(const std::vector<std::string>& cells) {
    std::vector<std::string_view> views(cells.begin(), cells.end());
    Add(views.data(), views.size());
}

unsigned char* TFileRows::Reserve(std::size_t bytes, TRowRef& ref) {
    if (FBlocks.empty() || FBlocks.back().Size - FBlocks.back().Used < bytes) {
        if (FBlocks.size() >= UINT32_MAX) throw Exception("The report is too large.");
        TBlock block;
        block.Size = bytes > kBlockSize ? bytes : kBlockSize;
        block.Data.reset(new unsigned char[block.Size]);
        FBlocks.push_back(std::move(block));
    }
    TBlock& b = FBlocks.back();
    if (b.Used > UINT32_MAX) throw Exception("The report is too large.");
    ref.Block = static_cast<std::uint32_t>(FBlocks.size() - 1);
    ref.Offset = static_cast<std::uint32_t>(b.Used);
    unsigned char* p = b.Data.get() + b.Used;
    b.Used += bytes;
    return p;
}

void TFileRows::Add(const std::string_view* cells, std::size_t count) {
    std::size_t bytes = VarIntSize(count), text = 0;
    for (std::size_t i = 0; i < count; ++i) {
        bytes += VarIntSize(cells[i].size()) + cells[i].size();
        text += cells[i].size();
    }
    TRowRef ref;
    // The index grows before the block, so a failure leaves no stray bytes.
    if (FRows.size() == FRows.capacity()) FRows.reserve(FRows.size() < 1024 ? 1024 : FRows.size() * 2);
    unsigned char* p = Reserve(bytes, ref);
    p = PutVarInt(p, count);
    for (std::size_t i = 0; i < count; ++i) {
        p = PutVarInt(p, cells[i].size());
        if (!cells[i].empty()) std::memcpy(p, cells[i].data(), cells[i].size());
        p += cells[i].size();
    }
    FRows.push_back(ref);
    FTextBytes += text;
}

TFileRows::TCellReader TFileRows::Row(std::size_t row) const {
    TCellReader r;
    const TRowRef ref = FRows.at(row);
    const unsigned char* p = FBlocks[ref.Block].Data.get() + ref.Offset;
    r.FCount = r.FLeft = GetVarInt(p);
    r.FAt = p;
    return r;
}

bool TFileRows::TCellReader::Next(std::string_view& cell) {
    if (FLeft == 0) return false;
    --FLeft;
    const std::size_t n = GetVarInt(FAt);
    cell = std::string_view(reinterpret_cast<const char*>(FAt), n);
    FAt += n;
    return true;
}

std::vector<std::string> TFileRows::RowTexts(std::size_t row) const {
    std::vector<std::string> out;
    TCellReader r = Row(row);
    std::string_view cell;
    while (r.Next(cell)) out.emplace_back(cell);
    return out;
}

std::size_t TFileRows::MemoryBytes() const {
    std::size_t bytes = FRows.capacity() * sizeof(TRowRef) + FBlocks.capacity() * sizeof(TBlock);
    for (const TBlock& b : FBlocks) bytes += b.Size;
    return bytes;
}
