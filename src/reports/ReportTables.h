#pragma once
// The report's tables of texts (UTF-8), as the report driver collects them and the writers read them.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The volume table, stored column by column: [c][0] is column c's caption, [c][r] for r >= 1 is volume
// r - 1's text in column c. No columns at all when the volumes pane is hidden.
using TVolumeGrid = std::vector<std::vector<std::string>>;

// The file table, row by row; row 0 is the header. Rows are packed into large blocks, each cell as a
// length and its bytes, so a row costs its texts plus a few bytes (an all-sub-folders report of a
// million files holds a million rows). Rows are only appended; cells are read back in order.
class TFileRows {
public:
    TFileRows() = default;
    // A moved-from table is empty.
    TFileRows(TFileRows&& other) noexcept
        : FBlocks(std::move(other.FBlocks)),
          FRows(std::move(other.FRows)),
          FTextBytes(std::exchange(other.FTextBytes, 0)) {
        other.FBlocks.clear();
        other.FRows.clear();
    }
    TFileRows& operator=(TFileRows&& other) noexcept {
        if (this == &other) return *this;
        FBlocks = std::move(other.FBlocks);
        FRows = std::move(other.FRows);
        FTextBytes = std::exchange(other.FTextBytes, 0);
        other.FBlocks.clear();
        other.FRows.clear();
        return *this;
    }

    std::size_t Count() const { return FRows.size(); }
    bool Empty() const { return FRows.empty(); }

    // Appends a row of these cells.
    void Add(const std::vector<std::string_view>& cells) { Add(cells.data(), cells.size()); }
    void Add(std::initializer_list<std::string_view> cells) { Add(cells.begin(), cells.size()); }
    void Add(const std::vector<std::string>& cells);
    void Add(const std::string_view* cells, std::size_t count);

    // Reads one row's cells in order.
    class TCellReader {
    public:
        std::size_t Count() const { return FCount; }
        // False after the last cell.
        bool Next(std::string_view& cell);

    private:
        friend class TFileRows;
        const unsigned char* FAt = nullptr;
        std::size_t FCount = 0, FLeft = 0;
    };
    TCellReader Row(std::size_t row) const;
    // Convenience for tests and small tables.
    std::vector<std::string> RowTexts(std::size_t row) const;
    std::size_t CellCount(std::size_t row) const { return Row(row).Count(); }

    // Bytes held: the blocks and the row index.
    std::size_t MemoryBytes() const;
    // Bytes of the cell texts of all rows, without the lengths stored with them.
    std::size_t TextBytes() const { return FTextBytes; }

private:
    static constexpr std::size_t kBlockSize = 1 << 20;
    struct TBlock {
        std::unique_ptr<unsigned char[]> Data;
        std::size_t Size = 0, Used = 0;
    };
    struct TRowRef {
        std::uint32_t Block, Offset;
    };
    std::vector<TBlock> FBlocks;
    std::vector<TRowRef> FRows;
    std::size_t FTextBytes = 0;
    unsigned char* Reserve(std::size_t bytes, TRowRef& ref);
};
