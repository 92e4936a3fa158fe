// Fuzz target for the saved-scan reader: any bytes (plain or gzip) must give a scan or an Exception,
// never a crash, a hang or a sanitizer report. A scan that is read must total as its tree says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/Exception.h"
#include "scans/ScanFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const TImportedScan scan = ImportScanBytes(std::string_view(reinterpret_cast<const char*>(data), size));
        const TScanReader reader(*scan.Tree);
        const TScanFolder* root = reader.Folder(scan.Root);
        if (!root || !root->Has(TScanFolder::kVerified) || root->Total.Files != scan.Files) std::abort();
    } catch (const Exception&) {
    }
    return 0;
}
