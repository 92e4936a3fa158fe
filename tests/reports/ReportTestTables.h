#pragma once
// Fixed report tables shared by the golden-file tests; tests/reports/check_golden.py reads the files they
// make and holds the same texts.
#include <string>
#include <vector>

#include "reports/ReportTables.h"

namespace vstest {

struct TReportCase {
    std::string Name;
    TVolumeGrid Grid;
    std::string Image;
    std::vector<std::vector<std::string>> Rows;
    TFileRows FileRows() const {
        TFileRows rows;
        for (const auto& r : Rows) rows.Add(r);
        return rows;
    }
};

inline const char* kGoldenCaption = "C:\\Data & \"Stuff\"\\";
inline const char* kGoldenDate = "15/03/2024 14:03:06";
inline const char* kGoldenVersion = "1.4.1.108";

inline std::vector<TReportCase> ReportCases() {
    const TVolumeGrid grid = {{"Volume", "System", "Data & <Backup>"}, {"Logical", "C:", "D:"}, {"Size", "74 GB", "1,024 KB"}};
    const std::vector<std::vector<std::string>> rows = {
        {"Name", "Size", "Type", "Modified", "Attributes", "Extra", "Folder"},
        {"Tom &amp; Jerry.txt", "12", "Text Document", "15/03/2024 14:03:06", "A", "", "C:\\Data"},
        {"say \"hi\".txt", "5368709120", "<script>alert(1)</script>", "", "RHA", "", "C:\\Data"},
        {"=SUM(A1:A2)", "+1", "-2", "@cmd", "", "a,b", "C:\\Data"},
        {"", "", "", "", "", "", "C:\\Data"},
        {"short", "1"},
    };
    return {
        {"full", grid, "du1A2B.jpg", rows},
        {"empty", {}, "", {}},
        {"volumes_chart", grid, "du3C.jpg", {}},
        {"chart_rows", {}, "du4D.jpg", rows},
        {"ansi", {{"Volume", "Café"}}, "", {{"Name", "Folder"}, {"naïve € note.txt", "C:\\Données"}}},
        {"unicode", {{"Volume", "Café"}}, "", {{"Name", "Folder"}, {"Жук 日本.txt", "C:\\Données"}, {"naïve.txt", "C:\\"}}},
    };
}

}  // namespace vstest
